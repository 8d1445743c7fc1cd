#pragma once

// TFrmGoodPS: product search by classification. The classifications of the
// ClassNames table on the left (SGP); the products of the chosen one on the
// right (SGG), all of them or only the traded ones. Choosing a product opens
// the quantity window in mode "ADD" and hands a confirmed line to OnAddLine;
// the window stays open for more.
//
// Opening: the opener creates it with new (unless FrmGoodPS already exists),
// sets the inputs (the traded-only flag, the classification limit, the
// column numbers of its product grid, the products grid model, its own
// top-left corner and OnAddLine), gives it its own height and top, places it
// and calls exec(). The window makes no service call: the classifications
// and the products are what the opener has loaded. It deletes itself when it
// closes (WA_DeleteOnClose); the result is not used.

#include "CellText.h"
#include "FixedText.h"
#include "TDialog.h"

#include <QPoint>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QLabel;
class QToolButton;

namespace order {

class TStringGrid;
class TStringGridModel;

// Column numbers of a product row, the same in the opener's grid and in the
// window's own SGG.
struct GoodColumns {
    int Code = 19;
    int Name = 0;
    int Unit = 1;
    int UnitQty = 2;
    int Trade = 3; // last trade date, or the price when C_GUA is "1"
    int Qty = 6; // usual quantity
    int Price = 5;
    int Class = 18;
};

// Entries of the table from the first up to the limit, ending at the first
// empty one.
int ClassCount(const std::array<FixedText<50>, 100>& names, int limit);
// The classification a row stands for: trimmed; "미분류" stands for none.
QString ClassFilter(const QString& name);
// Rows of `products` whose classification (trimmed) is `filter` and, with
// onlyTraded, whose trade column (trimmed) is not empty.
std::vector<int> MatchingProducts(
    const TStringGridModel& products, const GoodColumns& cols, const QString& filter, bool onlyTraded);
// Row of the nearest traded product above (down false) or below the current
// row; the first or last row when there is none; -1 when the current row is
// already the first or last (nothing to do).
int NextTradedRow(const TStringGridModel& grid, int row, bool down, int tradeCol);
// Moves row `from` to `to`, shifting the rows between.
void MoveGridRow(TStringGridModel& grid, int from, int to);
// What a product cell shows.
CellText GoodCellText(int col, const QString& cell, bool priceInColumn3, const GoodColumns& cols = GoodColumns());

class TFrmGoodPS : public TDialog {
    Q_OBJECT

public:
    explicit TFrmGoodPS(QWidget* parent = nullptr);

    // Inputs, set by the opener before exec().
    bool OnlyTraded = true;
    int ClassLimit = 100;
    GoodColumns Columns;
    const TStringGridModel* Products = nullptr; // the opener's catalogue copy
    QPoint MainOrigin; // the opener's top-left corner
    std::function<void(const QString& code, const QString& name, const QString& unit, const QString& qty,
        const QString& note, const QString& price)>
        OnAddLine;

    QLabel* ImgLeft = nullptr; // title picture, drags the window
    TStringGrid* SGP = nullptr;
    TStringGrid* SGG = nullptr;
    QToolButton* SBEsc = nullptr;
    QToolButton* SBHome = nullptr;
    QToolButton* SBPgUp = nullptr;
    QToolButton* SBPgDn = nullptr;
    QToolButton* SBEnd = nullptr;
    QToolButton* SBEnter = nullptr;
    QToolButton* SBCount = nullptr;
    QToolButton* SBUP = nullptr;
    QToolButton* SBDN = nullptr;
    QToolButton* SBPU = nullptr;
    QToolButton* SBPD = nullptr;
    QToolButton* SBOnly = nullptr;

    void FormActivate();
    void FillProducts();
    void SGGDblClick();
    void ChooseProduct();
    void SBOnlyClick();
    void SBUPClick();
    void SBDNClick();
    void SBEnterClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool FormKeyDown(QWidget* receiver, QKeyEvent* event) override;
    void EnterKey(QWidget* receiver) override;

private:
    bool OnlyTradedShown() const;

    bool firstActivate_ = true;
    bool filling_ = false;
    int dragFrom_ = -1;
};

extern TFrmGoodPS* FrmGoodPS;

} // namespace order
