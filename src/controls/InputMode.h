#pragma once

class QWidget;

namespace order {

// What a field expects to be typed. Linux has no per-field keyboard mode;
// the input method (ibus-hangul, fcitx5-hangul) reads Qt's hints instead.
//   Hangul:        nothing restricted, so Korean composition stays on.
//   Alphanumeric:  Latin letters and digits, no prediction (ids, passwords).
//   Number:        digits and number signs only, no prediction.
enum class InputMode { Hangul, Alphanumeric, Number };

void SetInputMode(QWidget* field, InputMode mode);

}  // namespace order
