#include "DataModule.h"
#include "Messages.h"
#include "Startup.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace {

using order::StartMode;

TEST(Startup, ModesFromTheCommandLine)
{
    struct Case {
        QStringList args;
        StartMode mode;
        QString installDir;
        QString extra;
    };
    const Case cases[] = {
        { {}, StartMode::Check, "", "" },
        { { "/TMPFILE", "/opt/누리 상점/" }, StartMode::TmpFile, "/opt/누리 상점/", "" },
        { { "/TMPFILE", "/opt/x/", "2.202" }, StartMode::TmpFile, "/opt/x/", "2.202" },
        { { "/TMPFILE" }, StartMode::TmpFile, "", "" },
        { { "/SKIPCHECK" }, StartMode::SkipCheck, "", "" },
        { { "/SKIPCHECK", "msg" }, StartMode::SkipCheck, "", "" },
        { { "/SKIPCHECK", "msg", "x" }, StartMode::SkipCheck, "", "x" },
        { { "/skipcheck" }, StartMode::Unknown, "", "" },
        { { "/TmpFile", "/opt/" }, StartMode::Unknown, "", "" },
        { { "SKIPCHECK" }, StartMode::Unknown, "", "" },
        { { "" }, StartMode::Unknown, "", "" },
        { { "/SKIPCHECK " }, StartMode::Unknown, "", "" },
    };
    for (const Case& c : cases) {
        const order::StartArguments a = order::ParseStartArguments(c.args);
        EXPECT_EQ(a.mode, c.mode) << c.args.join('|').toStdString();
        EXPECT_EQ(a.installDir, c.installDir) << c.args.join('|').toStdString();
        EXPECT_EQ(a.extraParam, c.extra) << c.args.join('|').toStdString();
    }
}

TEST(Startup, DecisionsWithoutWindows)
{
    order::LaunchResult = 5;
    EXPECT_EQ(order::DecideLaunch(order::ParseStartArguments({ "/skipcheck" })), -1);
    EXPECT_EQ(order::LaunchResult, -1);
    EXPECT_EQ(order::DecideLaunch(order::ParseStartArguments({ "/SKIPCHECK", "a^b/c", "7" })), 0);
    EXPECT_EQ(order::LaunchResult, 0);
    EXPECT_EQ(order::ExtraParam, QStringLiteral("7"));
}

TEST(Startup, Folders)
{
    order::InstallDir = "x";
    order::UpdateMessage = "y";
    order::ExtraParam = "z";
    order::SetStartFolders(QStringLiteral("/opt/누리 상점/nrclient"), QStringLiteral("/home/u/Templates"));
    EXPECT_EQ(order::ProgramDir, QStringLiteral("/opt/누리 상점/"));
    EXPECT_EQ(order::ProgramFileName, QStringLiteral("nrclient"));
    EXPECT_EQ(order::WorkDir, QStringLiteral("/home/u/Templates/"));
    EXPECT_TRUE(order::InstallDir.isEmpty());
    EXPECT_TRUE(order::UpdateMessage.isEmpty());
    EXPECT_TRUE(order::ExtraParam.isEmpty());

    order::SetStartFolders(QStringLiteral("/opt/x/nrclient"), QString());
    EXPECT_TRUE(order::WorkDir.isEmpty()); // never the file-system root
}

TEST(Startup, RelaunchCommands)
{
    order::SetStartFolders(QStringLiteral("/opt/누리 상점/nrclient"), QStringLiteral("/home/u/Templates"));
    const auto copy = order::RelaunchFor(1);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->program, QStringLiteral("/home/u/Templates/nrclient"));
    EXPECT_EQ(copy->arguments, (QStringList { "/TMPFILE", "/opt/누리 상점/" }));
    EXPECT_EQ(copy->workingDirectory, QStringLiteral("/home/u/Templates/"));
    EXPECT_EQ(order::ExtraParam, QStringLiteral("2.202"));

    struct Case {
        QString message;
        QString extra;
        QStringList args;
    };
    const Case cases[] = {
        { " 새^버전/감사", "", { "/SKIPCHECK", "새^버전/감사" } },
        { " ", "", { "/SKIPCHECK" } },
        { "", "", { "/SKIPCHECK" } },
        { " a b", "", { "/SKIPCHECK", "a", "b" } }, // a blank splits, as on a command line
        { " msg", "X", { "/SKIPCHECK", "msgX" } },
    };
    for (const Case& c : cases) {
        order::InstallDir = QStringLiteral("/opt/누리 상점/");
        order::UpdateMessage = c.message;
        order::ExtraParam = c.extra;
        const auto back = order::RelaunchFor(2);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->program, QStringLiteral("/opt/누리 상점/nrclient"));
        EXPECT_EQ(back->arguments, c.args) << c.message.toStdString();
        EXPECT_EQ(back->workingDirectory, QStringLiteral("/opt/누리 상점/"));
    }
    for (int r : { -1, 0, 3, 100 })
        EXPECT_FALSE(order::RelaunchFor(r)) << r;
}

TEST(Startup, DecodedMessage)
{
    EXPECT_EQ(order::DecodeStartMessage(QStringLiteral("A^B/C")), QStringLiteral("A B\r\nC"));
    EXPECT_EQ(order::DecodeStartMessage(QStringLiteral("//^^")), QStringLiteral("\r\n\r\n  "));
    EXPECT_EQ(order::DecodeStartMessage(QString()), QString());
}

// A failure message embeds the answer, whose NUL comes before the echoed
// CALL_INDEX: the test hook's line carries all of it, the NUL visible.
TEST(Startup, StderrMessageLineKeepsTheTextPastANul)
{
    order::MessageRequest request;
    request.caption = QStringLiteral("딩동주문");
    request.icon = order::MessageIcon::Error;
    request.text = QStringLiteral("주문 전송 실패입니다.\r\r<RESULT_CODE>0</RESULT_CODE>") + QChar(u'\0')
        + QStringLiteral("<CALL_INDEX>261209-7</CALL_INDEX>");
    const QString line = order::StderrMessageLine(request);
    EXPECT_EQ(line,
        QStringLiteral("MESSAGE\t딩동주문\terror\t주문 전송 실패입니다.\r\r<RESULT_CODE>0</RESULT_CODE>\u2400"
                       "<CALL_INDEX>261209-7</CALL_INDEX>"));
    EXPECT_FALSE(line.contains(QChar(u'\0')));
}

// A real detached start of a program lying in a folder with blanks, with a
// folder with blanks as argument: nothing passes through a shell.
TEST(Startup, RelaunchStartsTheProgramWithListArguments)
{
    ::unsetenv("ORDER_RELAUNCH_LOG");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/프로그램 폴더 $HOME;x/");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ARGDUMP_PATH), folder + "nrclient"));
    const QString out = dir.path() + "/args.txt";
    ::setenv("ARGDUMP_OUT", out.toLocal8Bit().constData(), 1);
    ::setenv("ARGDUMP_TMP", (out + ".part").toLocal8Bit().constData(), 1);

    const order::RelaunchCommand command { folder + "nrclient", { "/TMPFILE", "/a b/c'd\"e/", "*" }, folder };
    ASSERT_TRUE(order::Relaunch(command));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(out) && t.elapsed() < 10000)
        QTest::qWait(20);
    ::unsetenv("ARGDUMP_OUT");
    ::unsetenv("ARGDUMP_TMP");
    const QStringList lines = QString::fromLocal8Bit([&] {
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }())
                                  .split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
    EXPECT_EQ(QDir(lines[0]).canonicalPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(lines[2], QStringLiteral("/TMPFILE"));
    EXPECT_EQ(lines[3], QStringLiteral("/a b/c'd\"e/"));
    EXPECT_EQ(lines[4], QStringLiteral("*"));
}

TEST(Startup, RelaunchLogRecordsInsteadOfStarting)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log = dir.filePath("relaunch.log");
    ::setenv("ORDER_RELAUNCH_LOG", log.toLocal8Bit().constData(), 1);
    order::RecordLaunchResult(2);
    ASSERT_TRUE(order::Relaunch({ dir.filePath("does-not-exist"), { "/SKIPCHECK", "a^b" }, dir.path() }));
    ::unsetenv("ORDER_RELAUNCH_LOG");
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object().value("launchResult").toInt(), 2);
    const QJsonObject r = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(r.value("program").toString(), dir.filePath("does-not-exist"));
    EXPECT_EQ(r.value("arguments").toArray().toVariantList(), (QVariantList { "/SKIPCHECK", "a^b" }));
    EXPECT_EQ(r.value("workingDirectory").toString(), dir.path());
}

} // namespace
