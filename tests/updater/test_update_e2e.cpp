// The whole update as a user meets it: the built client copied into a
// temporary installation, the demo service publishing a newer program file,
// a changed module and a changed picture, and the client started as real
// processes (start 1 and 2) with its relaunches recorded through
// ORDER_RELAUNCH_LOG and its message boxes printed through
// ORDER_MESSAGES_TO_STDERR. Start 3 runs in this process: the main window is
// created with the relaunch's arguments, the login is typed into the login
// window, and the message must be shown once.

#include "DataModule.h"
#include "DemoServer.h"
#include "FileChecksum.h"
#include "Messages.h"
#include "TFrmMain.h"
#include "TFrmSecS.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray BmpBytes(QColor colour)
{
    QImage img(120, 40, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "BMP");
    return bytes;
}

struct ClientRun {
    bool finished = false;
    int exitCode = -1;
    QString stderrText;
    QList<QJsonObject> log;

    QStringList Messages() const
    {
        QStringList out;
        for (const QString& line : stderrText.split('\n'))
            if (line.startsWith("MESSAGE\t"))
                out << line.mid(8);
        return out;
    }
    int LaunchResult() const
    {
        for (const QJsonObject& o : log)
            if (o.contains("launchResult"))
                return o.value("launchResult").toInt();
        return -100;
    }
    std::optional<QJsonObject> Relaunch() const
    {
        for (const QJsonObject& o : log)
            if (o.contains("program"))
                return o;
        return std::nullopt;
    }
};

class UpdateEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/";
        home = root + "home/";
        install = root + "설치 폴더 (누리)/";
        work = home + "Templates/";
        update = root + "update/";
        log = root + "relaunch.log";
        ASSERT_TRUE(QDir().mkpath(install));
        ASSERT_TRUE(QDir().mkpath(home));
        ASSERT_TRUE(QDir().mkpath(update + "DATA/IMAGE"));

        ASSERT_TRUE(QFile::copy(QStringLiteral(NRCLIENT_PATH), install + "nrclient"));
        programV1 = ReadFile(install + "nrclient");
        // A newer program: the same client with bytes appended, so it still
        // runs and has another checksum.
        programV2 = programV1 + QByteArray("\nnewer build 3.2.1\n");
        WriteFile(install + "nrhelp.dat", "help text v1");

        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        demo::DemoServerOptions options;
        options.updateDir = QDir::cleanPath(update).toStdString();
        server = std::make_unique<demo::DemoServer>(options);
        ASSERT_TRUE(server->Start("127.0.0.1", 0));

        env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QDir::cleanPath(home));
        env.insert("XDG_CONFIG_HOME", root + "config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ORDER_SERVICE_HOST", QString::fromStdString(server->HostPort()));
        env.insert("ORDER_RELAUNCH_LOG", log);
        env.insert("ORDER_MESSAGES_TO_STDERR", "1");
        env.insert("no_proxy", "127.0.0.1,localhost");
        env.insert("NO_PROXY", "127.0.0.1,localhost");
    }

    void PublishCurrent()
    {
        WriteFile(update + "DATA/nrclient", programV1);
        WriteFile(update + "DATA/nrhelp.dat", "help text v1");
    }

    void PublishUpdate()
    {
        WriteFile(update + "DATA/nrclient", programV2);
        WriteFile(update + "DATA/nrhelp.dat", "help text v2");
        WriteFile(update + "DATA/IMAGE/NURILogo.bmp", BmpBytes(QColor(40, 120, 200)));
        WriteFile(update + "MESSAGE.txt", "새 버전이 설치되었습니다\n주문을 계속하세요");
    }

    // Runs the client to its end. waitForLaunchResult: the run goes on to
    // the login window (result 0), which nobody answers in a separate
    // process; it is ended once its decision is in the log.
    ClientRun Run(const QString& program, const QStringList& args, const QString& cwd, bool waitForLaunchResult = false)
    {
        QFile::remove(log);
        ClientRun run;
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(cwd);
        p.start(program, args);
        if (!p.waitForStarted(10000))
            return run;
        QElapsedTimer t;
        t.start();
        while (!p.waitForFinished(100) && t.elapsed() < 60000) {
            if (waitForLaunchResult && ReadFile(log).contains("launchResult")) {
                QTest::qWait(500); // the data module and login window come up
                break;
            }
        }
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        } else {
            run.finished = true;
            run.exitCode = p.exitCode();
        }
        run.stderrText = QString::fromUtf8(p.readAllStandardError());
        for (const QByteArray& line : ReadFile(log).split('\n'))
            if (!line.trimmed().isEmpty())
                run.log << QJsonDocument::fromJson(line).object();
        return run;
    }

    ClientRun RunInstalled(const QStringList& args = {}, bool waitForLaunchResult = false)
    {
        return Run(install + "nrclient", args, install, waitForLaunchResult);
    }

    ClientRun RunRecorded(const QJsonObject& relaunch, bool waitForLaunchResult = false)
    {
        QStringList args;
        for (const QJsonValue& v : relaunch.value("arguments").toArray())
            args << v.toString();
        return Run(relaunch.value("program").toString(), args, relaunch.value("workingDirectory").toString(),
            waitForLaunchResult);
    }

    QTemporaryDir tmp;
    QString root, home, install, work, update, log;
    QByteArray programV1, programV2;
    std::unique_ptr<demo::DemoServer> server;
    QProcessEnvironment env;
};

TEST_F(UpdateEndToEnd, ThreeStartsReplaceTheProgramAndShowTheMessage)
{
    PublishUpdate();
    const auto mode = QFile::permissions(install + "nrclient");

    // Start 1: the check fetches the list, the picture and the module,
    // copies the installation into the work folder and asks for the copy.
    const ClientRun first = RunInstalled();
    ASSERT_TRUE(first.finished) << first.stderrText.toStdString();
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.LaunchResult(), 1);
    EXPECT_TRUE(first.Messages().isEmpty()) << first.stderrText.toStdString();
    EXPECT_TRUE(ReadFile(work + "NRClient.dat").contains("<VERSION>"));
    EXPECT_EQ(ReadFile(install + "nrhelp.dat"), QByteArray("help text v2"));
    EXPECT_EQ(ReadFile(install + "icon/NURILogo.bmp"), ReadFile(update + "DATA/IMAGE/NURILogo.bmp"));
    EXPECT_EQ(ReadFile(work + "nrclient"), programV1);
    EXPECT_TRUE(QFile::permissions(work + "nrclient") & QFileDevice::ExeOwner);
    const auto toCopy = first.Relaunch();
    ASSERT_TRUE(toCopy);
    EXPECT_EQ(toCopy->value("program").toString(), work + "nrclient");
    EXPECT_EQ(toCopy->value("arguments").toArray().toVariantList(), (QVariantList { "/TMPFILE", install }));
    EXPECT_EQ(toCopy->value("workingDirectory").toString(), work);

    // Start 2: the copy replaces the installed program through the "NEW_"
    // file and hands back with /SKIPCHECK and the message.
    const ClientRun second = RunRecorded(*toCopy);
    ASSERT_TRUE(second.finished) << second.stderrText.toStdString();
    EXPECT_EQ(second.LaunchResult(), 2);
    EXPECT_TRUE(second.Messages().isEmpty()) << second.stderrText.toStdString();
    EXPECT_EQ(ReadFile(install + "nrclient"), programV2);
    EXPECT_EQ(QFile::permissions(install + "nrclient"), mode);
    EXPECT_FALSE(QFileInfo::exists(install + "NEW_nrclient"));
    const auto back = second.Relaunch();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value("program").toString(), install + "nrclient");
    const QVariantList backArgs = back->value("arguments").toArray().toVariantList();
    EXPECT_EQ(backArgs, (QVariantList { "/SKIPCHECK", "새^버전이^설치되었습니다/주문을^계속하세요" }));
    EXPECT_EQ(back->value("workingDirectory").toString(), install);

    // Start 3 as a process: the new program runs, skips the check and goes
    // on to the login (result 0) without fetching anything.
    QFile::remove(work + "NRClient.dat");
    const ClientRun third = RunRecorded(*back, true);
    EXPECT_EQ(third.LaunchResult(), 0) << third.stderrText.toStdString();
    EXPECT_FALSE(third.Relaunch());
    EXPECT_FALSE(QFileInfo::exists(work + "NRClient.dat"));

    // Start 3 in this process: log in through the login window; the main
    // window's first activation shows the message once, decoded.
    ::setenv("ORDER_SERVICE_HOST", server->HostPort().c_str(), 1);
    order::ProgramDir = install;
    order::ProgramFileName = "nrclient";
    order::WorkDir = work;
    order::MessageRecorder messages;
    order::TDM dm;
    bool typed = false;
    QTimer login;
    login.setInterval(20);
    QObject::connect(&login, &QTimer::timeout, [&] {
        QPointer<order::TFrmSecS> w = order::FrmSecS;
        if (typed || !w || !w->isVisible())
            return;
        typed = true;
        w->EdtMID->clear();
        QTest::keyClicks(w->EdtMID, "NURI");
        w->EdtCID->clear();
        QTest::keyClicks(w->EdtCID, "SHOP01");
        QTest::keyClicks(w->MEdtS, "2580");
        QTest::keyClick(w->MEdtS, Qt::Key_Return);
    });
    login.start();
    order::TFrmMain main;
    login.stop();
    ASSERT_TRUE(typed);
    ASSERT_TRUE(main.LoginAccepted()) << messages.Texts().join(" | ").toStdString();
    QStringList launchArgs { install + "nrclient" };
    for (const QVariant& v : backArgs)
        launchArgs << v.toString();
    main.LaunchArguments = launchArgs;
    messages.Clear();
    // Close whatever the first activation opens after the message (notices).
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &main)
            modal->close();
    });
    closer.start();
    main.show();
    main.activateWindow();
    QApplication::setActiveWindow(&main);
    QElapsedTimer t;
    t.start();
    while (!messages.Texts().contains("새 버전이 설치되었습니다\r\n주문을 계속하세요") && t.elapsed() < 10000)
        QTest::qWait(50);
    QTest::qWait(300);
    EXPECT_EQ(messages.Texts().count("새 버전이 설치되었습니다\r\n주문을 계속하세요"), 1)
        << messages.Texts().join(" | ").toStdString();
    // Activated again: not shown a second time.
    main.hide();
    main.show();
    QApplication::setActiveWindow(&main);
    QTest::qWait(300);
    EXPECT_EQ(messages.Texts().count("새 버전이 설치되었습니다\r\n주문을 계속하세요"), 1);
    closer.stop();
    main.close();
    ::unsetenv("ORDER_SERVICE_HOST");
}

TEST_F(UpdateEndToEnd, EverythingCurrentGoesOnToTheLogin)
{
    PublishCurrent();
    const QDateTime before = QFileInfo(install + "nrhelp.dat").lastModified();
    QTest::qWait(20);
    const ClientRun run = RunInstalled({}, true);
    EXPECT_EQ(run.LaunchResult(), 0) << run.stderrText.toStdString();
    EXPECT_FALSE(run.Relaunch());
    EXPECT_TRUE(run.Messages().isEmpty()) << run.stderrText.toStdString();
    EXPECT_TRUE(QFileInfo::exists(work + "NRClient.dat"));
    EXPECT_FALSE(QFileInfo::exists(work + "nrclient"));
    EXPECT_TRUE(QDir(install + "icon").isEmpty()); // made for the pictures, none fetched
    EXPECT_EQ(QFileInfo(install + "nrhelp.dat").lastModified(), before);
    EXPECT_EQ(ReadFile(install + "nrclient"), programV1);
}

TEST_F(UpdateEndToEnd, UnreachableHostEndsAfterTheBox)
{
    PublishCurrent();
    server.reset();
    env.insert("ORDER_SERVICE_HOST", "127.0.0.1:1");
    const ClientRun run = RunInstalled();
    ASSERT_TRUE(run.finished) << run.stderrText.toStdString();
    EXPECT_EQ(run.LaunchResult(), -1);
    EXPECT_FALSE(run.Relaunch());
    EXPECT_EQ(run.Messages(), QStringList { "접속 실패\terror\t업데이트 서버와 연결할수 없습니다." });
}

TEST_F(UpdateEndToEnd, WrongChecksumLeavesTheNewFileUntilTheNextStart)
{
    PublishUpdate();
    WriteFile(update + "nrclient.ini",
        "<VERSION>12345</VERSION>\r\n<MODULE>\r\n</MODULE>\r\n<IMAGE>\r\n</IMAGE>\r\n"
        "<MESSAGE></MESSAGE>\r\n");
    const ClientRun first = RunInstalled();
    ASSERT_TRUE(first.finished);
    ASSERT_EQ(first.LaunchResult(), 1) << first.stderrText.toStdString();
    const ClientRun second = RunRecorded(*first.Relaunch());
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.LaunchResult(), -1);
    EXPECT_FALSE(second.Relaunch());
    const QString got = order::ChecksumText(order::FileChecksum(update + "DATA/nrclient"));
    EXPECT_EQ(second.Messages(),
        QStringList { "WARNING[ 12345 ] [ " + got + " ] \twarning\t파일 다운로드 오류 입니다.[ 2 ] " });
    EXPECT_EQ(ReadFile(install + "NEW_nrclient"), programV2);
    EXPECT_EQ(ReadFile(install + "nrclient"), programV1);

    // The next normal start removes the left-over "NEW_" file.
    const ClientRun next = RunInstalled();
    EXPECT_TRUE(next.finished);
    EXPECT_FALSE(QFileInfo::exists(install + "NEW_nrclient"));
    EXPECT_EQ(ReadFile(install + "nrclient"), programV1);
}

TEST_F(UpdateEndToEnd, UnknownFirstArgumentEndsSilently)
{
    PublishCurrent();
    const ClientRun run = RunInstalled({ "/skipcheck" });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.LaunchResult(), -1);
    EXPECT_TRUE(run.Messages().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(work + "NRClient.dat"));
}

} // namespace
