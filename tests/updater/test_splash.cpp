#include "../service/LoopbackServer.h"

#include "CallWait.h"
#include "Startup.h"
#include "TFrmSplash.h"
#include "UpdaterFixture.h"

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

namespace {

using order::TFrmSplash;

const QString kDownloadError = QStringLiteral("파일 다운로드 오류 입니다.");

QString ListUrl()
{
    return TFrmSplash::ListUrl();
}

class SplashTest : public UpdaterFixture { };

TEST_F(SplashTest, WindowLayout)
{
    TFrmSplash w;
    EXPECT_EQ(order::FrmSplash, &w);
    EXPECT_EQ(w.size(), QSize(402, 268));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(28, 36, 49));
    EXPECT_EQ(w.ImgSP->geometry(), QRect(0, 0, 402, 268));
    EXPECT_EQ(w.LblMsg->geometry(), QRect(90, 192, 295, 25));
    EXPECT_EQ(w.LblMsg->alignment(), Qt::AlignCenter);
    EXPECT_EQ(w.LblMsg->font().pixelSize(), 13);
    EXPECT_EQ(w.LblMsg->text(), QStringLiteral("업데이트 정보를 확인중 입니다.."));
    EXPECT_EQ(w.Gauge1->geometry(), QRect(88, 225, 298, 16));
    EXPECT_TRUE(w.Gauge1->isHidden());
    EXPECT_EQ(w.Timer1->interval(), 600);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(order::ProgramChecksum, CrcText("program v1"));
}

TEST_F(SplashTest, EverythingCurrentFetchesOnlyTheList)
{
    TFrmSplash w;
    EXPECT_EQ(w.UpdateCheck(), 0);
    EXPECT_EQ(w.FetchedUrls, QStringList { ListUrl() });
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_TRUE(ReadFile(work + "NRClient.dat").contains("<VERSION>" + CrcText("program v1").toUtf8()));
    EXPECT_FALSE(QFileInfo::exists(work + "nrclient")); // nothing copied
}

TEST_F(SplashTest, ChangedPictureAloneIsFetchedWithoutRelaunch)
{
    WriteFile(update + "DATA/IMAGE/NURILogo.bmp", "picture v2");
    WriteFile(install + "icon/NURILogo.bmp", "picture v1");
    TFrmSplash w;
    QSignalSpy progress(w.Gauge1, &QProgressBar::valueChanged);
    bool gaugeShown = false;
    QObject::connect(w.Gauge1, &QProgressBar::valueChanged, [&] { gaugeShown = gaugeShown || w.Gauge1->isVisible(); });
    w.show();
    EXPECT_EQ(w.UpdateCheck(), 0);
    EXPECT_EQ(ReadFile(install + "icon/NURILogo.bmp"), QByteArray("picture v2"));
    EXPECT_EQ(w.FetchedUrls.size(), 2);
    EXPECT_TRUE(w.FetchedUrls.last().endsWith("/update/DATA/IMAGE/NURILogo.bmp"));
    EXPECT_TRUE(gaugeShown);
    EXPECT_TRUE(w.Gauge1->isHidden()); // hidden again after the list
    EXPECT_FALSE(QFileInfo::exists(work + "nrclient"));
}

TEST_F(SplashTest, ChangedModuleIsFetchedAndAsksForTheCopy)
{
    WriteFile(update + "DATA/help.dat", "help v2");
    TFrmSplash w;
    EXPECT_EQ(w.UpdateCheck(), 1);
    EXPECT_EQ(ReadFile(install + "help.dat"), QByteArray("help v2"));
    // The copy in the work folder was made before the fetch and can run.
    EXPECT_EQ(ReadFile(work + "nrclient"), QByteArray("program v1"));
    EXPECT_EQ(ReadFile(work + "help.dat"), QByteArray("help v1"));
    EXPECT_TRUE(QFile::permissions(work + "nrclient") & QFileDevice::ExeOwner);
    // Modules are fetched through the picture folder's address.
    EXPECT_TRUE(w.FetchedUrls.last().endsWith("/update/DATA/IMAGE/help.dat"));
    EXPECT_EQ(w.LblMsg->text(), QStringLiteral("파일 다운로드중 입니다. ( 1 / 1 )"));
}

TEST_F(SplashTest, NewProgramFileAsksForTheCopy)
{
    WriteFile(update + "DATA/nrclient", "program v2");
    TFrmSplash w;
    EXPECT_EQ(w.UpdateCheck(), 1);
    EXPECT_EQ(w.FetchedUrls, QStringList { ListUrl() });
    EXPECT_EQ(ReadFile(work + "nrclient"), QByteArray("program v1"));
    EXPECT_EQ(ReadFile(install + "nrclient"), QByteArray("program v1"));
}

TEST_F(SplashTest, MissingModuleWithEmptyChecksumIsFetched)
{
    WriteFile(update + "DATA/extra.dat", "extra");
    PublishList("<VERSION>" + CrcText("program v1")
        + "</VERSION>\r\n<MODULE>\r\nextra.dat,\r\n</MODULE>\r\n"
          "<IMAGE></IMAGE><MESSAGE></MESSAGE>");
    TFrmSplash w;
    EXPECT_EQ(w.UpdateCheck(), 1);
    EXPECT_EQ(ReadFile(install + "extra.dat"), QByteArray("extra"));
}

TEST_F(SplashTest, LeadingZerosNeverMatch)
{
    PublishList("<VERSION>" + CrcText("program v1") + "</VERSION>\r\n<MODULE>\r\nhelp.dat,0" + CrcText("help v1")
        + "\r\n</MODULE>\r\n<IMAGE></IMAGE><MESSAGE></MESSAGE>");
    for (int run = 0; run < 2; ++run) {
        TFrmSplash w;
        EXPECT_EQ(w.UpdateCheck(), 1) << run;
        EXPECT_EQ(w.FetchedUrls.size(), 2) << run;
    }
}

TEST_F(SplashTest, NamesLeavingTheFolderAreSkipped)
{
    WriteFile(update + "DATA/evil.dat", "evil");
    PublishList("<VERSION>" + CrcText("program v1") + "</VERSION>\r\n<MODULE>\r\n../evil.dat,1\r\n"
        + QDir::cleanPath(root) + "/evil.dat,1\r\n..\\evil.dat,1\r\nhelp.dat," + CrcText("help v1")
        + "\r\n</MODULE>\r\n<IMAGE>\r\n../../evil.dat,1\r\n</IMAGE><MESSAGE></MESSAGE>");
    TFrmSplash w;
    EXPECT_EQ(w.UpdateCheck(), 0);
    EXPECT_EQ(w.FetchedUrls, QStringList { ListUrl() });
    EXPECT_EQ(w.RefusedNames.size(), 4);
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_FALSE(QFileInfo::exists(root + "evil.dat"));
    EXPECT_FALSE(QFileInfo::exists(install + "icon/../../evil.dat"));
}

TEST_F(SplashTest, FailureBoxes)
{
    struct Case {
        const char* what;
        std::function<void(SplashTest&)> arrange;
        QString text;
        QString caption;
    };
    const Case cases[] = {
        { "host unreachable",
            [](SplashTest& t) {
                t.server.reset();
                ::setenv("ORDER_SERVICE_HOST", "127.0.0.1:1", 1);
            },
            QStringLiteral("업데이트 서버와 연결할수 없습니다."), QStringLiteral("접속 실패") },
        { "no update list", [](SplashTest& t) { t.StartServer(QString()); },
            QStringLiteral("업데이트 정보 확인 오류 입니다."), QStringLiteral("ERROR") },
        { "picture missing",
            [](SplashTest& t) {
                t.PublishList("<VERSION>" + CrcText("program v1")
                    + "</VERSION><MODULE></MODULE><IMAGE>\r\nnothere.bmp,1\r\n</IMAGE>");
            },
            kDownloadError + QStringLiteral("[ 4 ] "), QStringLiteral("ERROR") },
        { "module missing",
            [](SplashTest& t) {
                t.PublishList("<VERSION>" + CrcText("program v1")
                    + "</VERSION><MODULE>\r\nnothere.dat,1\r\n</MODULE><IMAGE></IMAGE>");
            },
            kDownloadError + QStringLiteral("[ 5 ] "), QStringLiteral("ERROR") },
    };
    for (const Case& c : cases) {
        SetUp();
        c.arrange(*this);
        messages.Clear();
        TFrmSplash w;
        EXPECT_EQ(w.UpdateCheck(), -1) << c.what;
        ASSERT_EQ(messages.requests.size(), 1u) << c.what;
        EXPECT_EQ(messages.requests[0].text, c.text) << c.what;
        EXPECT_EQ(messages.requests[0].caption, c.caption) << c.what;
        EXPECT_EQ(messages.requests[0].icon, order::MessageIcon::Error) << c.what;
        EXPECT_EQ(messages.requests[0].buttons, order::MessageButtons::Ok) << c.what;
        TearDown();
    }
}

TEST_F(SplashTest, ASilentHostShowsTheWaitBoxOverTheWindowAndCancelEndsTheCheck)
{
    testsupport::RecordingFront front(server->Port());
    ::setenv("ORDER_SERVICE_HOST", ("127.0.0.1:" + std::to_string(front.Port())).c_str(), 1);
    front.SetDelay("/update/nrclient.ini", 3000);
    order::TCallWait wait;
    order::SetTransferRunner(&wait);
    TFrmSplash w;
    w.show();
    QWidget* over = nullptr;
    bool onTop = false;
    QTimer::singleShot(1000, [&] {
        ASSERT_NE(order::FrmWait, nullptr);
        over = order::FrmWait->parentWidget();
        onTop = order::FrmWait->windowFlags() & Qt::WindowStaysOnTopHint;
        QTest::mouseClick(order::FrmWait->SBCancel, Qt::LeftButton);
    });
    EXPECT_EQ(w.UpdateCheck(), -1);
    order::SetTransferRunner(nullptr);
    EXPECT_EQ(over, &w);
    EXPECT_TRUE(onTop);
    // Ended by the click while the host still kept silent, as a failed fetch.
    EXPECT_TRUE(front.GaveUpReaches(1));
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("업데이트 정보 확인 오류 입니다."));
    EXPECT_EQ(messages.requests[0].caption, QStringLiteral("ERROR"));
}

class ReplacementTest : public SplashTest {
protected:
    // Runs the check in the installation, then turns the globals into those
    // of the copy in the work folder, as the relaunch does.
    void CheckThenBecomeCopy(int expected)
    {
        {
            TFrmSplash check;
            ASSERT_EQ(check.UpdateCheck(), expected);
        }
        order::ProgramDir = work;
        order::InstallDir = install;
    }
};

TEST_F(ReplacementTest, ReplacesTheProgramKeepingItsModeAndLoadsModules)
{
    WriteFile(update + "DATA/nrclient", "program v2");
    WriteFile(update + "DATA/help.dat", "help v2");
    WriteFile(update + "MESSAGE.txt", "새 버전입니다\n감사합니다");
    const auto mode = QFile::permissions(install + "nrclient");
    CheckThenBecomeCopy(1);
    TFrmSplash w;
    EXPECT_EQ(order::ProgramChecksum, CrcText("program v1"));
    EXPECT_EQ(w.ReplaceProgram(), 2);
    EXPECT_EQ(ReadFile(install + "nrclient"), QByteArray("program v2"));
    EXPECT_EQ(QFile::permissions(install + "nrclient"), mode);
    EXPECT_FALSE(QFileInfo::exists(install + "NEW_nrclient"));
    EXPECT_EQ(ReadFile(install + "help.dat"), QByteArray("help v2"));
    EXPECT_EQ(order::UpdateMessage, QStringLiteral(" 새^버전입니다/감사합니다"));
    // The module was already fetched by the check: only the program file.
    EXPECT_EQ(w.FetchedUrls.size(), 1);
    EXPECT_TRUE(w.FetchedUrls[0].endsWith("/update/DATA/nrclient"));
    EXPECT_TRUE(messages.requests.empty());
}

TEST_F(ReplacementTest, ModulesOnlyWhenTheProgramIsCurrent)
{
    WriteFile(update + "DATA/help.dat", "help v2");
    CheckThenBecomeCopy(1);
    WriteFile(install + "help.dat", "damaged"); // found different again
    TFrmSplash w;
    EXPECT_EQ(w.ReplaceProgram(), 2);
    EXPECT_EQ(ReadFile(install + "nrclient"), QByteArray("program v1"));
    EXPECT_EQ(ReadFile(install + "help.dat"), QByteArray("help v2"));
    ASSERT_EQ(w.FetchedUrls.size(), 1);
    EXPECT_TRUE(w.FetchedUrls[0].endsWith("/update/DATA/help.dat"));
    EXPECT_EQ(order::UpdateMessage, QStringLiteral(" "));
}

TEST_F(ReplacementTest, WrongChecksumLeavesTheNewFileAndTheNextStartDeletesIt)
{
    WriteFile(update + "DATA/nrclient", "program v2");
    PublishList("<VERSION>12345</VERSION><MODULE></MODULE><IMAGE></IMAGE><MESSAGE></MESSAGE>");
    CheckThenBecomeCopy(1);
    {
        TFrmSplash w;
        EXPECT_EQ(w.ReplaceProgram(), -1);
    }
    EXPECT_EQ(ReadFile(install + "NEW_nrclient"), QByteArray("program v2"));
    EXPECT_EQ(ReadFile(install + "nrclient"), QByteArray("program v1"));
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, kDownloadError + QStringLiteral("[ 2 ] "));
    EXPECT_EQ(messages.requests[0].caption,
        QStringLiteral("WARNING[ 12345 ] [ ") + CrcText("program v2") + QStringLiteral(" ] "));
    EXPECT_EQ(messages.requests[0].icon, order::MessageIcon::Warning);

    // The next normal start in the installation removes the left-over.
    order::ProgramDir = install;
    TFrmSplash next;
    EXPECT_FALSE(QFileInfo::exists(install + "NEW_nrclient"));
    EXPECT_TRUE(QFileInfo::exists(install + "nrclient"));
}

TEST_F(ReplacementTest, FailedProgramFetchKeepsTheProgramWhole)
{
    WriteFile(update + "DATA/nrclient", "program v2");
    CheckThenBecomeCopy(1);
    QFile::remove(update + "DATA/nrclient");
    TFrmSplash w;
    EXPECT_EQ(w.ReplaceProgram(), -1);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text, kDownloadError + QStringLiteral("[ 1 ] "));
    EXPECT_EQ(messages.requests[0].caption, QStringLiteral("ERROR"));
    EXPECT_EQ(ReadFile(install + "nrclient"), QByteArray("program v1"));
    EXPECT_FALSE(QFileInfo::exists(install + "NEW_nrclient"));
}

TEST_F(ReplacementTest, FailedModuleFetchAndUnreachableHost)
{
    WriteFile(update + "DATA/help.dat", "help v2");
    CheckThenBecomeCopy(1);
    WriteFile(install + "help.dat", "damaged");
    QFile::remove(update + "DATA/help.dat");
    PublishList("<VERSION>" + CrcText("program v1") + "</VERSION><MODULE>\r\nhelp.dat,1\r\n</MODULE>");
    {
        TFrmSplash w;
        EXPECT_EQ(w.ReplaceProgram(), -1);
        ASSERT_EQ(messages.requests.size(), 1u);
        EXPECT_EQ(messages.requests[0].text, kDownloadError + QStringLiteral("[ 3 ] "));
    }
    messages.Clear();
    server.reset();
    ::setenv("ORDER_SERVICE_HOST", "127.0.0.1:1", 1);
    TFrmSplash w;
    EXPECT_EQ(w.ReplaceProgram(), -1);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, QStringLiteral("접속 실패"));
}

TEST_F(SplashTest, TimerRunsTheCheckAndEscapeDoesNotCloseTheWindow)
{
    struct Case {
        bool reachable;
        int expected;
    };
    for (const Case c : { Case { true, 0 }, Case { false, -1 } }) {
        if (!c.reachable) {
            server.reset();
            ::setenv("ORDER_SERVICE_HOST", "127.0.0.1:1", 1);
        }
        order::LaunchResult = 7;
        TFrmSplash w;
        bool stillOpen = false;
        QTimer::singleShot(100, &w, [&] {
            QTest::keyClick(&w, Qt::Key_Escape);
            stillOpen = w.isVisible();
        });
        w.ExecuteCheck();
        EXPECT_TRUE(stillOpen) << c.reachable;
        EXPECT_EQ(order::LaunchResult, c.expected) << c.reachable;
        EXPECT_FALSE(w.isVisible());
    }
}

TEST_F(SplashTest, TimerDoesNotRunTheCheckInTheCopy)
{
    WriteFile(update + "DATA/help.dat", "help v2");
    order::LaunchResult = 7;
    TFrmSplash w;
    w.show();
    QTest::qWait(900);
    EXPECT_TRUE(w.FetchedUrls.isEmpty());
    EXPECT_EQ(order::LaunchResult, 7);
}

} // namespace

namespace {

// A start whose check window is closed before its timer fires goes on to
// the order window (result 0) without having fetched anything.
TEST_F(SplashTest, ClosedBeforeTheTimerLeavesZero)
{
    WriteFile(update + "DATA/help.dat", "help v2");
    order::LaunchResult = 7;
    QTimer::singleShot(100, [] {
        if (order::FrmSplash)
            order::FrmSplash->close();
    });
    EXPECT_EQ(order::DecideLaunch(order::ParseStartArguments({})), 0);
    EXPECT_EQ(order::LaunchResult, 0);
    EXPECT_EQ(ReadFile(install + "help.dat"), QByteArray("help v1"));
    EXPECT_FALSE(QFileInfo::exists(work + "NRClient.dat"));
}

// The start-up runs the check modally and takes its decision.
TEST_F(SplashTest, StartWithoutArgumentsRunsTheCheck)
{
    WriteFile(update + "DATA/help.dat", "help v2");
    order::LaunchResult = 7;
    EXPECT_EQ(order::DecideLaunch(order::ParseStartArguments({})), 1);
    EXPECT_EQ(order::LaunchResult, 1);
    EXPECT_EQ(ReadFile(install + "help.dat"), QByteArray("help v2"));
}

// /TMPFILE runs the replacement step with the folder from the arguments
// (a missing final slash is added).
TEST_F(SplashTest, TmpFileModeRunsTheReplacementStep)
{
    WriteFile(update + "DATA/nrclient", "program v2");
    {
        TFrmSplash check;
        ASSERT_EQ(check.UpdateCheck(), 1);
    }
    order::ProgramDir = work;
    EXPECT_EQ(order::DecideLaunch(order::ParseStartArguments({ "/TMPFILE", QDir::cleanPath(install), "x" })), 2);
    EXPECT_EQ(order::InstallDir, install);
    EXPECT_EQ(order::ExtraParam, QStringLiteral("x"));
    EXPECT_EQ(ReadFile(install + "nrclient"), QByteArray("program v2"));
}

} // namespace
