#pragma once

// A temporary installation for updater tests: an install folder with a
// program file and a module, a work folder, and an update folder published
// by the demo service on a loopback port.

#include "DataModule.h"
#include "DemoServer.h"
#include "FileChecksum.h"
#include "Messages.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline QString CrcText(const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(bytes);
    f.close();
    return order::ChecksumText(order::FileChecksum(path));
}

class UpdaterFixture : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        // libcurl honours the machine's proxy settings; loopback traffic of
        // the tests must never go through one.
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        root = tmp.path() + QStringLiteral("/");
        install = root + QStringLiteral("설치 폴더/"); // blanks and Korean on purpose
        work = root + QStringLiteral("Templates/");
        update = root + QStringLiteral("update/");
        ASSERT_TRUE(QDir().mkpath(install));
        ASSERT_TRUE(QDir().mkpath(work));
        ASSERT_TRUE(QDir().mkpath(update + QStringLiteral("DATA/IMAGE")));

        WriteFile(install + "nrclient", "program v1");
        QFile::setPermissions(install + "nrclient",
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                | QFileDevice::ExeGroup);
        WriteFile(install + "help.dat", "help v1");
        WriteFile(update + "DATA/nrclient", "program v1");
        WriteFile(update + "DATA/help.dat", "help v1");

        order::ProgramDir = install;
        order::ProgramFileName = QStringLiteral("nrclient");
        order::WorkDir = work;
        order::InstallDir.clear();
        order::UpdateMessage.clear();
        order::ExtraParam.clear();

        StartServer(update);
    }

    void TearDown() override
    {
        server.reset();
        ::unsetenv("ORDER_SERVICE_HOST");
        order::ClearGlobals();
    }

    void StartServer(const QString& updateDir)
    {
        server.reset();
        demo::DemoServerOptions options;
        options.updateDir = updateDir.isEmpty() ? std::string() : QDir::cleanPath(updateDir).toStdString();
        server = std::make_unique<demo::DemoServer>(options);
        ASSERT_TRUE(server->Start("127.0.0.1", 0));
        ::setenv("ORDER_SERVICE_HOST", server->HostPort().c_str(), 1);
    }

    // Replaces the generated list with a hand-written one.
    void PublishList(const QString& text) { WriteFile(update + "nrclient.ini", text.toUtf8()); }

    QTemporaryDir tmp;
    QString root, install, work, update;
    std::unique_ptr<demo::DemoServer> server;
    order::MessageRecorder messages;
};
