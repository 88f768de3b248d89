#include "platform/IniFile.h"

#include "platform/Errors.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarrow {
namespace {

// Windows changes only the line of the key it writes. Wine writes the whole file anew: blanks
// around "=" and empty lines dropped, every line ended with CR LF. Under Windows builds a file
// either way passes; the Linux writer must keep every other byte.
void ExpectWritten(const std::string& written, const std::string& windows, const std::string& wine)
{
#if defined(_WIN32)
    EXPECT_TRUE(written == windows || written == wine) << written;
#else
    (void)wine;
    EXPECT_EQ(written, windows);
#endif
}

using test::TTempDir;

TEST(IniFileRead, NamesMatchWithoutRegardToCaseAndValuesAreTrimmed)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.ini", "[IP]\r\n  DataBase  =   loja 01  \r\nlocal=\t10.0.0.5\r\n"));
    EXPECT_EQ(ini.ReadString("ip", "database", "x"), "loja 01");
    EXPECT_EQ(ini.ReadString("Ip", "LOCAL", "x"), "10.0.0.5");
}

TEST(IniFileRead, ValueIsEverythingAfterTheFirstEqualsSign)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.ini", "[WebService]\nURL=http://h/x.asmx?a=b\n"));
    EXPECT_EQ(ini.ReadString("WebService", "URL", ""), "http://h/x.asmx?a=b");
}

TEST(IniFileRead, AbsentAndEmptyAreDifferent)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.ini", "[ip]\nsenha=\nlocal =   \n"));
    EXPECT_EQ(ini.Read("ip", "senha"), std::optional<std::string>(""));
    EXPECT_EQ(ini.ReadString("ip", "local", "default"), "");
    EXPECT_EQ(ini.ReadString("ip", "database", "gerente"), "gerente");
    EXPECT_EQ(ini.ReadString("outra", "senha", "d"), "d");
    EXPECT_EQ(TIniFile(dir.Path() + "missing.ini").Read("ip", "senha"), std::nullopt);
}

TEST(IniFileRead, KeysOutsideTheSectionAndLinesWithoutEqualsDoNotCount)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.ini", "database=before\n[other]\ndatabase=other\n[ip]\n; database=comment\n"
                                    "database\n[ip2]\ndatabase=next\n"));
    EXPECT_EQ(ini.Read("ip", "database"), std::nullopt);
    EXPECT_EQ(ini.ReadString("other", "database", ""), "other");
}

TEST(IniFileRead, LongValuesAreCutAt2047Characters)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.ini", "[s]\nk=" + std::string(3000, 'v') + "\n"));
    EXPECT_EQ(ini.ReadString("s", "k", "").size(), 2047u);
}

TEST(IniFileRead, WholeNumbersAreDecimalOrHexadecimalAfter0x)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.ini", "[FilialMatriz]\na=12\nb=0x0C\nc=doze\nd=\ne=-7\nf=0XfF\ng=12x\nh=99999999999\n"
                                    "i=0xFFFFFFFF\n"));
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "a", 0), 12);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "b", 0), 12);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "c", 0), 0);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "d", 0), 0);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "e", 0), -7);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "f", 0), 255);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "g", 0), 0);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "h", 0), 0);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "i", 0), -1);
    EXPECT_EQ(ini.ReadInteger("FilialMatriz", "absent", 5), 5);
}

TEST(IniFileWrite, ReplacesOnlyTheValueAndKeepsEveryOtherByte)
{
    TTempDir dir;
    const std::string before =
        "; Tarrow settings\r\n[Geral]\r\nURL = keep\r\n\r\n[webservice]\r\n  url   =  http://old/x.asmx   \r\n"
        "Timeout=5\r\n[Outra]\r\nURL=other\r\n";
    TIniFile ini(dir.Write("Tarrow.conf", before));
    ini.WriteString("WebService", "URL", "http://127.0.0.1:8080/van.asmx");
    ExpectWritten(dir.Read("Tarrow.conf"),
                  "; Tarrow settings\r\n[Geral]\r\nURL = keep\r\n\r\n[webservice]\r\n  url   =  http://127.0.0.1:8080/van.asmx   \r\n"
                  "Timeout=5\r\n[Outra]\r\nURL=other\r\n",
                  "; Tarrow settings\r\n[Geral]\r\nURL=keep\r\n[webservice]\r\nurl=http://127.0.0.1:8080/van.asmx\r\n"
                  "Timeout=5\r\n[Outra]\r\nURL=other\r\n");
}

TEST(IniFileWrite, AddsAMissingKeyAtTheEndOfItsSection)
{
    TTempDir dir;
    TIniFile ini(dir.Write("a.conf", "[WebService]\nTimeout=5\n\n[Outra]\nx=1"));
    ini.WriteString("WebService", "URL", "http://h/");
    ExpectWritten(dir.Read("a.conf"), "[WebService]\nTimeout=5\nURL=http://h/\n\n[Outra]\nx=1",
                  "[WebService]\r\nTimeout=5\r\nURL=http://h/\r\n[Outra]\r\nx=1\r\n");
    ini.WriteString("Outra", "y", "2");
    ExpectWritten(dir.Read("a.conf"), "[WebService]\nTimeout=5\nURL=http://h/\n\n[Outra]\nx=1\ny=2\n",
                  "[WebService]\r\nTimeout=5\r\nURL=http://h/\r\n[Outra]\r\nx=1\r\ny=2\r\n");
}

TEST(IniFileWrite, CreatesTheFileOrTheSectionWhenMissing)
{
    TTempDir dir;
    TIniFile created(dir.Path() + "Tarrow.conf");
    created.WriteString("WebService", "URL", "http://h/van.asmx");
    EXPECT_EQ(dir.Read("Tarrow.conf"), "[WebService]\r\nURL=http://h/van.asmx\r\n");

    TIniFile other(dir.Write("b.conf", "[Geral]\r\nx=1"));
    other.WriteString("WebService", "URL", "u");
    EXPECT_EQ(dir.Read("b.conf"), "[Geral]\r\nx=1\r\n[WebService]\r\nURL=u\r\n");
    EXPECT_EQ(other.ReadString("webservice", "url", ""), "u");
}

TEST(IniFileWrite, FailureRaisesUnableToWriteWithTheFullFileName)
{
    TTempDir dir;
    const std::string name = dir.Path() + "no-such-dir/Tarrow.conf";
    TIniFile ini(name);
    try {
        ini.WriteString("WebService", "URL", "x");
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + name);
    }
}

TEST(IniFileWrite, ADirectoryInThePlaceOfTheFileReadsAsAbsentAndCannotBeWritten)
{
    TTempDir dir;
    const std::string name = dir.Path() + "Tarrow.conf";
    std::filesystem::create_directory(name);
    TIniFile ini(name);
    EXPECT_EQ(ini.Read("WebService", "URL"), std::nullopt);
    EXPECT_THROW(ini.WriteString("WebService", "URL", "x"), EIniFileException);
}

}  // namespace
}  // namespace tarrow
