#include "IniFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

using namespace order;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path = (dir.path() + "/user.ini").toStdString();
};

}  // namespace

TEST_F(IniFileTest, WritesAndReadsBackSectionsAndKeys)
{
    {
        IniFile ini(path);
        ini.WriteString("MASTER", "ID", "");
        ini.WriteString("CUSTOMER", "ID", "");
        ASSERT_TRUE(ini.Save());
    }
    EXPECT_EQ(Slurp(path), "[MASTER]\r\nID=\r\n[CUSTOMER]\r\nID=\r\n");
    IniFile ini(path);
    ini.WriteString("MASTER", "ID", "NURI");
    ini.WriteString("CUSTOMER", "ID", "SHOP01");
    ini.WriteString("CUSTOMER", "NAME", "행복마트");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Slurp(path), "[MASTER]\r\nID=NURI\r\n[CUSTOMER]\r\nID=SHOP01\r\nNAME=행복마트\r\n");
    IniFile again(path);
    EXPECT_EQ(again.ReadString("MASTER", "ID", "?"), "NURI");
    EXPECT_EQ(again.ReadString("customer", "id", "?"), "SHOP01");  // names ignore case
    EXPECT_EQ(again.ReadString("CUSTOMER", "NAME", "?"), "행복마트");
    EXPECT_EQ(again.ReadString("CUSTOMER", "MISSING", "?"), "?");
    EXPECT_EQ(again.ReadString("NOSECTION", "ID", "?"), "?");
}

TEST_F(IniFileTest, KeepsOtherLinesAndValuesAsWritten)
{
    Spit(path, "; remembered logins\n[MASTER]\nID = NURI  \nOTHER=1\n\n[CUSTOMER]\nID=SHOP01\n[EXTRA]\nK=a=b\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("MASTER", "ID", "?"), " NURI  ");  // blanks stay; the reader trims
    EXPECT_EQ(ini.ReadString("EXTRA", "K", "?"), "a=b");
    EXPECT_EQ(ini.ReadString("MASTER", "; remembered logins", "?"), "?");
    ini.WriteString("MASTER", "ID", "MARU");
    ini.WriteString("MASTER", "NEW", "x");
    ini.WriteString("CUSTOMER", "ID", "SHOP02");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Slurp(path),
              "; remembered logins\r\n[MASTER]\r\nID=MARU\r\nOTHER=1\r\nNEW=x\r\n\r\n[CUSTOMER]\r\nID=SHOP02\r\n"
              "[EXTRA]\r\nK=a=b\r\n");
}

TEST_F(IniFileTest, MissingOrUnwritableFiles)
{
    IniFile missing(path);
    EXPECT_FALSE(missing.Load());
    EXPECT_EQ(missing.ReadString("MASTER", "ID", "default"), "default");
    IniFile unwritable((dir.path() + "/no/such/folder/user.ini").toStdString());
    unwritable.WriteString("MASTER", "ID", "x");
    EXPECT_FALSE(unwritable.Save());
}
