#include "FileChecksum.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace {

// Bit-by-bit CRC-32 (reflected 0xEDB88320), independent of zlib's tables.
std::uint32_t ReferenceCrc(const std::string& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string Pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + 7) % 251);
    return s;
}

QString Write(const QTemporaryDir& dir, const QString& name, const std::string& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
}

TEST(FileChecksum, KnownValuesAndBlockBoundaries)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* name;
        std::string bytes;
        std::uint32_t expected;
    };
    const Case cases[] = {
        { "abc", "abc", 891568578u },
        { "empty", "", 0u },
        { "one-block", Pattern(order::kChecksumBlock), ReferenceCrc(Pattern(order::kChecksumBlock)) },
        { "two-blocks", Pattern(order::kChecksumBlock + 1), ReferenceCrc(Pattern(order::kChecksumBlock + 1)) },
        { "several", Pattern(3 * order::kChecksumBlock + 17), ReferenceCrc(Pattern(3 * order::kChecksumBlock + 17)) },
        { "zero-bytes", std::string(1000, '\0'), ReferenceCrc(std::string(1000, '\0')) },
    };
    for (const Case& c : cases) {
        const QString path = Write(dir, QString::fromLatin1(c.name), c.bytes);
        EXPECT_EQ(order::FileChecksum(path), c.expected) << c.name;
    }
    // The one-block and two-block files differ only in their last byte.
    EXPECT_NE(order::FileChecksum(dir.filePath("one-block")), order::FileChecksum(dir.filePath("two-blocks")));
}

TEST(FileChecksum, MissingOrUnreadableGivesZero)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(order::FileChecksum(dir.filePath("missing")), 0u);
    EXPECT_EQ(order::FileChecksum(dir.path()), 0u); // a folder is not a file
    EXPECT_EQ(order::FileChecksum(QString()), 0u);
}

TEST(FileChecksum, PathWithBlanksAndKorean)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("설치 폴더")));
    const QString path = Write(dir, QStringLiteral("설치 폴더/그림 1.bmp"), "abc");
    EXPECT_EQ(order::FileChecksum(path), 891568578u);
}

TEST(FileChecksum, TextIsUnsignedDecimal)
{
    EXPECT_EQ(order::ChecksumText(0), QStringLiteral("0"));
    EXPECT_EQ(order::ChecksumText(891568578u), QStringLiteral("891568578"));
    EXPECT_EQ(order::ChecksumText(0xFFFFFFFFu), QStringLiteral("4294967295"));
}

} // namespace
