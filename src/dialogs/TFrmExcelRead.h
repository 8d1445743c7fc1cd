#pragma once

// TFrmExcelRead: order lines copied in a spreadsheet program, pasted from the
// clipboard into a numbered list of at most 99 lines (name, quantity, unit,
// note, barcode and further fields). Rows can be inserted, deleted and
// cleared; "편집" opens the quantity window in mode "NEW" for typing lines
// straight into the opener's order; "주문저장" (F7) hands the listed rows to
// the opener and closes the window.
//
// Opening: the opener creates it with new (unless FrmExcelRead already
// exists), sets OnAddDirectLine and OnSaveOrder, gives it its own height and
// top, aligns the right edges and calls exec(). The list lives only as long
// as the window, which deletes itself when it closes (WA_DeleteOnClose); the
// result is not used.

#include "CellText.h"
#include "TDialog.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QLabel;
class QToolButton;

namespace order {

class TStringGrid;
class TStringGridModel;

inline constexpr int kPasteRows = 99;
inline constexpr int kPasteCols = 10;

// Column numbers of the list.
struct PasteColumns {
    static constexpr int Number = 0;
    static constexpr int Name = 1;
    static constexpr int Qty = 2;
    static constexpr int Unit = 3;
    static constexpr int Note = 4;
    static constexpr int Barcode = 5;
};

// One listed row as the opener receives it (texts as pasted; the quantity
// as the plain decimal text the list stores).
struct PastedRow {
    QString name;
    QString qty;
    QString unit;
    QString note;
    QString barcode;
};

// The clipboard text cut into lines at each line feed (a carriage return just
// before it belongs to the line end; text after the last line feed is not a
// line), each line cut into its tab-separated fields, empty ones included.
QList<QStringList> PasteLines(const QString& text);

enum class PasteResult { Pasted, Empty, TooMany };
// Writes the lines of `text` into the rows from 0 on: field j into column
// j + 1 (fields beyond the last column are dropped), the quantity as the
// number it reads as. Rows and columns not written keep what they held. More
// lines than rows: nothing is written.
PasteResult PasteText(TStringGridModel& grid, const QString& text);

// A row is used when its name, trimmed, is not empty.
bool PasteRowUsed(const TStringGridModel& grid, int row);
// Numbers the used rows from row 0 ("01", "02", ...) up to the first unused.
void RenumberPaste(TStringGridModel& grid);
enum class InsertResult { Nothing, Full, Inserted };
InsertResult InsertPasteRow(TStringGridModel& grid, int row);
void DeletePasteRow(TStringGridModel& grid, int row);
// The used rows, top to bottom.
std::vector<PastedRow> PastedRows(const TStringGridModel& grid);
CellText PasteCellText(int col, const QString& cell);

class TFrmExcelRead : public TDialog {
    Q_OBJECT

public:
    explicit TFrmExcelRead(QWidget* parent = nullptr);

    // Given to the quantity window in mode "NEW": appends one direct line to
    // the opener's order.
    std::function<void(const QString& name, const QString& unit, const QString& qty, const QString& note)>
        OnAddDirectLine;
    // F7: puts the rows into the opener's order; true when it did (the
    // window then closes).
    std::function<bool(const std::vector<PastedRow>& rows)> OnSaveOrder;

    QWidget* Panel4 = nullptr; // title strip, drags the window
    QLabel* LblTop = nullptr;
    QLabel* LblBottom = nullptr;
    TStringGrid* SGS = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SBF1 = nullptr;
    QToolButton* SBF9 = nullptr;
    QToolButton* SBF7 = nullptr;
    QToolButton* SBEsc = nullptr;
    QToolButton* SBHome = nullptr;
    QToolButton* SBPgUp = nullptr;
    QToolButton* SBPgDn = nullptr;
    QToolButton* SBEnd = nullptr;
    QToolButton* SBEnter = nullptr;
    QToolButton* SBIns = nullptr;
    QToolButton* SBDel = nullptr;

    void SBF1Click();
    void SBF7Click();
    void SBF9Click();
    void SBEnterClick();
    void SBInsClick();
    void SBDelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool FormKeyDown(QWidget* receiver, QKeyEvent* event) override;
    void EscKey() override; // asks first when rows are listed
    void EnterKey(QWidget*) override { SBEnterClick(); }

private:

    bool firstActivate_ = true;
};

extern TFrmExcelRead* FrmExcelRead;

} // namespace order
