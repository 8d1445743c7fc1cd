// What keeps an order from being lost, sent twice or sent with a slip of
// the finger, through the main window against the demo service: the local
// draft (also across a killed client process), the tenfold-quantity
// question and the look for a stored copy after a lost answer.

#include "MainWindowSupport.h"

#include "../service/LoopbackServer.h"

#include "OrderDraft.h"
#include "ServiceCalls.h"
#include "TCEdit.h"
#include "TFrmCnt.h"
#include "TFrmOrderS.h"
#include "TagMessage.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>

using namespace order;
using namespace order_test;

namespace {

class OrderSafety : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(work_.isValid());
        WorkDir = work_.path() + QLatin1Char('/');
    }
    void TearDown() override
    {
        server_.Use();
        MainWindowTest::TearDown();
        WorkDir.clear();
    }

    // Lets the draft of the last change be written.
    void Settle()
    {
        QTest::qWait(0);
        main_->FlushDraft();
    }

    QString Draft(const char* customer = "000101") const
    {
        return DraftPath(WorkDir, QStringLiteral("000001"), QString::fromLatin1(customer));
    }

    // Closes the window the way a crash does: no exit question, no clear.
    void Crash()
    {
        Settle();
        main_->hide();
        main_.reset();
        dm_ = std::make_unique<TDM>();
    }

    int StoredOrders()
    {
        std::string a;
        ListOrders("000001",
            BuildTag("WHERE_OPTION", " OH_CC = '000101' AND OH_IOG <> 'S' ")
                + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"),
            a);
        return int(RecordCount(a));
    }

    QTemporaryDir work_;
    const QString kQuestion = QString::fromUtf8("작성중이던 주문이 있습니다.\r\r불러오시겠습니까?");
    const QString kSent
        = QString::fromUtf8("주문 내용을 전송하였습니다.\r\r[주문열기]를 클릭하여 내용을 학인하십시요.");
};

struct Shown {
    QStringList cells;
    QString dd, note, code;
    OrderStatus state = OrderStatus::None;
    bool writing = false;
    int count = 0;
    QString total;
};

Shown Snapshot(TFrmMain* w)
{
    Shown s;
    for (int r = 0; r < w->SGS->RowCount() && !w->SGS->Cells(9, r).isEmpty(); ++r)
        for (int c = 0; c < 10; ++c)
            s.cells << w->SGS->Cells(c, r);
    s.dd = w->EdtDD->text();
    s.note = w->EdtNote->text();
    s.code = w->Order.OrderCode;
    s.state = w->Order.OrderState;
    s.writing = w->ChkBxIOG->isChecked();
    s.count = w->Order.SendCount;
    s.total = w->CEdtSum->text();
    return s;
}

void ExpectSame(const Shown& a, const Shown& b)
{
    EXPECT_EQ(a.cells, b.cells);
    EXPECT_EQ(a.dd, b.dd);
    EXPECT_EQ(a.note, b.note);
    EXPECT_EQ(a.code, b.code);
    EXPECT_EQ(a.state, b.state);
    EXPECT_EQ(a.writing, b.writing);
    EXPECT_EQ(a.count, b.count);
    EXPECT_EQ(a.total, b.total);
}

} // namespace

TEST_F(OrderSafety, DraftComesBackExactlyAfterACrash)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    // An opened order with its identity and count, then changed.
    WhenShown<TFrmOrderS>(FrmOrderS, [](TFrmOrderS* l) {
        EXPECT_TRUE(QTest::qWaitFor([l] { return !l->FirstActivate(); }, 5000));
        for (int r = 0; r < l->SGG->RowCount(); ++r)
            if (l->SGG->Cells(3, r) == QLatin1String("A"))
                l->SGG->SetRow(r);
        QTest::keyClick(l->SGG, Qt::Key_Return);
    });
    Press(Qt::Key_F3);
    Activate();
    ASSERT_FALSE(w->Order.OrderCode.isEmpty());
    AddTraded(9, QStringLiteral("4"));
    w->AddDirectLine(QStringLiteral("직접\t품목"), QStringLiteral("EA"), QStringLiteral("3"), QStringLiteral("메모"));
    w->EdtNote->setText(QStringLiteral("LATE"));
    w->ChkBxIOG->setChecked(true);
    const Shown before = Snapshot(w);
    Crash();
    ASSERT_TRUE(QFile::exists(Draft()));

    int noticesAtQuestion = -1;
    messages_.onShow = [&](const MessageRequest& r) {
        if (r.text == kQuestion)
            noticesAtQuestion = noticesShown_;
    };
    w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(noticesAtQuestion, 0) << "asked before the notices";
    EXPECT_EQ(noticesShown_, 1);
    ExpectSame(Snapshot(w), before);
    EXPECT_TRUE(QFile::exists(Draft())) << "still the order on screen";

    // The shop's own clear drops it.
    Press(Qt::Key_F9);
    Settle();
    EXPECT_FALSE(QFile::exists(Draft()));
}

TEST_F(OrderSafety, NoDropsTheDraftAndOtherShopsNeverSeeIt)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddTraded(1, QStringLiteral("2"));
    Crash();
    messages_.Clear();
    w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(messages_.Texts().contains(kQuestion));
    EXPECT_EQ(Lines(), 0);
    EXPECT_TRUE(QFile::exists(Draft("000101")));
    Crash();
    messages_.script = { MessageAnswer::No };
    w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(messages_.Texts().contains(kQuestion));
    EXPECT_EQ(Lines(), 0);
    EXPECT_FALSE(QFile::exists(Draft()));
}

TEST_F(OrderSafety, SendAndExitWithYesDropTheDraftABrokenOneIsSetAside)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddTraded(2, QStringLiteral("2"));
    Settle();
    ASSERT_TRUE(QFile::exists(Draft()));
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);
    Settle();
    EXPECT_FALSE(QFile::exists(Draft()));

    AddTraded(2, QStringLiteral("2"));
    Settle();
    ASSERT_TRUE(QFile::exists(Draft()));
    messages_.script = { MessageAnswer::Yes };
    Press(Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(QFile::exists(Draft()));
    Crash();

    // A cut draft and a stray temporary file: the start goes on, the draft
    // is kept aside.
    QFile cut(Draft());
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write("ORDER-DRAFT 1\nM_CODE\t000001\nC_CO");
    cut.close();
    QFile stray(Draft() + ".tmp");
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.write("ORDER-DR");
    stray.close();
    messages_.Clear();
    w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(messages_.Texts().contains(kQuestion));
    EXPECT_FALSE(QFile::exists(Draft()));
    EXPECT_FALSE(QFile::exists(Draft() + ".tmp"));
    EXPECT_EQ(QDir(work_.path()).entryList({ "order-draft-000001-000101.txt.bad-*" }).size(), 1);
}

namespace {

// What the draft on disk holds, in the child's words: lines, note, date, box.
QString DraftOnDisk(const QString& path)
{
    QFile f(path);
    OrderDraft d;
    if (!f.open(QIODevice::ReadOnly) || !ParseDraft(f.readAll(), d))
        return QString();
    return QStringLiteral("%1|%2|%3|%4")
        .arg(d.order.Lines.size())
        .arg(d.order.Note, d.order.DeliveryDate)
        .arg(d.order.StillWriting ? 1 : 0);
}

} // namespace

TEST_F(OrderSafety, KilledClientGetsItsOrderBack)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORDER_SERVICE_HOST", QString::fromStdString(server_->HostPort()));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(DRAFT_CHILD_PATH), { work_.path(), "SHOP01", "2580", "12" });
    ASSERT_TRUE(child.waitForStarted(10000));
    // Every change the child makes must reach the draft file by itself: the
    // child never asks for a flush and waits after each change until it has
    // been found on disk. After the last one it is killed straight away.
    QByteArray out;
    int changes = 0;
    QStringList shown; // the lines the child's screen held at the end
    for (;;) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                out += child.readAllStandardOutput();
                return out.contains('\n') || child.state() == QProcess::NotRunning;
            },
            60000));
        ASSERT_TRUE(out.contains('\n')) << child.readAllStandardError().toStdString();
        const qsizetype end = out.indexOf('\n');
        const QByteArray line = out.left(end);
        if (line == "READY")
            break;
        out.remove(0, end + 1);
        if (line.startsWith("LINE "))
            shown << QString::fromUtf8(line.mid(5));
        if (!line.startsWith("CHANGE "))
            continue;
        const QString change = QString::fromUtf8(line.mid(7));
        ASSERT_TRUE(QTest::qWaitFor([&] { return DraftOnDisk(Draft()) == change; }, 10000))
            << "change " << changes << ": " << change.toStdString() << " on screen, "
            << DraftOnDisk(Draft()).toStdString() << " on disk";
        ++changes;
        child.write("\n");
    }
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(changes, 14);
    EXPECT_EQ(DraftOnDisk(Draft()), QStringLiteral("12|BACK DOOR|261231|1"));
    ASSERT_EQ(shown.size(), 12);

    messages_.script = { MessageAnswer::Yes };
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(messages_.Texts().contains(kQuestion));
    QStringList restored;
    for (int r = 0; r < Lines(); ++r)
        restored << w->SGS->Cells(9, r) + "|" + w->SGS->Cells(1, r) + "|" + w->SGS->Cells(3, r) + "|"
                + w->SGS->Cells(4, r);
    EXPECT_EQ(restored, shown);
    EXPECT_EQ(w->EdtNote->text(), QStringLiteral("BACK DOOR"));
    EXPECT_EQ(w->EdtDD->text(), QStringLiteral("261231"));
    EXPECT_TRUE(w->ChkBxIOG->isChecked());
}

TEST_F(OrderSafety, TenfoldQuantityIsQuestioned)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const QString usual = w->SGG->Cells(6, 4).trimmed();
    ASSERT_FALSE(usual.isEmpty());
    const QString tenfold = QString::number(usual.toInt() * 10);
    AddTraded(4, tenfold);
    AddTraded(5, QStringLiteral("1"));
    const QString question = QString::fromUtf8("평소보다 많은 수량이 있습니다.\r\r") + w->SGS->Cells(1, 0) + "  "
        + tenfold + QString::fromUtf8(" (평소 ") + usual + QString::fromUtf8(")\r\r그대로 전송하시겠습니까?");
    const int stored = StoredOrders();
    const std::uint64_t calls = Calls();
    messages_.script = { MessageAnswer::No };
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), question);
    EXPECT_EQ(Calls(), calls) << "nothing was sent";
    EXPECT_EQ(w->Order.SendCount, 0);
    EXPECT_EQ(Lines(), 2);
    messages_.script = { MessageAnswer::Yes };
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);
    EXPECT_EQ(StoredOrders(), stored + 1);

    // Lines without a usual quantity never ask, however large.
    messages_.Clear();
    w->AddDirectLine(QStringLiteral("직접"), QStringLiteral("EA"), QStringLiteral("99999"), QString());
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Texts(), QStringList { kSent });
}

// The relay lets the service store the order and then closes the connection
// without a byte of the answer: on the connection the log-in's look-ups kept
// alive, and on a connection that the send opens (a front on a new port).
TEST_F(OrderSafety, LostAnswerIsNotStoredTwiceUnlessTheShopSaysSo)
{
    testsupport::RecordingFront front(server_->Port());
    const auto point = [](const testsupport::RecordingFront& f) {
        qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(f.Port()));
    };
    point(front);
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    for (const bool keptAlive : { true, false }) {
        for (const MessageAnswer answer : { MessageAnswer::No, MessageAnswer::Yes }) {
            const char* where = keptAlive ? "kept-alive" : "fresh";
            AddTraded(6, QStringLiteral("2"));
            AddTraded(7, QStringLiteral("3"));
            w->EdtNote->setText(QStringLiteral("ONCE"));
            const int stored = StoredOrders();
            testsupport::RecordingFront fresh(server_->Port());
            testsupport::RecordingFront& relay = keptAlive ? front : fresh;
            point(relay);
            relay.DropNextAnswer("/NET/Order.php", true);
            Press(Qt::Key_F7);
            EXPECT_TRUE(messages_.Last().startsWith(QString::fromUtf8("주문 전송 실패입니다.")))
                << where << ": " << messages_.Last().toStdString();
            EXPECT_EQ(StoredOrders(), stored + 1) << where;
            EXPECT_TRUE(w->Order.LostSendSince.isValid()) << where;
            EXPECT_EQ(Lines(), 2) << where;

            messages_.Clear();
            messages_.script = { answer };
            Press(Qt::Key_F7);
            const QStringList texts = messages_.Texts();
            ASSERT_EQ(texts.size(), 2) << where;
            EXPECT_TRUE(texts[0].startsWith(QString::fromUtf8("같은 내용의 주문이 이미 전송되어 있습니다. (")));
            EXPECT_TRUE(texts[0].endsWith(QString::fromUtf8(")\r\r다시 전송하시겠습니까?")));
            EXPECT_EQ(texts[0].mid(texts[0].indexOf('(') + 1, 5).size(), 5);
            EXPECT_EQ(texts[1], kSent);
            EXPECT_EQ(Lines(), 0);
            EXPECT_EQ(StoredOrders(), stored + (answer == MessageAnswer::No ? 1 : 2)) << where;
            point(front);
        }
    }

    // Lost before the service stored anything: the next F7 just sends.
    AddTraded(6, QStringLiteral("2"));
    w->EdtNote->setText(QStringLiteral("JUST"));
    const int stored = StoredOrders();
    front.DropNextAnswer("/NET/Order.php", false);
    Press(Qt::Key_F7);
    EXPECT_EQ(StoredOrders(), stored);
    messages_.Clear();
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Texts(), QStringList { kSent });
    EXPECT_EQ(StoredOrders(), stored + 1);
}

TEST_F(OrderSafety, LostAnswerIsRememberedAcrossACrash)
{
    testsupport::RecordingFront front(server_->Port());
    qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(front.Port()));
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddTraded(8, QStringLiteral("2"));
    w->EdtNote->setText(QStringLiteral("AFTER RESTART"));
    const int stored = StoredOrders();
    front.DropNextAnswer("/NET/Order.php", true);
    Press(Qt::Key_F7);
    EXPECT_EQ(StoredOrders(), stored + 1);
    Crash();

    messages_.Clear();
    messages_.script = { MessageAnswer::Yes, MessageAnswer::No };
    w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Order.LostSendSince.isValid());
    Press(Qt::Key_F7);
    const QStringList texts = messages_.Texts();
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts[0], kQuestion);
    EXPECT_TRUE(texts[1].startsWith(QString::fromUtf8("같은 내용의 주문이 이미 전송되어 있습니다.")));
    EXPECT_EQ(texts.back(), kSent);
    EXPECT_EQ(StoredOrders(), stored + 1);
}
