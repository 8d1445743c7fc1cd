// The password window driven by keys against the demo service: the prefix
// rules with their messages, the confirmation for letters, the service call
// and its refusal.

#include "DataModule.h"
#include "DemoServer.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "TFrmSecModi.h"
#include "TFrmSecS.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

using namespace order;

namespace {

const QString kMismatchNew = QString::fromUtf8("등록할 비밀번호와 재입력한 비밀번호가 일치하지 않습니다.");
const QString kMismatchModi = QString::fromUtf8("변경할 비밀번호와 재입력한 비밀번호가 일치하지 않습니다.");
const QString kTooShort = QString::fromUtf8("비밀번호의 최소 길이는 4자리 이상입니다.");
const QString kLetters
    = QString::fromUtf8("영문자나 특수기호를 사용하면\r\r스마트폰앱에서는 사용할 수 없습니다\r\r등록 하시겠습니까?");
const QString kErrorNew = QString::fromUtf8("비밀번호 등록 오류입니다.");
const QString kErrorModi = QString::fromUtf8("비밀번호 수정 오류입니다.");

QString Banned(const char* prefix)
{
    return QString::fromUtf8("앞 네자리에\r\r사용할 수 없는 번호입니다.\r\r") + QString::fromUtf8(prefix);
}
QString Pair(const char* a, const char* b)
{
    return QString::fromUtf8("첫 두자리와 다음 두자리는 같은 번호를\r\r사용할 수 없습니다.\r\r") + QString::fromUtf8(a)
        + QStringLiteral("  ") + QString::fromUtf8(b);
}
QString Run(const char* prefix)
{
    return QString::fromUtf8("앞 네자리는 연번호를\r\r사용할 수 없습니다.\r\r") + QString::fromUtf8(prefix);
}

int DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
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

// One demo service for the program; each test gives SHOP04 its empty
// password back.
class PasswordWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        suiteDir_ = new QTemporaryDir();
        ASSERT_TRUE(suiteDir_->isValid());
        demo::DemoServerOptions options;
        options.dbPath = (suiteDir_->path() + QStringLiteral("/demo.db")).toStdString();
        server_ = new demo::DemoServer(options);
        ASSERT_TRUE(server_->Start("127.0.0.1", 0));
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
        qputenv("ORDER_SERVICE_HOST", QByteArray::fromStdString(server_->HostPort()));
        dm_ = std::make_unique<TDM>();
        DM->M_CODE = QStringLiteral("000001");
        DM->C_CODE = QStringLiteral("000104");
        DM->C_ID = QStringLiteral("SHOP04");
        DM->C_SS = QString();
        ASSERT_TRUE(SetServicePassword(""));
    }

    void TearDown() override
    {
        delete FrmSecModi;
        dm_.reset();
        qunsetenv("ORDER_SERVICE_HOST");
        ProgramDir.clear();
    }

    // The demo service refuses passwords shorter than 4, so the empty one is
    // put back directly in its database.
    static bool SetServicePassword(const char* password);

    static std::string ServicePassword()
    {
        std::string answer;
        LookupCustomer("000001", BuildTag("SAME_FIELD", "C_ID") + BuildTag("SAME_KEY", "SHOP04"), answer);
        return ExtractTag("C_SS", ExtractTag("RDC_0", answer));
    }

    TFrmSecModi* Open(const char* mode)
    {
        auto* w = new TFrmSecModi();
        w->Mode = QString::fromLatin1(mode);
        w->show();
        w->activateWindow();
        QApplication::processEvents();
        return w;
    }

    // Types the password, Enter (to the second box), the repeat, Enter.
    void Enter(TFrmSecModi* w, const QString& first, const QString& second)
    {
        w->MEdtS->setFocus();
        Type(w, first);
        Press(w, Qt::Key_Return);
        EXPECT_EQ(w->focusWidget(), w->MEdtV);
        Type(w, second);
        Press(w, Qt::Key_Return);
    }

    static inline QTemporaryDir* suiteDir_ = nullptr;
    static inline demo::DemoServer* server_ = nullptr;
    QTemporaryDir dir_;
    std::unique_ptr<TDM> dm_;
    MessageRecorder recorder_;
};

} // namespace

#include <sqlite3.h>

bool PasswordWindow::SetServicePassword(const char* password)
{
    sqlite3* db = nullptr;
    if (sqlite3_open((suiteDir_->path() + QStringLiteral("/demo.db")).toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(
        db, "UPDATE customers SET C_SS = ? WHERE M_CODE = '000001' AND C_ID = 'SHOP04'", -1, &s, nullptr);
    sqlite3_bind_text(s, 1, password, -1, SQLITE_TRANSIENT);
    const bool ok = sqlite3_step(s) == SQLITE_DONE;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return ok;
}

TEST_F(PasswordWindow, LooksAsDesignedInBothModes)
{
    TFrmSecModi* w = Open("NEW");
    EXPECT_EQ(FrmSecModi, w);
    EXPECT_EQ(w->size(), QSize(263, 239));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->SBSec1->text(), QString::fromUtf8("등록할 비밀번호"));
    EXPECT_EQ(w->SBSec2->text(), QString::fromUtf8("비밀번호 재입력"));
    EXPECT_EQ(w->SBLogin->text(), QString::fromUtf8("등록"));
    EXPECT_EQ(w->SBEsc->text(), QString::fromUtf8("취소"));
    EXPECT_EQ(w->MEdtS->geometry(), QRect(129, 17, 115, 20));
    EXPECT_EQ(w->MEdtV->geometry(), QRect(129, 55, 115, 20));
    EXPECT_EQ(w->SBEsc->geometry(), QRect(58, 174, 69, 43));
    EXPECT_EQ(w->SBLogin->geometry(), QRect(131, 173, 69, 43));
    EXPECT_EQ(w->LblTitle->text(), QString::fromUtf8("스마트폰 앱(딩동주문)을 통해서도"));
    EXPECT_EQ(w->Label1->text(), QString::fromUtf8("주문을 하시려면 숫자만 사용하세요 "));
    EXPECT_EQ(w->Label2->text(), QString::fromUtf8("[Play스토어]에서 [딩동주문] 설치"));
    EXPECT_EQ(w->MEdtS->maxLength(), 11);
    for (QLineEdit* e : { w->MEdtS, w->MEdtV })
        EXPECT_TRUE(e->inputMethodHints().testFlags(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText | Qt::ImhHiddenText))
            << e->objectName().toStdString();
    EXPECT_EQ(w->MEdtS->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, w->MEdtS), '#');
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    Press(w, Qt::Key_Down);
    EXPECT_EQ(w->focusWidget(), w->MEdtV);
    Press(w, Qt::Key_Up);
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    delete w;
    EXPECT_EQ(FrmSecModi, nullptr);

    TFrmSecModi* m = Open("MODI");
    EXPECT_EQ(m->SBSec1->text(), QString::fromUtf8("변경할 비밀번호"));
    EXPECT_EQ(m->SBLogin->text(), QString::fromUtf8("수정"));
}

struct RuleCase {
    const char* name;
    const char* typed; // typed twice
    QString message; // empty: accepted without a message
    const char* stored; // what the service keeps afterwards ("" when refused)
};

// Test names show the case name rather than its bytes.
void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << c.name;
}

class PasswordRules : public PasswordWindow, public ::testing::WithParamInterface<RuleCase> { };

TEST_P(PasswordRules, RefuseOrAccept)
{
    const RuleCase& c = GetParam();
    TFrmSecModi* w = Open("NEW");
    QSignalSpy finished(w, &QDialog::finished);
    Enter(w, QString::fromUtf8(c.typed), QString::fromUtf8(c.typed));
    const bool accepted = c.message.isEmpty();
    if (accepted) {
        EXPECT_TRUE(recorder_.Texts().isEmpty()) << recorder_.Last().toStdString();
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
        EXPECT_EQ(DM->C_SS.get(), QString::fromUtf8(c.stored));
    } else {
        EXPECT_EQ(recorder_.Texts(), QStringList { c.message });
        EXPECT_EQ(finished.count(), 0);
        EXPECT_TRUE(w->MEdtS->text().isEmpty());
        EXPECT_TRUE(w->MEdtV->text().isEmpty());
        EXPECT_EQ(w->focusWidget(), w->MEdtS);
        EXPECT_TRUE(DM->C_SS.isEmpty());
    }
    EXPECT_EQ(ServicePassword(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Table, PasswordRules,
    ::testing::Values(RuleCase { "Banned1000", "1000", Banned("1000"), "" },
        RuleCase { "Banned2000", "20005", Banned("2000"), "" }, RuleCase { "Banned3000", "3000", Banned("3000"), "" },
        RuleCase { "Banned4000", "4000", Banned("4000"), "" }, RuleCase { "Banned5000", "5000", Banned("5000"), "" },
        RuleCase { "Banned6000", "6000", Banned("6000"), "" }, RuleCase { "Banned7000", "7000", Banned("7000"), "" },
        RuleCase { "Banned8000", "8000", Banned("8000"), "" }, RuleCase { "Banned9000", "9000", Banned("9000"), "" },
        RuleCase { "Banned1001", "1001", Banned("1001"), "" }, RuleCase { "Banned1004", "1004XY", Banned("1004"), "" },
        RuleCase { "RepeatedPair", "1212", Pair("12", "12"), "" },
        RuleCase { "RepeatedPairZeros", "00009", Pair("00", "00"), "" },
        RuleCase { "RisingRun", "1234", Run("1234"), "" }, RuleCase { "RisingRunFromZero", "0123", Run("0123"), "" },
        RuleCase { "RisingRunThenMore", "67899", Run("6789"), "" }, RuleCase { "TooShort", "582", kTooShort, "" },
        RuleCase { "FallingRunAccepted", "4321", QString(), "4321" },
        RuleCase { "RisingByTwoAccepted", "1357", QString(), "1357" },
        RuleCase { "LettersAfterPrefixAccepted", "5821ab", QString(), "5821AB" },
        RuleCase { "BlanksAroundAreTrimmed", "  5821 ", QString(), "5821" },
        RuleCase { "OnlyPrefixIsExamined", "58211234", QString(), "58211234" },
        // At the edges of the rules: a repeated middle digit, a run over 9,
        // pairs that differ, and a run that breaks at its last step.
        RuleCase { "MiddleDigitRepeatsAccepted", "1224", QString(), "1224" },
        RuleCase { "RunAcrossNineAccepted", "7890", QString(), "7890" },
        RuleCase { "DifferentPairsAccepted", "1100", QString(), "1100" },
        RuleCase { "AllZerosIsARepeatedPair", "0000", Pair("00", "00"), "" },
        RuleCase { "RunBrokenAtTheEndAccepted", "1235", QString(), "1235" },
        RuleCase { "BannedNumberIsNamedBeforeAnyOtherRule", "9000", Banned("9000"), "" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordWindow, LettersAskAndYesRegisters)
{
    TFrmSecModi* w = Open("NEW");
    QSignalSpy finished(w, &QDialog::finished);
    recorder_.script.push_back(MessageAnswer::Yes);
    // Typed in lower case, it arrives upper-cased; after Yes no other rule
    // runs ("ABAB" would otherwise be a repeated pair).
    Enter(w, QStringLiteral("abab"), QStringLiteral("abab"));
    ASSERT_EQ(recorder_.requests.size(), 1u);
    const MessageRequest& r = recorder_.requests[0];
    EXPECT_EQ(r.text, kLetters);
    EXPECT_EQ(r.caption, QStringLiteral("Confirm"));
    EXPECT_EQ(r.icon, MessageIcon::Question);
    EXPECT_EQ(r.buttons, MessageButtons::YesNo);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_EQ(DM->C_SS.get(), QStringLiteral("ABAB"));
    EXPECT_EQ(ServicePassword(), "ABAB");
}

TEST_F(PasswordWindow, LettersAskAndNoEmptiesTheBoxes)
{
    TFrmSecModi* w = Open("MODI");
    QSignalSpy finished(w, &QDialog::finished);
    recorder_.script.push_back(MessageAnswer::No);
    Enter(w, QStringLiteral("12a4"), QStringLiteral("12a4"));
    EXPECT_EQ(recorder_.Texts(), QStringList { kLetters });
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(w->MEdtS->text().isEmpty());
    EXPECT_TRUE(w->MEdtV->text().isEmpty());
    EXPECT_EQ(w->focusWidget(), w->MEdtS);
    EXPECT_EQ(ServicePassword(), "");
}

TEST_F(PasswordWindow, MismatchKeepsTheBoxes)
{
    for (const char* mode : { "NEW", "MODI" }) {
        recorder_.Clear();
        TFrmSecModi* w = Open(mode);
        Enter(w, QStringLiteral("5821"), QStringLiteral("5822"));
        EXPECT_EQ(recorder_.Texts(),
            QStringList { QLatin1String(mode) == QLatin1String("NEW") ? kMismatchNew : kMismatchModi });
        EXPECT_EQ(w->MEdtS->text(), QStringLiteral("5821"));
        EXPECT_EQ(w->MEdtV->text(), QStringLiteral("5822"));
        EXPECT_EQ(w->focusWidget(), w->MEdtS);
        delete w;
    }
    EXPECT_EQ(ServicePassword(), "");
}

TEST_F(PasswordWindow, AnEmptyBoxDoesNothing)
{
    TFrmSecModi* w = Open("NEW");
    QSignalSpy finished(w, &QDialog::finished);
    Enter(w, QStringLiteral("5821"), QString());
    Enter(w, QStringLiteral("   "), QStringLiteral("   "));
    QTest::mouseClick(w->SBLogin, Qt::LeftButton);
    EXPECT_TRUE(recorder_.Texts().isEmpty());
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(PasswordWindow, ServiceRefusalKeepsTheBoxes)
{
    struct Case {
        const char* mode;
        const char* customerCode; // a shop the service does not know refuses the update
        bool deadService;
        QString message;
    };
    const Case cases[] = { { "NEW", "999999", false, kErrorNew }, { "MODI", "999999", false, kErrorModi },
        { "NEW", "000104", true, kErrorNew } };
    for (const Case& c : cases) {
        recorder_.Clear();
        DM->C_CODE = QString::fromLatin1(c.customerCode);
        if (c.deadService)
            qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(DeadPort()));
        TFrmSecModi* w = Open(c.mode);
        QSignalSpy finished(w, &QDialog::finished);
        Enter(w, QStringLiteral("5821"), QStringLiteral("5821"));
        EXPECT_EQ(recorder_.Texts(), QStringList { c.message }) << c.mode;
        EXPECT_EQ(finished.count(), 0);
        EXPECT_EQ(w->MEdtS->text(), QStringLiteral("5821"));
        EXPECT_EQ(w->MEdtV->text(), QStringLiteral("5821"));
        EXPECT_TRUE(DM->C_SS.isEmpty());
        delete w;
    }
    qputenv("ORDER_SERVICE_HOST", QByteArray::fromStdString(server_->HostPort()));
    EXPECT_EQ(ServicePassword(), "");
}

TEST_F(PasswordWindow, RegisterButtonAndCancel)
{
    {
        TFrmSecModi* w = Open("MODI");
        QSignalSpy finished(w, &QDialog::finished);
        Type(w, QStringLiteral("7391"));
        Press(w, Qt::Key_Down);
        Type(w, QStringLiteral("7391"));
        QTest::mouseClick(w->SBLogin, Qt::LeftButton);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
        EXPECT_EQ(ServicePassword(), "7391");
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FrmSecModi, nullptr);
    {
        TFrmSecModi* w = Open("MODI");
        QSignalSpy finished(w, &QDialog::finished);
        Type(w, QStringLiteral("1111"));
        QTest::mouseClick(w->SBEsc, Qt::LeftButton);
        ASSERT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), 2);
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(DM->C_SS.get(), QStringLiteral("7391"));
}

// As the main window opens it: exec() gives 2 on Esc and the window is gone.
TEST_F(PasswordWindow, ModalRunFromTheMainWindow)
{
    QTimer::singleShot(0, [] {
        if (FrmSecModi)
            Press(FrmSecModi, Qt::Key_Escape);
    });
    auto* w = new TFrmSecModi();
    w->Mode = QStringLiteral("MODI");
    EXPECT_EQ(w->exec(), 2);
    EXPECT_EQ(FrmSecModi, nullptr);
}

TEST(PasswordRulesPure, PrefixOnly)
{
    EXPECT_FALSE(CheckPasswordRules(QStringLiteral("5821")).refused);
    EXPECT_TRUE(CheckPasswordRules(QStringLiteral("1234")).refused);
    EXPECT_FALSE(CheckPasswordRules(QStringLiteral("1235")).refused);
    EXPECT_FALSE(CheckPasswordRules(QStringLiteral("2345X")).askLetters); // letter after the prefix
    EXPECT_TRUE(CheckPasswordRules(QStringLiteral("A234")).askLetters);
    EXPECT_FALSE(CheckPasswordRules(QStringLiteral("1100")).refused);
}
