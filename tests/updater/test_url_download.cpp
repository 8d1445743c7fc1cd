#include "CallWait.h"
#include "TUrlDownload.h"
#include "UpdateTestServer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace {

using order::TUrlDownload;

struct Events {
    int starts = 0;
    int stops = 0;
    int progress = 0;
    std::uint32_t lastMax = 0;
    std::uint32_t lastPos = 0;
    QString startUrl;
    std::vector<std::uint32_t> statusCodes;
};

void Wire(TUrlDownload& d, Events& e, std::uint32_t cancelAfter = 0)
{
    d.OnStart = [&e](TUrlDownload*, const QString& url) {
        ++e.starts;
        e.startUrl = url;
    };
    d.OnStop = [&e](TUrlDownload*) { ++e.stops; };
    d.OnProgress = [&e, cancelAfter](TUrlDownload*, std::uint32_t max, std::uint32_t pos, std::uint32_t status,
                       const QString&, bool& cancel) {
        ++e.progress;
        e.lastMax = max;
        e.lastPos = pos;
        e.statusCodes.push_back(status);
        if (cancelAfter != 0 && pos >= cancelAfter)
            cancel = true;
    };
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class UrlDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir("pub"));
        QFile f(dir.filePath("pub/hello.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("hello, world\n");
        f.close();
        server = std::make_unique<UpdateTestServer>(dir.filePath("pub").toStdString());
    }
    QString Url(const char* path) const { return QString::fromStdString(server->Url(path)); }

    QTemporaryDir dir;
    std::unique_ptr<UpdateTestServer> server;
};

TEST_F(UrlDownloadTest, FetchesIntoTheTargetWithEvents)
{
    TUrlDownload d;
    Events e;
    Wire(d, e);
    d.Url = Url("/update/hello.txt");
    const QString target = dir.filePath("got.txt");
    ASSERT_TRUE(d.Download(target));
    EXPECT_EQ(ReadAll(target), QByteArray("hello, world\n"));
    EXPECT_EQ(e.starts, 1);
    EXPECT_EQ(e.startUrl, d.Url);
    EXPECT_EQ(e.stops, 1);
    EXPECT_GE(e.progress, 1);
    EXPECT_EQ(e.lastMax, 13u);
    EXPECT_EQ(e.lastPos, 13u);
    EXPECT_TRUE(d.ErrorText().isEmpty());
    // Only the target is left behind, no temporary file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "got.txt" });
}

TEST_F(UrlDownloadTest, LargeTransferReportsGrowingPositions)
{
    TUrlDownload d;
    Events e;
    Wire(d, e);
    d.Url = Url("/big");
    ASSERT_TRUE(d.Download(dir.filePath("big")));
    EXPECT_EQ(QFileInfo(dir.filePath("big")).size(), 3 << 20);
    EXPECT_EQ(e.lastMax, 3u << 20);
    EXPECT_EQ(e.lastPos, 3u << 20);
    ASSERT_FALSE(e.statusCodes.empty());
    EXPECT_EQ(e.statusCodes.front(), TUrlDownload::kStatusBeginData);
    EXPECT_EQ(e.statusCodes.back(), TUrlDownload::kStatusEndData);
}

// The windows' runner, noting where the transfers ran.
struct NotingRunner : order::TransferRunner {
    NotingRunner() { order::SetTransferRunner(this); }
    ~NotingRunner() override { order::SetTransferRunner(nullptr); }
    void Run(const std::function<void()>& transfer, order::TransferCancel& cancel) override
    {
        wait.Run(
            [&] {
                onCaller += QThread::currentThread() == qApp->thread();
                transfer();
            },
            cancel);
    }
    void Report(const std::function<void()>& report) override { wait.Report(report); }
    order::TCallWait wait;
    int onCaller = 0;
};

TEST_F(UrlDownloadTest, OnAWorkerTheEventsStillComeOnTheCallersThreadAndCanCancel)
{
    NotingRunner runner;
    for (const std::uint32_t cancelAfter : { 0u, 1u }) {
        TUrlDownload d;
        Events e;
        Wire(d, e, cancelAfter);
        int elsewhere = 0;
        const auto progress = d.OnProgress;
        d.OnProgress = [&](TUrlDownload* s, std::uint32_t max, std::uint32_t pos, std::uint32_t status,
                           const QString& text, bool& cancel) {
            elsewhere += QThread::currentThread() != qApp->thread();
            progress(s, max, pos, status, text, cancel);
        };
        d.Url = Url("/big");
        EXPECT_EQ(d.Download(dir.filePath("big")), cancelAfter == 0);
        EXPECT_EQ(e.starts, 1);
        EXPECT_GE(e.progress, 1);
        EXPECT_EQ(elsewhere, 0);
        if (cancelAfter == 0) {
            EXPECT_EQ(e.lastPos, 3u << 20);
        }
    }
    EXPECT_EQ(runner.onCaller, 0);
}

TEST_F(UrlDownloadTest, CancelFromTheProgressHandlerFailsAndKeepsTheOldFile)
{
    const QString target = dir.filePath("keep.dat");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    TUrlDownload d;
    Events e;
    Wire(d, e, 1);
    d.Url = Url("/big");
    EXPECT_FALSE(d.Download(target));
    EXPECT_EQ(e.starts, 1);
    EXPECT_EQ(e.stops, 1);
    EXPECT_FALSE(d.ErrorText().isEmpty());
    EXPECT_EQ(ReadAll(target), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "keep.dat" });
}

TEST_F(UrlDownloadTest, FailuresGiveFalseWithoutStart)
{
    const QString closed = QStringLiteral("http://127.0.0.1:%1/update/hello.txt").arg(ClosedLoopbackPort());
    struct Case {
        const char* what;
        QString url;
        QString target;
    };
    const Case cases[] = {
        { "not found", Url("/update/missing.txt"), dir.filePath("a") },
        { "host refuses", closed, dir.filePath("b") },
        { "not http", QStringLiteral("file:///etc/hostname"), dir.filePath("c") },
        { "bad url", QStringLiteral("http://"), dir.filePath("d") },
    };
    for (const Case& c : cases) {
        TUrlDownload d;
        Events e;
        Wire(d, e);
        d.Url = c.url;
        EXPECT_FALSE(d.Download(c.target)) << c.what;
        EXPECT_EQ(e.starts, 0) << c.what;
        EXPECT_EQ(e.progress, 0) << c.what;
        EXPECT_FALSE(QFileInfo::exists(c.target)) << c.what;
        EXPECT_FALSE(d.ErrorText().isEmpty()) << c.what;
    }
}

TEST_F(UrlDownloadTest, UnwritableTargetFails)
{
    TUrlDownload d;
    d.Url = Url("/update/hello.txt");
    EXPECT_FALSE(d.Download(dir.filePath("no/such/folder/x")));
}

TEST_F(UrlDownloadTest, RedirectIsFollowed)
{
    TUrlDownload d;
    d.Url = Url("/redirect");
    ASSERT_TRUE(d.Download(dir.filePath("r")));
    EXPECT_EQ(ReadAll(dir.filePath("r")), QByteArray("hello, world\n"));
}

TEST_F(UrlDownloadTest, AsksCachesToStandAside)
{
    TUrlDownload d;
    d.Url = Url("/echo-headers");
    ASSERT_TRUE(d.Download(dir.filePath("h")));
    const QByteArray headers = ReadAll(dir.filePath("h"));
    EXPECT_TRUE(headers.contains("Cache-Control: no-cache")) << headers.constData();
    EXPECT_TRUE(headers.contains("Pragma: no-cache")) << headers.constData();
}

TEST_F(UrlDownloadTest, ReplacingAFileKeepsItsMode)
{
    const QString target = dir.filePath("tool");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!old");
    }
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
        | QFileDevice::ExeGroup;
    ASSERT_TRUE(QFile::setPermissions(target, mode));
    TUrlDownload d;
    d.Url = Url("/update/hello.txt");
    ASSERT_TRUE(d.Download(target));
    EXPECT_EQ(ReadAll(target), QByteArray("hello, world\n"));
    const auto got = QFile::permissions(target);
    EXPECT_TRUE(got & QFileDevice::ExeOwner);
    EXPECT_TRUE(got & QFileDevice::ExeGroup);
    EXPECT_FALSE(got & QFileDevice::ReadOther);
}

} // namespace
