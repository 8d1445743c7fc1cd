#include "StringGrid.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <climits>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace order;

namespace {

// Counts the complaints of QAbstractItemModelTester (Warning mode) so that a
// test fails on them instead of aborting the whole program.
int g_modelWarnings = 0;
QtMessageHandler g_previousHandler = nullptr;

void CountingHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && QString::fromUtf8(context.category ? context.category : "").contains("modeltest"))
        ++g_modelWarnings;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

class ModelWatch {
public:
    explicit ModelWatch(QAbstractItemModel* model)
    {
        g_modelWarnings = 0;
        g_previousHandler = qInstallMessageHandler(CountingHandler);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelWatch()
    {
        tester_.reset();
        qInstallMessageHandler(g_previousHandler);
        g_previousHandler = nullptr;
    }
    int Warnings() const { return g_modelWarnings; }

private:
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

std::string Record(int i, const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string body;
    for (const auto& [name, value] : fields)
        body += BuildTag(name, value);
    return BuildTag(RecordName(i), body);
}

// What a list fill must give: records taken one after the other with
// TakeTag, fields with ExtractTag.
std::vector<std::vector<std::string>> Reference(
    std::string answer, const std::vector<std::string>& fields, int count, int cols)
{
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < count; ++r) {
        const std::string record = TakeTag(RecordName(r), answer);
        std::vector<std::string> row(static_cast<std::size_t>(cols));
        for (int c = 0; c < cols && c < static_cast<int>(fields.size()); ++c)
            if (!fields[static_cast<std::size_t>(c)].empty())
                row[static_cast<std::size_t>(c)] = ExtractTag(fields[static_cast<std::size_t>(c)], record);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(StringGridModel, FillFromAnswerGivesTheValuesOfTheRecordWalk)
{
    const std::vector<std::string> fields = { "G_NAME", "G_BOX", "", "G_CODE" };
    struct Case {
        const char* what;
        std::string answer;
        int count;
    };
    const std::string rdc0 = Record(0, { { "G_NAME", "신라면 멀티" }, { "G_BOX", "BOX" }, { "G_CODE", "A0001" } });
    const std::string rdc1 = Record(1, { { "G_CODE", "A0002" }, { "G_NAME", "새우깡" } });
    const std::string rdc2 = Record(2, { { "G_NAME", "첫째" }, { "G_NAME", "둘째" }, { "G_CODE", "A0003" } });
    const std::vector<Case> cases = {
        { "plain three records", "<RESULT_CODE>1</RESULT_CODE>" + rdc0 + rdc1 + rdc2, 3 },
        { "record 1 missing: row 1 empty, record 2 still found", rdc0 + rdc2, 3 },
        { "count above the records", rdc0 + rdc1, 5 },
        { "count below the records", rdc0 + rdc1 + rdc2, 2 },
        { "field whose opening tag is missing", "<RDC_0>xxxxxxxxxx</G_BOX><G_NAME>n</G_NAME></RDC_0>", 1 },
        { "field without closing tag", "<RDC_0><G_NAME>open<G_CODE>C</G_CODE></RDC_0>", 1 },
        { "record 10 before record 1", Record(10, { { "G_NAME", "ten" } }) + rdc0 + rdc1, 2 },
        { "records out of order", rdc1 + rdc0, 2 },
        { "empty answer", "", 2 },
        { "same name nested: up to the first closing tag", "<RDC_0><G_NAME>a<G_NAME>b</G_NAME>c</G_NAME></RDC_0>", 1 },
        { "closing tag before the opening tag", "<RDC_0></G_CODE><G_CODE>x<G_NAME>n</G_NAME></RDC_0>", 1 },
        { "stray < and > inside values", "<RDC_0><G_NAME>a<<b>></G_NAME><G_BOX><</G_BOX><G_CODE>>x<</G_CODE></RDC_0>",
            1 },
        { "tag split by a stray <", "<RDC_0><G_<G_NAME>v</G_NAME></RDC_0>", 1 },
        { "opening missing, closing too early", "<RDC_0>a</G_NAME></RDC_0>", 1 },
        { "prefix names", "<RDC_0><G_NAMEX>no</G_NAMEX><G_NAME>yes</G_NAME><G_NAME/></RDC_0>", 1 },
        { "no > after a <", "<RDC_0><G_NAME>v</G_NAME><G_BOX</RDC_0>", 1 },
        { "invalid UTF-8 stays readable",
            Record(0,
                { { "G_NAME",
                    std::string("a\xff\xfe"
                                "b") } }),
            1 },
    };
    for (const Case& c : cases) {
        TStringGridModel model;
        ModelWatch watch(&model);
        model.SetColCount(5);
        model.SetRowCount(1);
        model.FillFromAnswer(std::make_shared<const std::string>(c.answer), fields, c.count);
        TStringGridModel odd; // names with "<" or ">" take the plain lookup path
        odd.SetColCount(2);
        odd.FillFromAnswer(std::make_shared<const std::string>(c.answer), { "G_NAME", "G_<G_NAME" }, c.count);
        ASSERT_EQ(model.RowCount(), c.count) << c.what;
        const auto expected = Reference(c.answer, fields, c.count, 5);
        for (int r = 0; r < c.count; ++r)
            for (int col = 0; col < 5; ++col) {
                const std::string& want = expected[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)];
                EXPECT_EQ(model.Cell(col, r), QString::fromUtf8(want.data(), static_cast<qsizetype>(want.size())))
                    << c.what << " row " << r << " col " << col;
            }
        const auto expectedOdd = Reference(c.answer, { "G_NAME", "G_<G_NAME" }, c.count, 2);
        for (int r = 0; r < c.count; ++r)
            for (int col = 0; col < 2; ++col) {
                const std::string& want = expectedOdd[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)];
                EXPECT_EQ(odd.Cell(col, r), QString::fromUtf8(want.data(), static_cast<qsizetype>(want.size())))
                    << c.what << " (plain lookup) row " << r << " col " << col;
            }
        EXPECT_EQ(watch.Warnings(), 0) << c.what;
    }
}

TEST(StringGridModel, FillEmptiesOldCellsAndKeepsRowsWhenNothingCame)
{
    TStringGridModel model;
    ModelWatch watch(&model);
    model.SetColCount(3);
    model.SetRowCount(25);
    model.SetCell(2, 24, "old");
    model.SetCell(0, 0, "old");

    model.FillFromAnswer(std::make_shared<const std::string>(Record(0, { { "A", "a" } })), { "A", "", "" }, 0);
    EXPECT_EQ(model.RowCount(), 25); // nothing came: rows stay, emptied
    EXPECT_EQ(model.Cell(0, 0), "");
    EXPECT_EQ(model.Cell(2, 24), "");

    model.FillFromAnswer(nullptr, { "A" }, 3);
    EXPECT_EQ(model.RowCount(), 25);

    model.SetCell(1, 1, "old");
    model.FillFromAnswer(std::make_shared<const std::string>(Record(0, { { "A", "a" } })), { "A" }, 1);
    EXPECT_EQ(model.RowCount(), 1);
    EXPECT_EQ(model.Cell(0, 0), "a");
    EXPECT_EQ(model.Cell(1, 0), ""); // fields shorter than the columns: the rest empty
    EXPECT_EQ(watch.Warnings(), 0);
}

TEST(StringGridModel, AnswerIsSharedAndOwnTextsOverrideIt)
{
    auto answer = std::make_shared<const std::string>(
        Record(0, { { "A", "가나" }, { "B", "다" } }) + Record(1, { { "A", "라" }, { "B", "마바" } }));
    const std::string* bytes = answer.get();
    TStringGridModel model;
    ModelWatch watch(&model);
    model.SetColCount(2);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.FillFromAnswer(answer, { "A", "B" }, 2);
    EXPECT_GE(answer.use_count(), 2); // kept, not copied
    answer.reset(); // the caller's copy goes; the model keeps its own reference
    EXPECT_EQ(model.Cell(0, 1), "라");

    changed.clear();
    model.SetCell(1, 0, "own text");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.Cell(1, 0), "own text");
    EXPECT_EQ(model.Cell(0, 0), "가나");
    EXPECT_EQ(model.Cell(1, 1), "마바");
    model.SetCell(1, 0, "again"); // overwriting an own text
    EXPECT_EQ(model.Cell(1, 0), "again");
    model.SetCell(0, 1, ""); // an answer cell can be emptied
    EXPECT_EQ(model.Cell(0, 1), "");
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), "마바");
    EXPECT_EQ(model.data(model.index(0, 1), Qt::EditRole).toString(), "again");
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::DecorationRole).isValid());
    (void)bytes;

    TStringGridModel copy;
    copy.Assign(model);
    EXPECT_EQ(copy.RowCount(), 2);
    EXPECT_EQ(copy.ColCount(), 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ(copy.Cell(c, r), model.Cell(c, r));
    copy.SetCell(0, 0, "changed in the copy");
    EXPECT_EQ(model.Cell(0, 0), "가나");

    model.ClearCells();
    EXPECT_EQ(model.RowCount(), 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ(model.Cell(c, r), "");
    EXPECT_EQ(copy.Cell(1, 1), "마바"); // the copy keeps the answer alive
    EXPECT_EQ(watch.Warnings(), 0);
}

TEST(StringGridModel, OutOfRangeNeverCrashes)
{
    TStringGridModel model;
    ModelWatch watch(&model);
    EXPECT_EQ(model.Cell(0, 0), ""); // no rows, no columns
    model.SetCell(0, 0, "x");
    model.SetColCount(2);
    model.SetRowCount(2);
    const std::vector<std::pair<int, int>> outside
        = { { -1, 0 }, { 0, -1 }, { 2, 0 }, { 0, 2 }, { INT_MAX, INT_MAX }, { INT_MIN, 1 } };
    for (const auto& [c, r] : outside) {
        model.SetCell(c, r, "x");
        EXPECT_EQ(model.Cell(c, r), "") << c << "," << r;
        EXPECT_FALSE(model.setData(model.index(r, c), "x"));
    }
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ(model.Cell(c, r), "");
    EXPECT_FALSE(model.data(QModelIndex()).isValid());
    model.SetRowCount(-5);
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_EQ(model.Cell(0, 0), "");
    EXPECT_EQ(watch.Warnings(), 0);
}

TEST(StringGridModel, ResizingKeepsRemainingCellsAndEmptiesNewOnes)
{
    TStringGridModel model;
    ModelWatch watch(&model);
    model.SetColCount(3);
    model.SetRowCount(4);
    auto answer = std::make_shared<const std::string>(Record(0, { { "A", "a0" } }) + Record(1, { { "A", "a1" } }));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            model.SetCell(c, r, QString("%1/%2").arg(c).arg(r));

    model.SetRowCount(2);
    model.SetRowCount(4);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(model.Cell(c, 1), QString("%1/1").arg(c));
        EXPECT_EQ(model.Cell(c, 2), "") << "a row that came back must be empty";
        EXPECT_EQ(model.Cell(c, 3), "");
    }
    model.SetColCount(2);
    model.SetColCount(4);
    EXPECT_EQ(model.Cell(1, 0), "1/0");
    EXPECT_EQ(model.Cell(2, 0), "");
    EXPECT_EQ(model.Cell(3, 1), "");

    // Answer cells survive a resize too.
    model.SetColCount(2);
    model.FillFromAnswer(answer, { "", "A" }, 2);
    model.SetRowCount(3);
    model.SetColCount(3);
    EXPECT_EQ(model.Cell(1, 1), "a1");
    EXPECT_EQ(model.Cell(2, 2), "");

    // Repeated shrink/grow of own texts reuses slots instead of piling up.
    for (int i = 0; i < 100; ++i) {
        model.SetRowCount(3);
        for (int r = 0; r < 3; ++r)
            model.SetCell(0, r, QString::number(i));
        model.SetRowCount(1);
    }
    EXPECT_EQ(model.Cell(0, 0), "99");
    EXPECT_EQ(watch.Warnings(), 0);
}

TEST(StringGrid, CurrentCellKeysAndSignals)
{
    TStringGrid grid;
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.SetDefaultRowHeight(19);
    // 19-pixel rows plus their grid line: ten rows in 200 pixels.
    grid.resize(200, 10 * 20 + 2 * grid.frameWidth());
    grid.SetColCount(3);
    grid.SetRowCount(100);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.setFocus();

    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.VisibleRowCount(), 10);
    QSignalSpy select(&grid, &TStringGrid::SelectCell);
    grid.SetRow(50);
    EXPECT_EQ(grid.Row(), 50);
    ASSERT_EQ(select.count(), 1);
    EXPECT_EQ(select.at(0).at(1).toInt(), 50);
    EXPECT_LE(grid.TopRow(), 50);
    EXPECT_GT(grid.TopRow() + grid.VisibleRowCount(), 50); // scrolled into view

    struct KeyCase {
        Qt::Key key;
        int from;
        int to;
    };
    const std::vector<KeyCase> keys = {
        { Qt::Key_Down, 5, 6 },
        { Qt::Key_Up, 5, 4 },
        { Qt::Key_Home, 40, 0 },
        { Qt::Key_End, 40, 99 },
        { Qt::Key_Up, 0, 0 },
        { Qt::Key_Down, 99, 99 },
    };
    for (const KeyCase& k : keys) {
        grid.SetRow(k.from);
        QTest::keyClick(&grid, k.key);
        EXPECT_EQ(grid.Row(), k.to) << "key " << k.key << " from " << k.from;
        EXPECT_TRUE(grid.selectionModel()->isRowSelected(k.to, {})) << "whole row selected";
    }
    grid.SetRow(20);
    QTest::keyClick(&grid, Qt::Key_PageDown);
    EXPECT_GT(grid.Row(), 20);

    // A KeyDown handler that accepts the key keeps it from the grid.
    int seen = 0;
    auto c = QObject::connect(&grid, &TStringGrid::KeyDown, [&](QKeyEvent* e) {
        ++seen;
        EXPECT_FALSE(e->isAccepted());
        if (e->key() == Qt::Key_Down)
            e->accept();
    });
    grid.SetRow(10);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 10);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 9);
    EXPECT_EQ(seen, 2);
    QObject::disconnect(c);

    grid.SetTopRow(30);
    EXPECT_EQ(grid.TopRow(), 30);
    grid.SetRow(-1); // ignored
    grid.SetRow(1000);
    EXPECT_EQ(grid.Row(), 9);
    grid.SetRowCount(0);
    EXPECT_EQ(grid.Row(), -1);
    EXPECT_EQ(grid.Cells(0, 0), "");
    grid.SetRowCount(3);
    EXPECT_EQ(grid.Row(), 0);
}

TEST(StringGrid, MouseClicksNameTheCell)
{
    TStringGrid grid;
    grid.SetDefaultRowHeight(19);
    grid.SetColCount(3);
    grid.SetRowCount(10);
    for (int c = 0; c < 3; ++c)
        grid.SetColWidth(c, 50);
    EXPECT_EQ(grid.ColWidth(1), 50);
    EXPECT_EQ(grid.columnViewportPosition(1), 51); // width plus the grid line
    grid.SetGridLines(false);
    EXPECT_EQ(grid.ColWidth(1), 50);
    EXPECT_EQ(grid.columnViewportPosition(1), 50);
    EXPECT_EQ(grid.rowViewportPosition(1), 19);
    grid.resize(200, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy clicked(&grid, &TStringGrid::Clicked);
    QSignalSpy dbl(&grid, &TStringGrid::DblClicked);
    const QPoint cell21(2 * 50 + 10, 1 * 19 + 5); // column 2, row 1
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell21);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 2);
    EXPECT_EQ(clicked.at(0).at(1).toInt(), 1);
    EXPECT_EQ(grid.Row(), 1);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(10, 3 * 19 + 5));
    ASSERT_EQ(dbl.count(), 1);
    EXPECT_EQ(dbl.at(0).at(1).toInt(), 3);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(190, 190)); // beyond the columns
    EXPECT_EQ(clicked.count(), 1);
}

TEST(StringGrid, OwnerDrawingPaintsOnlyVisibleCellsWithTheirState)
{
    TStringGrid grid;
    grid.SetDefaultRowHeight(19);
    grid.SetColCount(20);
    grid.SetRowCount(50000);
    for (int c = 0; c < 20; ++c)
        grid.SetColWidth(c, c < 4 ? 60 : 0);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.resize(260, 10 * 20 + 2 * grid.frameWidth());
    grid.SetCells(0, 1000, "보이는 줄");
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.SetRow(1000);

    struct Call {
        int col, row;
        bool selected;
        QString text;
    };
    std::vector<Call> calls;
    grid.OnDrawCell = [&](int col, int row, QPainter& p, const QRect& rect, bool selected, bool) {
        calls.push_back({ col, row, selected, grid.Cells(col, row) });
        EXPECT_EQ(rect.height(), 19);
        p.drawText(rect, grid.Cells(col, row));
    };
    QImage image(grid.size(), QImage::Format_ARGB32);
    grid.render(&image);
    ASSERT_FALSE(calls.empty());
    EXPECT_LE(calls.size(), 11u * 4u); // hidden columns (width 0) are not drawn either  // the visible rows' visible
                                       // columns, not 50,000 rows
    bool sawText = false;
    for (const Call& c : calls) {
        EXPECT_GE(c.row, grid.TopRow());
        EXPECT_LE(c.row, grid.TopRow() + 10);
        EXPECT_EQ(c.selected, c.row == 1000) << c.row;
        if (c.row == 1000 && c.col == 0)
            sawText = c.text == "보이는 줄";
    }
    EXPECT_TRUE(sawText);
}

TEST(StringGrid, CellSelectFramesTheFocusedCellInsteadOfHighlighting)
{
    TStringGrid grid;
    grid.SetRowSelect(false);
    grid.SetDefaultRowHeight(19);
    grid.SetColCount(2);
    grid.SetRowCount(5);
    grid.resize(200, 150);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.SetRow(3);
    grid.SetCol(1);
    EXPECT_FALSE(grid.selectionModel()->isSelected(grid.Model()->index(3, 0))) << "only the cell, not the row";

    struct State {
        bool selected = false, focused = false;
    };
    std::map<std::pair<int, int>, State> seen;
    grid.OnDrawCell = [&](int col, int row, QPainter&, const QRect&, bool selected, bool focused) {
        seen[{ col, row }] = { selected, focused };
    };
    QImage image(grid.size(), QImage::Format_ARGB32);

    grid.clearFocus();
    grid.render(&image);
    EXPECT_TRUE(seen[std::make_pair(1, 3)].selected) << "without focus the current cell is highlighted";
    EXPECT_FALSE(seen[std::make_pair(0, 3)].selected);

    grid.activateWindow();
    grid.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    seen.clear();
    grid.render(&image);
    EXPECT_FALSE(seen[std::make_pair(1, 3)].selected);
    EXPECT_TRUE(seen[std::make_pair(1, 3)].focused);
    EXPECT_FALSE(seen[std::make_pair(0, 3)].focused);
}
