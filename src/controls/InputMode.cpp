#include "InputMode.h"

#include <QWidget>

namespace order {

void SetInputMode(QWidget* field, InputMode mode)
{
    constexpr Qt::InputMethodHints kRestricting = Qt::ImhLatinOnly | Qt::ImhDigitsOnly | Qt::ImhFormattedNumbersOnly
        | Qt::ImhUppercaseOnly | Qt::ImhLowercaseOnly | Qt::ImhDialableCharactersOnly | Qt::ImhEmailCharactersOnly
        | Qt::ImhUrlCharactersOnly;
    // Keep what the field set for itself (a password's hidden text).
    Qt::InputMethodHints hints = field->inputMethodHints() & ~kRestricting;
    switch (mode) {
    case InputMode::Hangul:
        hints &= ~Qt::ImhNoPredictiveText;
        break;
    case InputMode::Alphanumeric:
        hints |= Qt::ImhLatinOnly | Qt::ImhNoPredictiveText;
        break;
    case InputMode::Number:
        hints |= Qt::ImhFormattedNumbersOnly | Qt::ImhNoPredictiveText;
        break;
    }
    field->setInputMethodHints(hints);
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
}

}  // namespace order
