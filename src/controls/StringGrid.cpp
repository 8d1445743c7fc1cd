#include "StringGrid.h"

#include "TagMessage.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace order {

// ---------------------------------------------------------------------------
// TStringGridModel

TStringGridModel::TStringGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int TStringGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int TStringGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : cols_;
}

QVariant TStringGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (!InRange(index.column(), index.row()))
        return {};
    return Cell(index.column(), index.row());
}

bool TStringGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !InRange(index.column(), index.row()))
        return false;
    SetCell(index.column(), index.row(), value.toString());
    return true;
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (editable_)
        f |= Qt::ItemIsEditable;
    return f;
}

QString TStringGridModel::Cell(int col, int row) const
{
    if (!InRange(col, row))
        return {};
    const Span& s = cells_[At(col, row)];
    if (s.length & kOwn)
        return texts_[s.offset];
    if (s.length == 0 || !answer_)
        return {};
    return QString::fromUtf8(answer_->data() + s.offset, static_cast<qsizetype>(s.length));
}

void TStringGridModel::StoreOwn(Span& span, const QString& text)
{
    if (span.length & kOwn) {
        texts_[span.offset] = text;
        return;
    }
    std::uint32_t slot;
    if (!freeTexts_.empty()) {
        slot = freeTexts_.back();
        freeTexts_.pop_back();
        texts_[slot] = text;
    } else {
        slot = static_cast<std::uint32_t>(texts_.size());
        texts_.push_back(text);
    }
    span.offset = slot;
    span.length = kOwn;
}

void TStringGridModel::SetCell(int col, int row, const QString& text)
{
    if (!InRange(col, row))
        return;
    Span& s = cells_[At(col, row)];
    if (text.isEmpty()) {
        if (s.length & kOwn) {
            texts_[s.offset] = QString();
            freeTexts_.push_back(s.offset);
        }
        s = Span {};
    } else {
        StoreOwn(s, text);
    }
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, { Qt::DisplayRole, Qt::EditRole });
}

// Own texts of cells that were cut off by a resize go back to the free list,
// so that a grid that is resized often does not keep growing.
void TStringGridModel::DropUnusedTexts()
{
    std::vector<char> used(texts_.size(), 0);
    for (const Span& s : cells_)
        if (s.length & kOwn)
            used[s.offset] = 1;
    freeTexts_.clear();
    for (std::uint32_t i = 0; i < used.size(); ++i)
        if (!used[i]) {
            texts_[i] = QString();
            freeTexts_.push_back(i);
        }
}

void TStringGridModel::SetRowCount(int rows)
{
    rows = std::max(rows, 0);
    if (rows == rows_)
        return;
    const std::size_t size = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols_);
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        cells_.resize(size);
        rows_ = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows, rows_ - 1);
        const bool hadOwn = std::any_of(cells_.begin() + static_cast<std::ptrdiff_t>(size), cells_.end(),
            [](const Span& s) { return (s.length & kOwn) != 0; });
        cells_.resize(size);
        rows_ = rows;
        if (hadOwn)
            DropUnusedTexts();
        endRemoveRows();
    }
}

void TStringGridModel::SetColCount(int cols)
{
    cols = std::max(cols, 0);
    if (cols == cols_)
        return;
    std::vector<Span> cells(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols));
    const int keep = std::min(cols, cols_);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < keep; ++c)
            cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)]
                = cells_[At(c, r)];
    if (cols > cols_) {
        beginInsertColumns({}, cols_, cols - 1);
        cells_.swap(cells);
        cols_ = cols;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, cols, cols_ - 1);
        cells_.swap(cells);
        cols_ = cols;
        DropUnusedTexts();
        endRemoveColumns();
    }
}

void TStringGridModel::NotifyAllChanged()
{
    if (rows_ > 0 && cols_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1), { Qt::DisplayRole, Qt::EditRole });
}

void TStringGridModel::ClearCells()
{
    std::fill(cells_.begin(), cells_.end(), Span {});
    texts_.clear();
    freeTexts_.clear();
    answer_.reset();
    NotifyAllChanged();
}

void TStringGridModel::FillFromAnswer(
    std::shared_ptr<const std::string> answer, const std::vector<std::string>& fields, int count, FieldIndexer index)
{
    // Row count first (signals rows for the view), then cells without a
    // signal each, then one dataChanged over the whole table.
    std::fill(cells_.begin(), cells_.end(), Span {});
    texts_.clear();
    freeTexts_.clear();
    answer_.reset();
    if (count <= 0 || !answer) {
        NotifyAllChanged();
        return;
    }
    SetRowCount(count);
    answer_ = std::move(answer);
    const std::string_view text(*answer_);
    if (text.size() <= kMaxIndexedAnswer) {
        index(text, fields, cols_, rows_, cells_.data());
    } else {
        // Offsets are 32-bit; a larger answer (never seen in practice) is
        // kept as own texts instead of slices.
        RecordWalker walker(text);
        for (int r = 0; r < rows_; ++r) {
            const std::string_view record = walker.Next();
            for (int c = 0; c < cols_ && c < static_cast<int>(fields.size()); ++c) {
                const std::string& name = fields[static_cast<std::size_t>(c)];
                const std::string_view value = name.empty() ? std::string_view() : ExtractTagView(name, record);
                if (!value.empty())
                    StoreOwn(cells_[At(c, r)], QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
            }
        }
        answer_.reset();
    }
    NotifyAllChanged();
}

void TStringGridModel::Assign(const TStringGridModel& other)
{
    if (&other == this)
        return;
    SetColCount(other.cols_);
    SetRowCount(other.rows_);
    cells_ = other.cells_;
    texts_ = other.texts_;
    freeTexts_ = other.freeTexts_;
    answer_ = other.answer_;
    NotifyAllChanged();
}

// ---------------------------------------------------------------------------
// TStringGrid

namespace {

    // Paints the background the way a Delphi grid does before its OnDrawCell
    // runs, then hands the cell to the window's handler.
    class TStringGridDelegate : public QStyledItemDelegate {
    public:
        explicit TStringGridDelegate(TStringGrid* grid)
            : QStyledItemDelegate(grid)
            , grid_(grid)
        {
        }

        void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            const bool focused = (option.state & QStyle::State_HasFocus) && grid_->hasFocus();
            // As in a Delphi grid: in cell-select mode the focused cell keeps the
            // normal colours and gets a focus rectangle instead of the highlight.
            const bool selected = (option.state & QStyle::State_Selected) && (grid_->RowSelect() || !focused);
            const QPalette& pal = grid_->palette();
            painter->save();
            painter->setClipRect(option.rect);
            painter->fillRect(option.rect,
                selected ? pal.color(QPalette::Active, QPalette::Highlight)
                         : pal.color(QPalette::Active, QPalette::Base));
            painter->setPen(selected ? pal.color(QPalette::Active, QPalette::HighlightedText)
                                     : pal.color(QPalette::Active, QPalette::Text));
            painter->setFont(grid_->font());
            if (grid_->OnDrawCell) {
                grid_->OnDrawCell(index.column(), index.row(), *painter, option.rect, selected, focused);
            } else {
                const QString text = grid_->Model()->Cell(index.column(), index.row());
                if (!text.isEmpty())
                    painter->drawText(
                        option.rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
            }
            if (focused && !grid_->RowSelect()) {
                painter->setPen(QPen(pal.color(QPalette::Active, QPalette::Text), 1, Qt::DotLine));
                painter->setBrush(Qt::NoBrush);
                painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            }
            painter->restore();
        }

        QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
        {
            return { grid_->horizontalHeader()->defaultSectionSize(), grid_->verticalHeader()->defaultSectionSize() };
        }

    private:
        TStringGrid* grid_;
    };

} // namespace

TStringGrid::TStringGrid(QWidget* parent)
    : QTableView(parent)
    , model_(new TStringGridModel(this))
{
    setModel(model_);
    setItemDelegate(new TStringGridDelegate(this));
    for (QHeaderView* h : { horizontalHeader(), verticalHeader() }) {
        h->hide();
        h->setMinimumSectionSize(1);
        h->setSectionResizeMode(QHeaderView::Fixed);
        h->setHighlightSections(false);
    }
    SetDefaultColWidth(colWidth_);
    SetDefaultRowHeight(rowHeight_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTabKeyNavigation(false); // Tab leaves the grid, as in the other windows' controls
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setDragEnabled(false);
    setAutoScroll(true);
    SetColCount(5);
    SetRowCount(5);
}

void TStringGrid::SetRowCount(int rows)
{
    const int col = std::max(Col(), 0);
    model_->SetRowCount(rows);
    if (rows > 0 && !currentIndex().isValid())
        SetCurrent(col, 0);
}

void TStringGrid::SetColCount(int cols)
{
    model_->SetColCount(cols);
    if (model_->RowCount() > 0 && cols > 0 && !currentIndex().isValid())
        SetCurrent(0, 0);
}

void TStringGrid::SetColWidth(int col, int width)
{
    // A zero width hides the column completely (no line either).
    if (col >= 0 && col < ColCount())
        horizontalHeader()->resizeSection(col, width <= 0 ? 0 : width + LineWidth());
}

int TStringGrid::ColWidth(int col) const
{
    if (col < 0 || col >= ColCount())
        return 0;
    const int size = horizontalHeader()->sectionSize(col);
    return size <= 0 ? 0 : size - LineWidth();
}

int TStringGrid::CellAreaWidth() const
{
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    return width() - 2 * frameWidth() - (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff ? 0 : bar);
}

void TStringGrid::FitColumnToRightEdge(int col)
{
    if (col < 0 || col >= ColCount())
        return;
    const int left = horizontalHeader()->sectionPosition(col);
    SetColWidth(col, std::max(CellAreaWidth() - left - LineWidth(), 1));
}

void TStringGrid::SetDefaultColWidth(int w)
{
    colWidth_ = std::max(w, 1);
    horizontalHeader()->setDefaultSectionSize(colWidth_ + LineWidth());
}

void TStringGrid::SetDefaultRowHeight(int h)
{
    rowHeight_ = std::max(h, 1);
    verticalHeader()->setDefaultSectionSize(rowHeight_ + LineWidth());
}

int TStringGrid::DefaultRowHeight() const
{
    return rowHeight_;
}

void TStringGrid::SetGridLines(bool on)
{
    if (on == showGrid())
        return;
    std::vector<int> widths;
    for (int c = 0; c < ColCount(); ++c)
        widths.push_back(ColWidth(c));
    setShowGrid(on);
    SetDefaultRowHeight(rowHeight_);
    SetDefaultColWidth(colWidth_);
    for (int c = 0; c < ColCount(); ++c)
        SetColWidth(c, widths[static_cast<std::size_t>(c)]);
}

int TStringGrid::Row() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

int TStringGrid::Col() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void TStringGrid::SetCurrent(int col, int row)
{
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        return;
    const QModelIndex i = model_->index(row, col);
    setCurrentIndex(i);
    scrollTo(i);
}

void TStringGrid::SetRow(int row)
{
    SetCurrent(std::max(Col(), 0), row);
}

void TStringGrid::SetCol(int col)
{
    SetCurrent(col, std::max(Row(), 0));
}

int TStringGrid::TopRow() const
{
    const int r = rowAt(0);
    return r < 0 ? 0 : r;
}

void TStringGrid::SetTopRow(int row)
{
    // Per-row scrolling: the scroll bar value is the top row.
    verticalScrollBar()->setValue(std::clamp(row, 0, std::max(RowCount() - 1, 0)));
}

int TStringGrid::VisibleRowCount() const
{
    const int pitch = verticalHeader()->defaultSectionSize();
    const int fit = pitch > 0 ? (viewport()->height() + LineWidth()) / pitch : 0;
    return std::max(0, std::min(fit, RowCount() - TopRow()));
}

void TStringGrid::SetRowSelect(bool on)
{
    rowSelect_ = on;
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    if (currentIndex().isValid())
        selectionModel()->setCurrentIndex(currentIndex(),
            QItemSelectionModel::ClearAndSelect | (on ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
}

void TStringGrid::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
    emit KeyDown(event);
    if (event->isAccepted())
        return;
    event->accept();
    QTableView::keyPressEvent(event);
}

QModelIndex TStringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // With whole rows selected, Home and End go to the first and last row
    // (a row-select grid has no cell to move to within the row).
    if (rowSelect_ && RowCount() > 0 && (cursorAction == MoveHome || cursorAction == MoveEnd)) {
        const int col = std::max(Col(), 0);
        return model_->index(cursorAction == MoveHome ? 0 : RowCount() - 1, col);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void TStringGrid::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()) : QModelIndex();
    QTableView::mousePressEvent(event);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex i = indexAt(event->position().toPoint());
    if (i.isValid() && pressed_.isValid())
        emit Clicked(i.column(), i.row());
    pressed_ = QModelIndex();
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex i = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && i.isValid())
        emit DblClicked(i.column(), i.row());
}

void TStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid() && (current.row() != previous.row() || current.column() != previous.column()))
        emit SelectCell(current.column(), current.row());
}

} // namespace order
