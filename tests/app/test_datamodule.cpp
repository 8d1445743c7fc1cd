#include "DataModule.h"
#include "HttpClient.h"
#include "IniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace order;

namespace {

QString ReadAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ProgramDir = dir.path() + QLatin1Char('/');
        WorkDir = dir.path() + QStringLiteral("/work/");
        savedTransport = Transport();
    }
    void TearDown() override
    {
        ClearGlobals();
        Transport() = savedTransport;
    }
    QTemporaryDir dir;
    TransportSettings savedTransport;
};

}  // namespace

TEST_F(DataModuleTest, MissingUserIniIsCreatedWithBothEmptyKeys)
{
    const QString ini = ProgramDir + QStringLiteral("user.ini");
    ASSERT_FALSE(QFile::exists(ini));
    TDM dm;
    ASSERT_TRUE(QFile::exists(ini));
    EXPECT_EQ(dm.UserIniPath(), ini);
    const QString text = ReadAll(ini);
    EXPECT_TRUE(text.contains(QStringLiteral("[MASTER]\r\nID=\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[CUSTOMER]\r\nID=\r\n"))) << text.toStdString();
    IniFile read(ini.toStdString());
    EXPECT_EQ(read.ReadString("MASTER", "ID", "missing"), "");
    EXPECT_EQ(read.ReadString("CUSTOMER", "ID", "missing"), "");
    EXPECT_TRUE(dm.M_ID.isEmpty());
    EXPECT_TRUE(dm.C_ID.isEmpty());
}

TEST_F(DataModuleTest, RemembersIdentifiersTrimmedRightAndCut)
{
    struct Case {
        QByteArray master;
        QByteArray customer;
        QString mId;
        QString cId;
    };
    const std::vector<Case> cases = {
        {"NURI   ", "SHOP01 ", "NURI", "SHOP01"},
        {"  NURI", "SHOP01\t ", "  NURI", "SHOP01\t"},
        {"ABCDEFGHIJKLMNOP", "", "ABCDEFGHIJK", ""},
        // Text 11: five Hangul syllables are ten bytes in code page 949; the sixth would split.
        {"NURI", "행복마트행복마트", "NURI", "행복마트행"},
    };
    for (const auto& c : cases) {
        Write(ProgramDir + "user.ini", "[MASTER]\r\nID=" + c.master + "\r\n\r\n[CUSTOMER]\r\nID=" + c.customer + "\r\n");
        TDM dm;
        EXPECT_EQ(dm.M_ID.get(), c.mId) << c.master.toStdString();
        EXPECT_EQ(dm.C_ID.get(), c.cId) << c.customer.toStdString();
    }
}

TEST_F(DataModuleTest, CreationResetsCountersCachesAndClassNames)
{
    CallCounter = 41;
    ClassNames[0] = QStringLiteral("과일");
    ClassNames[99] = QStringLiteral("채소");
    {
        TDM dm;
        EXPECT_EQ(DM, &dm);
        dm.TradedCache = "x";
        dm.CatalogCache = "y";
        dm.C_MSG = QStringLiteral("z");
        dm.NoticeCache = "kept";
        CallCounter = 3;
        dm.DataModuleCreate();
        EXPECT_EQ(CallCounter.load(), 0u);
        EXPECT_EQ(CallCount(), 0u);
        EXPECT_TRUE(dm.TradedCache.empty());
        EXPECT_TRUE(dm.CatalogCache.empty());
        EXPECT_TRUE(dm.C_MSG.isEmpty());
        EXPECT_EQ(dm.NoticeCache, "kept");
        EXPECT_FALSE(dm.IsWin2000Family);
        for (const auto& n : ClassNames)
            EXPECT_TRUE(n.isEmpty());
        // "download" answers land in the work folder.
        EXPECT_EQ(QString::fromStdString(Transport().downloadFile), WorkDir + QStringLiteral("downfile"));
    }
    EXPECT_EQ(DM, nullptr);
}

TEST_F(DataModuleTest, LoginFieldsAreCutToTheirBytes)
{
    TDM dm;
    dm.M_CODE = QStringLiteral("0000012");
    dm.M_MGU = QStringLiteral("01");
    dm.M_NAME = QString(50, QLatin1Char('a'));
    dm.C_NAME = QStringLiteral("a") + QStringLiteral("가").repeated(20);  // 41 bytes
    dm.C_SS = QStringLiteral("123456789012");
    EXPECT_EQ(dm.M_CODE.get(), "000001");
    EXPECT_EQ(dm.M_MGU.get(), "0");
    EXPECT_EQ(dm.M_NAME.get().size(), 40);
    // 39 bytes: the twentieth syllable would need bytes 40 and 41.
    EXPECT_EQ(dm.C_NAME.get(), QStringLiteral("a") + QStringLiteral("가").repeated(19));
    dm.M_NAME = QStringLiteral("누리식자재 도매센터 누리식자재 도매센터 누리식자재");
    EXPECT_EQ(dm.M_NAME.get(), QStringLiteral("누리식자재 도매센터 누리식자재 도매센터 "));
    EXPECT_EQ(dm.C_SS.get(), "12345678901");
    ClassNames[5] = QString(60, QLatin1Char('c'));
    EXPECT_EQ(ClassNames[5].get().size(), 50);
}

TEST_F(DataModuleTest, UnwritableProgramFolderLeavesIdentifiersEmpty)
{
    ProgramDir = dir.path() + QStringLiteral("/missing/folder/");
    TDM dm;
    EXPECT_FALSE(QFile::exists(ProgramDir + "user.ini"));
    EXPECT_TRUE(dm.M_ID.isEmpty());
    EXPECT_TRUE(dm.C_ID.isEmpty());
}

TEST_F(DataModuleTest, ClearGlobalsEmptiesEveryText)
{
    ProgramChecksum = "123";
    ProgramFileName = "nrclient";
    InstallDir = "/opt/x/";
    UpdateMessage = "m";
    ExtraParam = "e";
    ClassNames[3] = QStringLiteral("x");
    ClearGlobals();
    for (const QString* s : {&ProgramChecksum, &ProgramDir, &ProgramFileName, &WorkDir, &InstallDir, &UpdateMessage,
                             &ExtraParam})
        EXPECT_TRUE(s->isEmpty());
    EXPECT_TRUE(ClassNames[3].isEmpty());
}
