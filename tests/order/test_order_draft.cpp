// The local draft file and the send guards without a window: the draft's
// text both ways, broken and interrupted drafts, file names, the tenfold
// quantity rule, and finding an order stored by a send whose answer was
// lost.

#include "Helpers.h"
#include "OrderDraft.h"
#include "OrderLogic.h"
#include "ProductListLogic.h"
#include "QStringPrinter.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace order;

namespace {

OrderDraft Sample()
{
    OrderDraft d;
    d.member = QStringLiteral("000001");
    d.customer = QStringLiteral("000101");
    OrderOnScreen& o = d.order;
    o.OrderCode = QStringLiteral("00000012");
    o.OrderDate = QStringLiteral("261207");
    o.OrderTime = QStringLiteral("0915");
    o.OrderState = OrderStatus::Writing;
    o.SendCount = -3;
    o.DeliveryDate = QStringLiteral("261224");
    o.Note = QStringLiteral("뒷문\t\\ 두고 \r\n가세요");
    o.StillWriting = true;
    o.LostSendSince = QDateTime(QDate(2026, 12, 8), QTime(10, 5, 30));
    o.Lines = { { "100001", "신라면 120g", "BOX", "1.5", "빨리" }, { "YZ", "직접\\t 품목", "E\tA", "1000", "" } };
    return d;
}

bool Same(const OrderDraft& da, const OrderDraft& db)
{
    const OrderOnScreen &a = da.order, &b = db.order;
    if (a.Lines.size() != b.Lines.size())
        return false;
    for (std::size_t i = 0; i < a.Lines.size(); ++i) {
        const OrderItem &x = a.Lines[i], &y = b.Lines[i];
        if (x.code != y.code || x.name != y.name || x.unit != y.unit || x.qty != y.qty || x.note != y.note)
            return false;
    }
    return da.member == db.member && da.customer == db.customer && a.OrderCode == b.OrderCode
        && a.OrderDate == b.OrderDate && a.OrderTime == b.OrderTime && a.OrderState == b.OrderState
        && a.SendCount == b.SendCount && a.DeliveryDate == b.DeliveryDate && a.Note == b.Note
        && a.StillWriting == b.StillWriting && a.LostSendSince == b.LostSendSince;
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(OrderDraftText, RoundTripKeepsEveryCharacter)
{
    const QByteArray text = FormatDraft(Sample());
    EXPECT_TRUE(text.startsWith("ORDER-DRAFT 1\nM_CODE\t000001\n"));
    EXPECT_TRUE(text.endsWith("END\t2\n"));
    EXPECT_EQ(text.count('\n'), 1 + 11 + 2 + 1) << "escaped line breaks stay inside their record";
    EXPECT_TRUE(text.contains("\nLostSince\t2026-12-08T10:05:30\n"));
    OrderDraft back;
    ASSERT_TRUE(ParseDraft(text, back));
    EXPECT_TRUE(Same(back, Sample()));
}

TEST(OrderDraftText, EveryCutOrForeignTextIsRefused)
{
    const QByteArray text = FormatDraft(Sample());
    OrderDraft d;
    for (qsizetype n = 0; n < text.size(); ++n)
        EXPECT_FALSE(ParseDraft(text.left(n), d)) << "cut at " << n;
    struct Case {
        const char* what;
        QByteArray text;
    };
    QByteArray hundred = FormatDraft(OrderDraft {});
    {
        OrderDraft big;
        for (int i = 0; i < 100; ++i)
            big.order.Lines.push_back({ QString::number(100000 + i), "n", "u", "1", "" });
        hundred = FormatDraft(big);
    }
    const Case cases[] = {
        { "another version", QByteArray(text).replace("ORDER-DRAFT 1", "ORDER-DRAFT 2") },
        { "count not a number", QByteArray(text).replace("SendCount\t-3", "SendCount\tx") },
        { "count beyond 16 bits", QByteArray(text).replace("SendCount\t-3", "SendCount\t40000") },
        { "box neither 0 nor 1", QByteArray(text).replace("ChkBxIOG\t1", "ChkBxIOG\t2") },
        { "lost time not a time", QByteArray(text).replace("T10:05:30", "T25:05:30") },
        { "unknown escape", QByteArray(text).replace("BOX", "B\\qX") },
        { "lines not as counted", QByteArray(text).replace("END\t2", "END\t3") },
        { "a line without a code", QByteArray(text).replace("LINE\t100001", "LINE\t") },
        { "more lines than an order holds", hundred },
        { "empty", QByteArray() },
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ParseDraft(c.text, d)) << c.what;
}

TEST(OrderDraftFile, NamesKeepCodesApart)
{
    EXPECT_EQ(DraftPath("/w/", "000001", "000101"), QStringLiteral("/w/order-draft-000001-000101.txt"));
    const QString odd = DraftPath("/w/", "../a", "b/c");
    EXPECT_EQ(odd, QStringLiteral("/w/order-draft-_2e_2e_2fa-b_2fc.txt"));
    EXPECT_NE(DraftPath("/w/", "A-B", "C"), DraftPath("/w/", "A", "B-C"));
}

TEST(OrderDraftFile, WrittenWholeAndReadBack)
{
    QTemporaryDir dir;
    const QString path = DraftPath(dir.path() + "/", "000001", "000101");
    OrderDraft older = Sample();
    older.order.Lines.pop_back();
    ASSERT_TRUE(WriteFileAtomically(path, FormatDraft(older)));
    ASSERT_TRUE(WriteFileAtomically(path, FormatDraft(Sample()))) << "over the draft before";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QFileInfo(path).fileName() })
        << "no temporary file left beside it";
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
        QFile::Permissions()) << "the shop's orders are its own";
    OrderDraft d;
    EXPECT_EQ(LoadDraft(path, "000001", "000101", d), DraftLoad::Loaded);
    EXPECT_TRUE(Same(d, Sample()));
    EXPECT_EQ(LoadDraft(DraftPath(dir.path() + "/", "000001", "000102"), "000001", "000102", d), DraftLoad::None);
}

TEST(OrderDraftFile, InterruptedWriteLeavesThePreviousDraft)
{
    QTemporaryDir dir;
    const QString path = DraftPath(dir.path() + "/", "000001", "000101");
    ASSERT_TRUE(WriteFileAtomically(path, FormatDraft(Sample())));
    // Killed between writing the new text and renaming it: QSaveFile's
    // temporary file where the file system cannot keep it nameless, and the
    // one an earlier version of the program wrote.
    for (const QString& temporary : { path + ".Ab3xYz", path + ".tmp" }) {
        QFile tmp(temporary);
        ASSERT_TRUE(tmp.open(QIODevice::WriteOnly));
        tmp.write(FormatDraft(OrderDraft {}).left(20));
    }
    OrderDraft d;
    EXPECT_EQ(LoadDraft(path, "000001", "000101", d), DraftLoad::Loaded);
    EXPECT_TRUE(Same(d, Sample()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QFileInfo(path).fileName() });
}

TEST(OrderDraftFile, BrokenOrForeignDraftIsMovedAside)
{
    QTemporaryDir dir;
    const QString path = DraftPath(dir.path() + "/", "000001", "000101");
    const QByteArray cut = FormatDraft(Sample()).left(40);
    OrderDraft other = Sample();
    other.customer = QStringLiteral("000102");
    for (const QByteArray& content : { cut, FormatDraft(other) }) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        OrderDraft d;
        EXPECT_EQ(LoadDraft(path, "000001", "000101", d), DraftLoad::Broken);
        EXPECT_FALSE(QFile::exists(path));
        const QStringList aside = QDir(dir.path()).entryList({ "order-draft-000001-000101.txt.bad-*" });
        ASSERT_FALSE(aside.isEmpty());
        EXPECT_EQ(Read(dir.path() + "/" + aside.back()), content);
        for (const QString& name : aside)
            QFile::remove(dir.path() + "/" + name);
    }
}

namespace {

void Lines(TStringGridModel& m, const std::vector<std::pair<QString, QString>>& codeQty)
{
    m.SetColCount(kLineColCount);
    m.SetRowCount(kLineRowCount);
    for (std::size_t i = 0; i < codeQty.size(); ++i)
        WriteLine(m, int(i), { codeQty[i].first, "제품" + codeQty[i].first, "BOX", codeQty[i].second, "", "" }, false);
}

void Traded(TStringGridModel& m, const std::vector<std::pair<QString, QString>>& codeUsual)
{
    m.SetColCount(kListColCount);
    m.SetRowCount(int(codeUsual.size()));
    for (std::size_t i = 0; i < codeUsual.size(); ++i) {
        m.SetCell(19, int(i), codeUsual[i].first);
        m.SetCell(6, int(i), codeUsual[i].second);
    }
}

} // namespace

TEST(TypoGuard, TenTimesTheUsualQuantityOrMore)
{
    TStringGridModel traded;
    Traded(traded, { { "1", "3" }, { "2", "2" }, { "3", "" }, { "4", "0" }, { "5", " 1.5 " }, { "2", "100" } });
    TStringGridModel lines;
    Lines(lines,
        { { "1", "30" }, { "2", "19.99" }, { "3", "1000" }, { "4", "1000" }, { "5", "1,500" }, { "YZ", "900" },
            { "9", "50" } });
    const std::vector<UnusualLine> u = UnusualQuantities(lines, traded, 19, 6);
    ASSERT_EQ(u.size(), 2u);
    EXPECT_EQ(u[0].name, QStringLiteral("제품1"));
    EXPECT_EQ(u[1].qty, QStringLiteral("1,500"));
    EXPECT_EQ(u[1].usual, QStringLiteral("1.5"));
    EXPECT_EQ(UnusualQuantityQuestion(u),
        QStringLiteral("평소보다 많은 수량이 있습니다.\r\r제품1  30 (평소 3)\r제품5  1,500 (평소 1.5)\r\r그대로 "
                       "전송하시겠습니까?"));
}

TEST(LostAnswer, TransportWordsAreNoAnswer)
{
    EXPECT_TRUE(IsTransportFailure("Send_PostRequest Error<CALL_INDEX>261208-3</CALL_INDEX>"));
    EXPECT_FALSE(IsTransportFailure("<RESULT_CODE>0</RESULT_CODE><RESULT_MESSAGE>no</RESULT_MESSAGE>"));
}

TEST(LostAnswer, OrdersStoredSinceTheFailedSend)
{
    auto rec = [](int i, const char* code, const char* sd, const char* at, const char* dd, const char* note) {
        return BuildTag(RecordName(i),
            BuildTag("OH_CODE", code) + BuildTag("OH_SD", sd) + BuildTag("OH_AT", at) + BuildTag("OH_DD", dd)
                + BuildTag("OH_NOTE", note));
    };
    const std::string list = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", "6")
        + rec(0, "16", "261208", "1004", "261224", "문앞") // clock 1 minute behind: still ours
        + rec(1, "15", "261208", "0958", "261224", "문앞") // before the send began
        + rec(2, "14", "261208", "1010", "", "문앞") // another delivery date
        + rec(3, "13", "261208", "1011", "261224", "뒷문") // another note
        + rec(4, "12", "261208", "10:1", "261224", "문앞") // no time
        + rec(5, "11", "261209", "0001", "261224", "문앞"); // after midnight
    const QDateTime since(QDate(2026, 12, 8), QTime(10, 5, 30));
    const std::vector<StoredOrder> found
        = OrdersStoredSince(list, since, QStringLiteral("261224"), QStringLiteral("  문앞 "));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].code, QStringLiteral("16"));
    EXPECT_EQ(found[0].time, QStringLiteral("10:04"));
    EXPECT_EQ(found[1].code, QStringLiteral("11"));
}

TEST(LostAnswer, SameLinesMeansCodesQuantitiesAndNotesInOrder)
{
    TStringGridModel lines;
    Lines(lines, { { "1", "2" }, { "YZ", "1,000" } });
    lines.SetCell(6, 1, QStringLiteral("note "));
    const std::vector<OrderItem> onScreen = LineItems(lines);
    ReadOrderAnswer stored;
    stored.order.Lines = { { "1", "", "", "2.0", "" }, { "YZ", "", "", "1000", "note" } };
    EXPECT_TRUE(SameLines(stored, onScreen));
    ReadOrderAnswer swapped = stored;
    std::swap(swapped.order.Lines[0], swapped.order.Lines[1]);
    ReadOrderAnswer qty = stored;
    qty.order.Lines[0].qty = "3";
    ReadOrderAnswer note = stored;
    note.order.Lines[1].note = "other";
    ReadOrderAnswer fewer = stored;
    fewer.order.Lines.pop_back();
    ReadOrderAnswer cut = stored;
    cut.complete = false;
    for (const ReadOrderAnswer* o : { &swapped, &qty, &note, &fewer, &cut })
        EXPECT_FALSE(SameLines(*o, onScreen));
}

TEST(OrderDraftFile, WriterKeepsTheNewestOperationPerFile)
{
    QTemporaryDir dir;
    const QString a = dir.path() + "/a.txt";
    const QString b = dir.path() + "/b.txt";
    {
        DraftWriter writer;
        for (int i = 0; i < 50; ++i) {
            writer.Write(a, QByteArray::number(i));
            writer.Remove(a);
            writer.Remove(b);
            writer.Write(b, QByteArray::number(i));
        }
        writer.Flush();
        EXPECT_FALSE(QFile::exists(a));
        EXPECT_EQ(Read(b), QByteArray("49"));
        writer.Write(a, "last");
    } // the writer finishes what it was given before it goes
    EXPECT_EQ(Read(a), QByteArray("last"));
}
