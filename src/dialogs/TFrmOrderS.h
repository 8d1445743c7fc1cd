#pragma once

// TFrmOrderS: the customer's earlier orders, newest first, for opening an
// order or a sample. The list is loaded from the service once, at the first
// activation; the chosen row's order code goes back in DM->PickedValue.
//
// Opening: the opener creates it with new (unless FrmOrderS already exists),
// sets Purpose (0 order, 1 sample; the list is the same for both), places it
// (the main window puts it at its own Left + 240, Top + 20) and calls exec().
// The window deletes itself when it closes.
//
// Results: 1 (OK: PickedValue holds a non-empty order code) or 2 (Cancel:
// PickedValue is empty). Choosing a row without a code gives Cancel.

#include "TDialog.h"

#include <QString>

#include <memory>
#include <string>

class QPainter;
class QStatusBar;
class QToolButton;
class QWidget;

namespace order {

class TStringGrid;

class TFrmOrderS : public TDialog {
    Q_OBJECT

public:
    explicit TFrmOrderS(QWidget* parent = nullptr);

    int Purpose = 0; // set by the opener; the list does not depend on it

    // What the first activation loaded: RESULT_RECORD_COUNT (-1 after a
    // failed call) and the whole answer (empty after a failure or no order).
    int CodeColumn = 7;
    int SpareColumn = 6;
    long long RecordCount = 0;
    std::shared_ptr<const std::string> Answer;

    QWidget* PnlLG = nullptr;
    QToolButton* SBGN = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SBLC = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    TStringGrid* SGG = nullptr;
    QToolButton* SBEsc = nullptr;
    QToolButton* SBHome = nullptr;
    QToolButton* SBPgUp = nullptr;
    QToolButton* SBPgDn = nullptr;
    QToolButton* SBEnd = nullptr;
    QToolButton* SBEnter = nullptr;
    QToolButton* SBCount = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    bool FirstActivate() const { return firstActivate_; }

    void FormActivate();
    void LoadList();
    void SGGClick();
    void SGGDblClick();
    void SGGDrawCell(int col, int row, QPainter& p, const QRect& rect, bool selected, bool focused);
    void SBEnterClick();

    void done(int result) override; // closing rules: see the .cpp

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void EnterKey(QWidget* receiver) override;

private:

    bool firstActivate_ = true;
};

extern TFrmOrderS* FrmOrderS;

} // namespace order
