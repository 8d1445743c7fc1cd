#pragma once

// TFrmMessage: the supplier's notices, one per row of a 20-row grid, in a
// borderless modal window with a round close button over the grid's top
// right corner.
//
// Opening: the opener creates it with new (unless FrmMessage already exists),
// copies its 20 notice texts into Notices, places it (the main window puts it
// at its own Left + 340, Top + 120) and calls exec(). The window deletes
// itself when it closes (WA_DeleteOnClose), so the opener must not touch it
// after exec() returns. The result (always 2, Cancel) carries nothing.

#include "TDialog.h"

#include <QString>

#include <array>

class QPainter;

namespace order {

class TImageButton;
class TStringGrid;

// Pure so that the drawing rule can be checked: the text a notice cell shows.
QString NoticeCellText(const QString& cell);

class TFrmMessage : public TDialog {
    Q_OBJECT

public:
    static constexpr int kNoticeRows = 20;

    explicit TFrmMessage(QWidget* parent = nullptr);

    // Notice lines 0 to 19; the first n hold the loaded notices, the rest are
    // empty. Read at every activation.
    std::array<QString, kNoticeRows> Notices;

    TStringGrid* SGS = nullptr;
    TImageButton* ImgBtnEsc = nullptr;

    void FormActivate();
    void SGSDrawCell(int col, int row, QPainter& p, const QRect& rect, bool selected, bool focused);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

extern TFrmMessage* FrmMessage;

} // namespace order
