#include "FileChecksum.h"
#include "UpdateList.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace {

using order::ParseFileSection;
using order::ReadUpdateList;

TEST(UpdateList, SectionsAreTheTextBetweenTheFirstTags)
{
    const QString text = QStringLiteral(
        "; published list\r\n<VERSION>12345</VERSION>\r\n<MODULE>\r\nhelp.dat,1\r\n</MODULE>\r\n"
        "<IMAGE>\r\nlogo.bmp,2\r\n</IMAGE>\r\n<MESSAGE>새^버전/설치</MESSAGE>\r\n<MESSAGE>second</MESSAGE>");
    const order::UpdateList list = ReadUpdateList(text);
    EXPECT_EQ(list.version, QStringLiteral("12345"));
    EXPECT_EQ(list.module, QStringLiteral("\r\nhelp.dat,1\r\n"));
    EXPECT_EQ(list.image, QStringLiteral("\r\nlogo.bmp,2\r\n"));
    EXPECT_EQ(list.message, QStringLiteral("새^버전/설치"));

    const order::UpdateList empty = ReadUpdateList(QStringLiteral("<VERSION>1"));
    EXPECT_TRUE(empty.version.isEmpty());
    EXPECT_TRUE(empty.module.isEmpty());
}

TEST(UpdateList, LinesAndFields)
{
    struct Case {
        const char* what;
        QString section;
        std::vector<std::pair<QString, QString>> expected;
    };
    const Case cases[] = {
        { "crlf and blank lines", QStringLiteral("\r\n\r\na.dll,1\r\n\r\nb.dat,22\r\n"),
            { { "a.dll", "1" }, { "b.dat", "22" } } },
        { "lf only and cr only", QStringLiteral("a,1\nb,2\rc,3"), { { "a", "1" }, { "b", "2" }, { "c", "3" } } },
        { "extra fields ignored", QStringLiteral("a.dll,1,2024-01-01,big"), { { "a.dll", "1" } } },
        { "quoted comma", QStringLiteral("\"a,b.dat\",7\r\n'c,d.dat',8"), { { "a,b.dat", "7" }, { "c,d.dat", "8" } } },
        { "no checksum", QStringLiteral("new.dat"), { { "new.dat", "" } } },
        { "empty checksum", QStringLiteral("new.dat,"), { { "new.dat", "" } } },
        { "korean name with blank", QStringLiteral("도움말 파일.txt,5"), { { "도움말 파일.txt", "5" } } },
        { "blank lines only", QStringLiteral("  \r\n\t\r\n"), {} },
    };
    for (const Case& c : cases) {
        const order::ParsedSection parsed = ParseFileSection(c.section);
        ASSERT_EQ(parsed.entries.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(parsed.entries[i].name, c.expected[i].first) << c.what;
            EXPECT_EQ(parsed.entries[i].checksum, c.expected[i].second) << c.what;
        }
        EXPECT_TRUE(parsed.refused.isEmpty()) << c.what;
    }
}

TEST(UpdateList, NamesThatLeaveTheFolderAreRefused)
{
    const QString section = QStringLiteral(
        "../nrclient,1\r\n/etc/passwd,2\r\nsub/file.dat,3\r\n..\\evil.dll,4\r\nC:\\x.dll,5\r\n..,6\r\n.,7\r\n"
        "\"a/b\",8\r\n,9\r\nok.dat,10\r\nC:x.dll,11");
    const order::ParsedSection parsed = ParseFileSection(section);
    ASSERT_EQ(parsed.entries.size(), 1u);
    EXPECT_EQ(parsed.entries[0].name, QStringLiteral("ok.dat"));
    EXPECT_EQ(parsed.refused.size(), 10);

    for (const char* bad : { "", ".", "..", "a/b", "a\\b", "/abs", "C:x" })
        EXPECT_FALSE(order::IsSafeFileName(QString::fromUtf8(bad))) << bad;
    for (const char* good : { "a", "..a", "a..b", "NEW_nrclient", "그림.bmp", "a b.c" })
        EXPECT_TRUE(order::IsSafeFileName(QString::fromUtf8(good))) << good;
}

TEST(UpdateList, NamesToFetchComparesChecksumText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(folder + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(QStringLiteral("same.dat"), "abc"); // 891568578
    write(QStringLiteral("changed.dat"), "abcd");
    write(QStringLiteral("zeros.dat"), "abc");
    write(QStringLiteral("empty.dat"), ""); // checksum 0
    QDir(folder).mkdir(QStringLiteral("adir"));

    const std::vector<order::UpdateEntry> entries = {
        { "same.dat", "891568578" },
        { "changed.dat", "891568578" },
        { "missing.dat", "" },
        { "zeros.dat", "0891568578" },
        { "empty.dat", "0" },
        { "adir", "0" },
    };
    const QStringList names = order::NamesToFetch(entries, folder, &order::FileChecksum);
    EXPECT_EQ(names, (QStringList { "changed.dat", "missing.dat", "zeros.dat", "adir" }));
}

TEST(UpdateList, NamesToFetchUsesTheGivenChecksum)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    for (const char* n : { "a", "b" }) {
        QFile f(folder + QLatin1String(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    std::map<QString, std::uint32_t> sums { { folder + "a", 7u }, { folder + "b", 4294967295u } };
    int calls = 0;
    const QStringList names = order::NamesToFetch({ { "a", "7" }, { "b", "-1" } }, folder, [&](const QString& p) {
        ++calls;
        return sums[p];
    });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(names, QStringList { "b" }); // unsigned text, never negative
}

TEST(UpdateList, VersionIgnoresSurroundingLineBreaks)
{
    EXPECT_TRUE(order::VersionMatches(QStringLiteral("123"), QStringLiteral("123")));
    EXPECT_TRUE(order::VersionMatches(QStringLiteral("\r\n123\r\n"), QStringLiteral("123")));
    EXPECT_FALSE(order::VersionMatches(QStringLiteral("0123"), QStringLiteral("123")));
    EXPECT_FALSE(order::VersionMatches(QString(), QStringLiteral("0")));
}

} // namespace
