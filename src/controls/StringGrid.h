#pragma once

// The one string grid of the program: a table model of text cells and a view
// whose cells are painted by the owning window's draw-cell handler.
//
// Product lists hold tens of thousands of rows filled from one service
// answer, so the model keeps the answer's UTF-8 bytes once and remembers for
// every cell only where its value lies (8 bytes a cell). A QString is made
// when a cell is read, which in practice means when it is painted.

#include "RecordFields.h"

#include <QAbstractTableModel>
#include <QRect>
#include <QString>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QKeyEvent;
class QPainter;

namespace order {

class TStringGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TStringGridModel(QObject* parent = nullptr);

    int RowCount() const { return rows_; }
    void SetRowCount(int rows); // keeps the cells of rows that remain, new rows empty
    int ColCount() const { return cols_; }
    void SetColCount(int cols); // keeps the cells of columns that remain

    QString Cell(int col, int row) const; // empty text out of range
    void SetCell(int col, int row, const QString& text);

    // Empties every cell, then (count > 0) makes the row count `count` and
    // fills row r from the record RDC_r of the answer: column c gets the
    // first element named fields[c] of the record (empty name or a missing
    // element: empty cell). Records are taken one after the other, each
    // search starting behind the previous record, so the answer is read once.
    // `index` finds the fields; the benchmarks hand in earlier versions of it.
    using FieldIndexer = void (*)(std::string_view, const std::vector<std::string>&, int, int, FieldSpan*);
    void FillFromAnswer(std::shared_ptr<const std::string> answer, const std::vector<std::string>& fields, int count,
        FieldIndexer index = &IndexRecordFields);
    void ClearCells(); // every cell empty, row count unchanged

    // Makes this model a copy of `other` (size and cells); answer cells stay
    // shared, so copying a whole list costs one pass over the cell table.
    void Assign(const TStringGridModel& other);

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetEditable(bool on) { editable_ = on; }

private:
    // A cell is empty (length 0), a slice of the answer (offset, length), or
    // an own text (kOwn set in length, offset indexes texts_).
    // Trivial, so that sizing the table is a plain zero fill.
    using Span = FieldSpan;
    static constexpr std::uint32_t kOwn = 0x80000000u;

    bool InRange(int col, int row) const { return col >= 0 && row >= 0 && col < cols_ && row < rows_; }
    std::size_t At(int col, int row) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(col);
    }
    void StoreOwn(Span& span, const QString& text);
    void DropUnusedTexts();
    void NotifyAllChanged();

    int rows_ = 0;
    int cols_ = 0;
    std::vector<Span> cells_; // row-major
    std::vector<QString> texts_;
    std::vector<std::uint32_t> freeTexts_;
    std::shared_ptr<const std::string> answer_;
    bool editable_ = false;
};

class TStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    TStringGridModel* Model() const { return model_; }

    QString Cells(int col, int row) const { return model_->Cell(col, row); }
    void SetCells(int col, int row, const QString& text) { model_->SetCell(col, row, text); }
    int RowCount() const { return model_->RowCount(); }
    void SetRowCount(int rows);
    int ColCount() const { return model_->ColCount(); }
    void SetColCount(int cols);

    void SetColWidth(int col, int width);
    int ColWidth(int col) const;
    // The width the cells get beside a vertical scroll bar, from the frame
    // and scroll bar sizes of the style in use.
    int CellAreaWidth() const;
    // Widens or narrows col so that it ends at the cell area's right edge
    // and no part of the columns after it shows.
    void FitColumnToRightEdge(int col);
    void SetDefaultColWidth(int w);
    void SetDefaultRowHeight(int h);
    int DefaultRowHeight() const;

    // The current cell (Delphi Row / Col); -1 when there is none. Setting it
    // selects the cell (the row in row-select mode) and scrolls it into view.
    int Row() const;
    void SetRow(int row);
    int Col() const;
    void SetCol(int col);

    int TopRow() const;
    void SetTopRow(int row);
    int VisibleRowCount() const; // rows that fit wholly

    // Like a Delphi grid, widths and heights are the cells' own; a grid line
    // (1 pixel, when shown) lies between cells on top of them.
    void SetGridLines(bool on);
    bool GridLines() const { return showGrid(); }
    void SetRowSelect(bool on); // default on: the whole current row is selected
    bool RowSelect() const { return rowSelect_; }

    // When set, every cell is painted by this handler, after the grid filled
    // the cell's background (highlight colour when selected; in cell-select
    // mode the focused cell is framed instead of highlighted, and comes with
    // selected false, as in Delphi grids) and set the pen
    // to the matching text colour and the grid's font. `rect` is the cell in
    // viewport coordinates; the painter is clipped to it.
    std::function<void(int col, int row, QPainter& p, const QRect& rect, bool selected, bool focused)> OnDrawCell;

signals:
    void SelectCell(int col, int row); // the current cell changed (keys, mouse, SetRow/SetCol)
    // Before the grid's own key handling. The event arrives ignored; a handler
    // that accepts it stops the grid from handling it.
    void KeyDown(QKeyEvent* event);
    void Clicked(int col, int row); // mouse pressed and released on a cell
    void DblClicked(int col, int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void SetCurrent(int col, int row);
    int LineWidth() const { return showGrid() ? 1 : 0; }

    TStringGridModel* model_;
    bool rowSelect_ = true;
    int rowHeight_ = 24;
    int colWidth_ = 64;
    QModelIndex pressed_;
};

} // namespace order
