#pragma once

// TFrmHelp: the program's usage instructions in a borderless modal window:
// a white header with the maker, version and greeting labels and the round
// close button, and below it the instructions, read-only but selectable and
// scrollable.
//
// Opening: the opener creates it with new (unless FrmHelp already exists),
// places it (the main window puts it at its own Left + 30, Top + 150) and
// calls exec(). The window deletes itself when it closes
// (WA_DeleteOnClose). The result (always 2, Cancel) carries nothing.

#include "TDialog.h"

#include <QStringList>

class QLabel;
class QPlainTextEdit;

namespace order {

class TImageButton;

// The 65 lines of the instructions.
QStringList HelpLines();

class TFrmHelp : public TDialog {
    Q_OBJECT

public:
    explicit TFrmHelp(QWidget* parent = nullptr);

    QWidget* Panel6 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TImageButton* ImgBtnEsc = nullptr;
    QPlainTextEdit* Mm = nullptr;


protected:
};

extern TFrmHelp* FrmHelp;

} // namespace order
