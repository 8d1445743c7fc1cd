// The login window driven by keys against the demo service on loopback, with
// every message box recorded.

#include "DataModule.h"
#include "DemoServer.h"
#include "IniFile.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "TFrmSecModi.h"
#include "TFrmSecS.h"
#include "TImageButton.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>

using namespace order;

namespace {

const QString kMemberUnknown = QString::fromUtf8("등록된 거래처 아이디가 아닙니다.\r\r아이디를 확인하십시요.");
const QString kNoOrders = QString::fromUtf8("주문을 받을수 없는 거래처 아이디입니다.\r\r아이디를 확인하십시요.");
const QString kCustomerUnknown
    = QString::fromUtf8("등록된 주문자 아이디가 아닙니다.\r\r아이디를 확인하십시요.\r\r아니면 등록을 요청하십시요.");
const QString kWrongPassword = QString::fromUtf8("주문자 비밀번호가 틀립니다.");
const QString kNotConfirmed = QString::fromUtf8("확인되지 않은 주문자 아이디입니다.\r\r아이디를 확인하십시요.");
const QString kReadErrorHead = QString::fromUtf8("읽기 오류입니다\r\r");
const QString kReadErrorTail = QString::fromUtf8("\r\r인터넷 사용가능 여부를 확인하십시요.");

QString Welcome(const char* shopName)
{
    return QString::fromUtf8(shopName)
        + QString::fromUtf8("  주문자님\r\r딩동주문\r\r주문시스템에 오신것을 환영합니다.\r\r다음 화면에서\r\r"
                            "사용할 비밀번호를 먼저 등록해주십시요.");
}

// A loopback port that nothing listens on.
int DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// Runs action once the dialog behind the global pointer exists and is shown,
// from zero-delay timers, so that it runs inside the dialog's own loop.
template <typename Dialog> void WhenShown(Dialog* const& global, std::function<void(Dialog*)> action, int tries = 500)
{
    QTimer::singleShot(0, [&global, action, tries]() {
        if (global && global->isVisible())
            action(global);
        else if (tries > 0)
            WhenShown(global, action, tries - 1);
    });
}

void Type(QWidget* window, const QString& text)
{
    QWidget* w = window->focusWidget();
    ASSERT_NE(w, nullptr);
    QTest::keyClicks(w, text);
}

void Press(QWidget* window, Qt::Key key)
{
    QWidget* w = window->focusWidget();
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, key);
}

// One demo service for the whole program (stopping one waits for the
// client's kept-alive connection to time out); each test puts back the rows
// that tests change.
class LoginWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        suiteDir_ = new QTemporaryDir();
        ASSERT_TRUE(suiteDir_->isValid());
        demo::DemoServerOptions options;
        options.dbPath = DbPath().toStdString();
        server_ = new demo::DemoServer(options);
        ASSERT_TRUE(server_->Start("127.0.0.1", 0));
        // Members the seed data does not have: one on an unknown database
        // type, one whose key is longer than the login value can hold (so the
        // customer look-up is refused by the service), one with long texts.
        Sql("INSERT INTO members VALUES ('000005', 'ODDDB', '다른 시스템 거래처', '0', '7')");
        Sql("INSERT INTO members VALUES ('0000099', 'GHOST', '유령 거래처', '1', '1')");
        // 22 Hangul syllables: 44 bytes in code page 949.
        Sql("INSERT INTO members VALUES ('000004', 'LONGMEMBERID1', "
            "'가나다라마바사아자차카타파하가나다라마바사아', '1', '0')");
        Sql("INSERT INTO customers VALUES ('000004', '000401', 'LONGSHOP', "
            "'가나다라마바사아자차카타파하가나다라마바사아', '1357', '0', '1', '0', '', '', ' B ')");
    }

    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
        delete suiteDir_;
        suiteDir_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ProgramDir = dir_.path() + QLatin1Char('/');
        UseService(server_->HostPort());
        Sql("UPDATE customers SET C_SS = '', C_MGU = '1' WHERE M_CODE = '000001' AND C_ID = 'SHOP04'");
        Sql("UPDATE customers SET C_SS = '3690' WHERE M_CODE = '000001' AND C_ID = 'SHOP03'");
        Sql("UPDATE customers SET C_MGU = '1' WHERE M_CODE = '000001' AND C_ID = 'SHOP01'");
    }

    void TearDown() override
    {
        delete FrmSecModi;
        delete FrmSecS;
        dm_.reset();
        qunsetenv("ORDER_SERVICE_HOST");
        ProgramDir.clear();
    }

    static QString DbPath() { return suiteDir_->path() + QStringLiteral("/demo.db"); }

    static void UseService(const std::string& hostPort)
    {
        qputenv("ORDER_SERVICE_HOST", QByteArray::fromStdString(hostPort));
    }

    // user.ini with the remembered ids, then the data module reading it.
    void StartWith(const char* memberId, const char* customerId)
    {
        IniFile ini(UserIni().toStdString());
        ini.WriteString("MASTER", "ID", memberId);
        ini.WriteString("CUSTOMER", "ID", customerId);
        ASSERT_TRUE(ini.Save());
        dm_ = std::make_unique<TDM>();
    }

    QString UserIni() const { return dir_.path() + QStringLiteral("/user.ini"); }

    static void Sql(const char* statement)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(DbPath().toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, statement, nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    // Shows a new login window the way a user meets it.
    TFrmSecS* Open()
    {
        auto* w = new TFrmSecS();
        w->show();
        w->activateWindow();
        QApplication::processEvents();
        return w;
    }

    // Fills both id boxes (replacing what is there) and the password, then
    // presses Enter in the password box.
    void LogIn(TFrmSecS* w, const QString& member, const QString& customer, const QString& password)
    {
        w->EdtMID->setFocus();
        w->EdtMID->selectAll();
        Type(w, member);
        Press(w, Qt::Key_Return);
        ASSERT_EQ(w->focusWidget(), w->EdtCID);
        w->EdtCID->selectAll();
        Type(w, customer);
        Press(w, Qt::Key_Return);
        ASSERT_EQ(w->focusWidget(), w->MEdtS);
        w->MEdtS->clear();
        Type(w, password);
        Press(w, Qt::Key_Return);
    }

    QString IniValue(const char* section) const
    {
        IniFile ini(UserIni().toStdString());
        ini.Load();
        return QString::fromStdString(ini.ReadString(section, "ID", "?"));
    }

    static inline QTemporaryDir* suiteDir_ = nullptr;
    static inline demo::DemoServer* server_ = nullptr;
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    MessageRecorder recorder_;
};

} // namespace

TEST_F(LoginWindow, LooksAsDesigned)
{
    StartWith("", "");
    TFrmSecS* w = Open();
    EXPECT_EQ(w->size(), QSize(656, 226));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->EdtMID->geometry(), QRect(513, 29, 114, 15));
    EXPECT_EQ(w->EdtCID->geometry(), QRect(513, 76, 114, 15));
    EXPECT_EQ(w->MEdtS->geometry(), QRect(513, 123, 114, 14));
    EXPECT_EQ(w->SBEsc->geometry(), QRect(408, 177, 102, 31));
    EXPECT_EQ(w->SBLogin->geometry(), QRect(518, 177, 102, 31));
    EXPECT_EQ(w->ImgL->geometry(), QRect(5, 5, 366, 216));
    EXPECT_EQ(w->ImgR->geometry(), QRect(376, 5, 275, 216));
    EXPECT_EQ(w->EdtMID->maxLength(), 13);
    EXPECT_EQ(w->MEdtS->maxLength(), 11);
    EXPECT_EQ(w->MEdtS->echoMode(), QLineEdit::Password);
    // Input method: the ids take Hangul, the password Latin letters and
    // digits without prediction.
    for (QLineEdit* e : { w->EdtMID, w->EdtCID })
        EXPECT_FALSE(e->inputMethodHints() & (Qt::ImhLatinOnly | Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText))
            << e->objectName().toStdString();
    EXPECT_TRUE(w->MEdtS->inputMethodHints().testFlags(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText | Qt::ImhHiddenText));
    EXPECT_EQ(w->MEdtS->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, w->MEdtS), '#');
    EXPECT_FALSE(w->SBLogin->mask().contains(QPoint(0, 0))); // round ends
    EXPECT_EQ(FrmSecS, w);
    // Tab order: member id, customer id, password, and round again.
    EXPECT_EQ(w->focusWidget(), w->EdtMID);
    Press(w, Qt::Key_Down);
    EXPECT_EQ(w->focusWidget(), w->EdtCID);
    Press(w, Qt::Key_Down);
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    Press(w, Qt::Key_Up);
    EXPECT_EQ(w->focusWidget(), w->EdtCID);
    Press(w, Qt::Key_Up);
    EXPECT_EQ(w->focusWidget(), w->EdtMID);
}

TEST_F(LoginWindow, DemoShopLogsInAndIsRemembered)
{
    StartWith("", "");
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    EXPECT_EQ(w->focusWidget(), w->EdtMID); // nothing remembered yet
    Type(w, QStringLiteral("nuri"));
    EXPECT_EQ(w->EdtMID->text(), QStringLiteral("NURI")); // upper-cased as typed
    Press(w, Qt::Key_Return);
    Type(w, QStringLiteral("shop01"));
    Press(w, Qt::Key_Return);
    Type(w, QStringLiteral("2580"));
    EXPECT_EQ(w->MEdtS->displayText(), QStringLiteral("####"));
    Press(w, Qt::Key_Return);

    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(recorder_.Texts().isEmpty()) << recorder_.Last().toStdString();
    EXPECT_EQ(DM->M_ID.get(), QStringLiteral("NURI"));
    EXPECT_EQ(DM->M_CODE.get(), QStringLiteral("000001"));
    EXPECT_EQ(DM->M_NAME.get(), QString::fromUtf8("누리식자재 도매센터"));
    EXPECT_EQ(DM->M_MGU.get(), QStringLiteral("0"));
    EXPECT_EQ(DM->M_DBTYPE.get(), QStringLiteral("0"));
    EXPECT_EQ(DM->C_ID.get(), QStringLiteral("SHOP01"));
    EXPECT_EQ(DM->C_CODE.get(), QStringLiteral("000101"));
    EXPECT_EQ(DM->C_NAME.get(), QString::fromUtf8("행복마트"));
    EXPECT_EQ(DM->C_SS.get(), QStringLiteral("2580"));
    EXPECT_EQ(DM->C_GUA.get() + DM->C_GUB.get() + DM->C_GUC.get(), QStringLiteral("010"));
    EXPECT_EQ(DM->C_MGU, QStringLiteral("A")); // "1" stands for the group "A"
    EXPECT_EQ(IniValue("MASTER"), QStringLiteral("NURI"));
    EXPECT_EQ(IniValue("CUSTOMER"), QStringLiteral("SHOP01"));

    // The window frees itself and clears the global reference.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FrmSecS, nullptr);

    // Next start: both ids are filled in and the password box has the focus.
    dm_ = std::make_unique<TDM>();
    TFrmSecS* again = Open();
    EXPECT_EQ(again->EdtMID->text(), QStringLiteral("NURI"));
    EXPECT_EQ(again->EdtCID->text(), QStringLiteral("SHOP01"));
    EXPECT_EQ(again->focusWidget(), again->MEdtS);
}

TEST_F(LoginWindow, IdsWithDashesAndBlanksAreLookedUpWithoutThem)
{
    StartWith("", "");
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    LogIn(w, QStringLiteral(" nu-ri "), QStringLiteral("sh-op-02 "), QStringLiteral("1470"));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_EQ(DM->M_ID.get(), QStringLiteral("NURI"));
    EXPECT_EQ(DM->C_ID.get(), QStringLiteral("SHOP02"));
    EXPECT_EQ(DM->C_MGU, QStringLiteral("A"));
    EXPECT_EQ(DM->C_GUA.get(), QStringLiteral("1"));
    // user.ini keeps the ids as typed.
    QFile f(UserIni());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("NU-RI"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SH-OP-02"))) << text.toStdString();
}

TEST_F(LoginWindow, LowerCasePasswordIsComparedUpperCased)
{
    Sql("UPDATE customers SET C_SS = 'KEY9' WHERE C_ID = 'SHOP03' AND M_CODE = '000001'");
    StartWith("NURI", "SHOP03");
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    Type(w, QStringLiteral("key9"));
    EXPECT_EQ(w->MEdtS->text(), QStringLiteral("KEY9"));
    Press(w, Qt::Key_Enter); // the keypad's Enter as well
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_EQ(DM->C_GUC.get(), QStringLiteral("1"));
}

struct FailureCase {
    const char* name;
    const char* member;
    const char* customer;
    const char* password;
    std::vector<QString> messages;
    const char* memberBoxAfter; // EdtMID after the messages
    const char* customerBoxAfter; // EdtCID after the messages
};

// Test names show the case name rather than its bytes.
void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class LoginFailures : public LoginWindow, public ::testing::WithParamInterface<FailureCase> { };

TEST_P(LoginFailures, ShowTheirMessagesAndStayOpen)
{
    const FailureCase& c = GetParam();
    StartWith("NURI", "SHOP01");
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    LogIn(w, QString::fromUtf8(c.member), QString::fromUtf8(c.customer), QString::fromUtf8(c.password));

    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(w->isVisible());
    const QStringList texts = recorder_.Texts();
    ASSERT_EQ(std::size_t(texts.size()), c.messages.size()) << texts.join(QStringLiteral(" | ")).toStdString();
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
        if (c.messages[i] == kReadErrorHead) {
            EXPECT_TRUE(texts[int(i)].startsWith(kReadErrorHead)) << texts[int(i)].toStdString();
            EXPECT_TRUE(texts[int(i)].endsWith(kReadErrorTail)) << texts[int(i)].toStdString();
            EXPECT_GT(texts[int(i)].size(), kReadErrorHead.size() + kReadErrorTail.size()); // the answer text
        } else {
            EXPECT_EQ(texts[int(i)], c.messages[i]) << i;
        }
    }
    for (const auto& r : recorder_.requests)
        EXPECT_EQ(r.buttons, MessageButtons::Ok);
    EXPECT_EQ(w->EdtMID->text(), QString::fromUtf8(c.memberBoxAfter));
    EXPECT_EQ(w->EdtCID->text(), QString::fromUtf8(c.customerBoxAfter));
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    EXPECT_EQ(IniValue("MASTER"), QStringLiteral("NURI")); // nothing remembered
    EXPECT_EQ(IniValue("CUSTOMER"), QStringLiteral("SHOP01"));
}

INSTANTIATE_TEST_SUITE_P(Table, LoginFailures,
    ::testing::Values(
        FailureCase { "MemberNotRegistered", "NOBODY", "SHOP01", "2580", { kMemberUnknown }, "NURI", "SHOP01" },
        FailureCase { "MemberTakesNoOrders", "MAEUL", "SHOP01", "1111", { kNoOrders }, "MAEUL", "SHOP01" },
        FailureCase {
            "MemberOnOtherDatabase", "ODDDB", "SHOP01", "2580", { kNoOrders, kNotConfirmed }, "ODDDB", "SHOP01" },
        FailureCase {
            "CustomerNotRegistered", "NURI", "SHOP77", "2580", { kCustomerUnknown, kNotConfirmed }, "NURI", "SHOP01" },
        FailureCase {
            "WrongPassword", "nu-ri", " shop-02", "2580", { kWrongPassword, kNotConfirmed }, "NURI", "SHOP02" },
        FailureCase { "PasswordForShopWithoutOne", "NURI", "SHOP04", "1234", { kWrongPassword, kNotConfirmed }, "NURI",
            "SHOP04" },
        FailureCase {
            "CustomerLookupRefused", "GHOST", "SHOP01", "2580", { kReadErrorHead, kNotConfirmed }, "GHOST", "SHOP01" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoginWindow, WrongPasswordEmptiesThePasswordBox)
{
    StartWith("NURI", "SHOP01");
    TFrmSecS* w = Open();
    Type(w, QStringLiteral("9999"));
    Press(w, Qt::Key_Return);
    EXPECT_EQ(w->MEdtS->text(), QString());
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    // A second attempt in the same window succeeds.
    QSignalSpy finished(w, &QDialog::finished);
    Type(w, QStringLiteral("2580"));
    Press(w, Qt::Key_Return);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
}

TEST_F(LoginWindow, UnreachableServiceIsAReadError)
{
    StartWith("NURI", "SHOP01");
    UseService("127.0.0.1:" + std::to_string(DeadPort()));
    TFrmSecS* w = Open();
    Type(w, QStringLiteral("2580"));
    Press(w, Qt::Key_Return);
    ASSERT_EQ(recorder_.Texts().size(), 1);
    EXPECT_TRUE(recorder_.Last().startsWith(kReadErrorHead + QStringLiteral("Open_PostRequest Error"))
        || recorder_.Last().startsWith(kReadErrorHead + QStringLiteral("Send_PostRequest Error")))
        << recorder_.Last().toStdString();
    EXPECT_TRUE(recorder_.Last().endsWith(kReadErrorTail));
    EXPECT_TRUE(w->isVisible());
}

TEST_F(LoginWindow, LoginValuesAreCutToTheirWidths)
{
    StartWith("", "");
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    LogIn(w, QStringLiteral("LONGMEMBERID1"), QStringLiteral("LONGSHOP"), QStringLiteral("1357"));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(DM->M_ID.get(), QStringLiteral("LONGMEMBERI"));
    EXPECT_EQ(DM->M_NAME.get(), QString::fromUtf8("가나다라마바사아자차카타파하가나다라마바"));
    EXPECT_EQ(DM->C_NAME.get(), QString::fromUtf8("가나다라마바사아자차카타파하가나다라마바"));
    EXPECT_EQ(DM->C_MGU, QStringLiteral("B")); // trimmed, kept
    EXPECT_EQ(IniValue("MASTER"), QStringLiteral("LONGMEMBERID1"));
}

TEST_F(LoginWindow, EmptyProductGroupBecomesA)
{
    Sql("UPDATE customers SET C_MGU = '   ' WHERE C_ID = 'SHOP01' AND M_CODE = '000001'");
    StartWith("NURI", "SHOP01");
    TFrmSecS* w = Open();
    Type(w, QStringLiteral("2580"));
    Press(w, Qt::Key_Return);
    EXPECT_EQ(DM->C_MGU, QStringLiteral("A"));
}

TEST_F(LoginWindow, SucceedsWithoutUserIniAndWritesNone)
{
    StartWith("NURI", "SHOP01");
    ASSERT_TRUE(QFile::remove(UserIni()));
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    Type(w, QStringLiteral("2580"));
    Press(w, Qt::Key_Return);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(QFile::exists(UserIni()));
}

TEST_F(LoginWindow, EscapeAndCancelButtonGiveResultTwo)
{
    StartWith("NURI", "SHOP01");
    {
        TFrmSecS* w = Open();
        QSignalSpy finished(w, &QDialog::finished);
        Press(w, Qt::Key_Escape);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), 2);
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    {
        TFrmSecS* w = Open();
        QSignalSpy finished(w, &QDialog::finished);
        QTest::mouseClick(w->SBEsc, Qt::LeftButton, {}, QPoint(51, 15));
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), 2);
    }
    EXPECT_TRUE(recorder_.Texts().isEmpty());
}

TEST_F(LoginWindow, LoginButtonLogsIn)
{
    StartWith("NURI", "SHOP01");
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    Type(w, QStringLiteral("2580"));
    QTest::mouseClick(w->SBLogin, Qt::LeftButton, {}, QPoint(51, 15));
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
}

// The way the main window uses it: exec() returns 1 and the window is gone.
TEST_F(LoginWindow, ModalRunReturnsOkAndFreesTheWindow)
{
    StartWith("NURI", "SHOP02");
    WhenShown<TFrmSecS>(FrmSecS, [](TFrmSecS* w) {
        Type(w, QStringLiteral("1470"));
        Press(w, Qt::Key_Return);
    });
    auto* w = new TFrmSecS();
    const int result = w->exec();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(FrmSecS, nullptr);
    EXPECT_EQ(DM->C_CODE.get(), QStringLiteral("000102"));
}

TEST_F(LoginWindow, ModalRunCancelledReturnsTwo)
{
    StartWith("NURI", "SHOP02");
    WhenShown<TFrmSecS>(FrmSecS, [](TFrmSecS* w) { Press(w, Qt::Key_Escape); });
    auto* w = new TFrmSecS();
    EXPECT_EQ(w->exec(), 2);
    EXPECT_EQ(FrmSecS, nullptr);
}

// A shop without a password is welcomed, registers one in the password window
// and logs in with it the next time.
TEST_F(LoginWindow, ShopWithoutPasswordRegistersOne)
{
    StartWith("NURI", "SHOP04");
    QPoint modiPos;
    QPoint loginPos;
    QString caption;
    QString mode;
    recorder_.onShow = [&](const MessageRequest& r) {
        if (r.text != Welcome("새봄상회"))
            return;
        WhenShown<TFrmSecModi>(FrmSecModi, [&](TFrmSecModi* m) {
            modiPos = m->pos();
            loginPos = FrmSecS->pos();
            caption = m->SBSec1->text();
            mode = m->Mode;
            Type(m, QStringLiteral("5821"));
            Press(m, Qt::Key_Return);
            Type(m, QStringLiteral("5821"));
            Press(m, Qt::Key_Return);
        });
    };
    WhenShown<TFrmSecS>(FrmSecS, [](TFrmSecS* w) {
        ASSERT_EQ(w->focusWidget(), w->MEdtS);
        Press(w, Qt::Key_Return); // empty password box
    });
    auto* w = new TFrmSecS();
    EXPECT_EQ(w->exec(), 1);
    EXPECT_EQ(recorder_.Texts(), QStringList { Welcome("새봄상회") });
    EXPECT_EQ(mode, QStringLiteral("NEW"));
    EXPECT_EQ(caption, QString::fromUtf8("등록할 비밀번호"));
    EXPECT_EQ(modiPos - loginPos, QPoint(80, 20));
    EXPECT_EQ(DM->C_SS.get(), QStringLiteral("5821"));
    EXPECT_EQ(FrmSecModi, nullptr);

    // Next time the new password is asked for, and an empty box is refused.
    recorder_.Clear();
    recorder_.onShow = nullptr;
    dm_ = std::make_unique<TDM>();
    TFrmSecS* again = Open();
    QSignalSpy finished(again, &QDialog::finished);
    Press(again, Qt::Key_Return);
    EXPECT_EQ(recorder_.Texts(), (QStringList { kWrongPassword, kNotConfirmed }));
    Type(again, QStringLiteral("5821"));
    Press(again, Qt::Key_Return);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
}

TEST_F(LoginWindow, CancelledRegistrationRefusesTheLogin)
{
    StartWith("NURI", "SHOP04");
    recorder_.onShow = [&](const MessageRequest& r) {
        if (r.text == Welcome("새봄상회"))
            WhenShown<TFrmSecModi>(FrmSecModi, [](TFrmSecModi* m) { Press(m, Qt::Key_Escape); });
    };
    TFrmSecS* w = Open();
    QSignalSpy finished(w, &QDialog::finished);
    Press(w, Qt::Key_Return);
    // The password window runs modally inside the key press above.
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(recorder_.Texts(), (QStringList { Welcome("새봄상회"), kNotConfirmed }));
    EXPECT_EQ(FrmSecModi, nullptr);
    EXPECT_TRUE(DM->C_SS.isEmpty());
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    // The service still has no password for the shop.
    std::string answer;
    LookupCustomer("000001", BuildTag("SAME_FIELD", "C_ID") + BuildTag("SAME_KEY", "SHOP04"), answer);
    EXPECT_EQ(ExtractTag("C_SS", ExtractTag("RDC_0", answer)), "");
    EXPECT_EQ(ExtractTag("C_NAME", ExtractTag("RDC_0", answer)), "새봄상회");
}
