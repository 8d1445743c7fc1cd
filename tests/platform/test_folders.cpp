#include "Folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace order;

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name), had_(qEnvironmentVariableIsSet(name)), value_(qgetenv(name)) {}
    ~EnvGuard()
    {
        if (had_)
            qputenv(name_, value_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray value_;
};

}  // namespace

TEST(Folders, TemplatesFolderUnderHome)
{
    EnvGuard home("HOME");
    EnvGuard config("XDG_CONFIG_HOME");
    QTemporaryDir dir;
    qputenv("HOME", dir.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");

    // No user-dirs.dirs: $HOME/Templates, created, without a trailing slash.
    EXPECT_EQ(GetTemplatesFolder(), dir.path() + "/Templates");
    EXPECT_TRUE(QDir(dir.path() + "/Templates").exists());

    // The XDG setting wins when there is one.
    QDir(dir.path()).mkpath(".config");
    Write(dir.path() + "/.config/user-dirs.dirs", "# comment\nXDG_TEMPLATES_DIR=\"$HOME/서식 폴더/\"\n");
    EXPECT_EQ(GetTemplatesFolder(), dir.path() + "/서식 폴더");
    EXPECT_TRUE(QDir(dir.path() + "/서식 폴더").exists());

    // A templates folder equal to home means the feature is off.
    Write(dir.path() + "/.config/user-dirs.dirs", "XDG_TEMPLATES_DIR=\"$HOME/\"\n");
    EXPECT_EQ(GetTemplatesFolder(), dir.path() + "/Templates");

    // XDG_CONFIG_HOME points at another configuration folder.
    QTemporaryDir other;
    qputenv("XDG_CONFIG_HOME", other.path().toUtf8());
    Write(other.path() + "/user-dirs.dirs", "XDG_TEMPLATES_DIR=\"" + other.path().toUtf8() + "/T\"\n");
    EXPECT_EQ(GetTemplatesFolder(), other.path() + "/T");

    qputenv("HOME", "");
    EXPECT_EQ(GetTemplatesFolder(), QString());
}

TEST(Folders, CopyFolderFilesCopiesFilesNotFolders)
{
    QTemporaryDir dir;
    const QString from = dir.path() + "/from/";
    const QString to = dir.path() + "/to/";
    QDir().mkpath(from + "sub");
    Write(from + "nrclient", QByteArray("program\0bytes", 13));
    Write(from + "행복.ini", "[MASTER]");
    Write(from + ".hidden", "h");
    Write(from + "sub/inner", "not copied");

    EXPECT_TRUE(CopyFolderFiles(from, to));
    EXPECT_EQ(Read(to + "nrclient"), QByteArray("program\0bytes", 13));
    EXPECT_EQ(Read(to + "행복.ini"), "[MASTER]");
    EXPECT_EQ(Read(to + ".hidden"), "h");
    EXPECT_FALSE(QFile::exists(to + "sub"));

    // Existing files are overwritten.
    Write(from + "nrclient", "new");
    EXPECT_TRUE(CopyFolderFiles(from, to));
    EXPECT_EQ(Read(to + "nrclient"), "new");

    // An empty or missing source copies nothing and succeeds.
    QDir().mkpath(dir.path() + "/empty");
    EXPECT_TRUE(CopyFolderFiles(dir.path() + "/empty/", dir.path() + "/to2/"));
    EXPECT_TRUE(QDir(dir.path() + "/to2").exists());
    EXPECT_TRUE(CopyFolderFiles(dir.path() + "/missing/", dir.path() + "/to3/"));

    // Only one level of the target is created.
    EXPECT_FALSE(CopyFolderFiles(from, dir.path() + "/a/b/"));

    // A copy that fails (the target name is a folder) stops with false.
    const QString blocked = dir.path() + "/blocked/";
    QDir().mkpath(blocked + "nrclient");
    EXPECT_FALSE(CopyFolderFiles(from, blocked));
    EXPECT_EQ(WithSlash("/x"), "/x/");
    EXPECT_EQ(WithSlash("/x/"), "/x/");
}
