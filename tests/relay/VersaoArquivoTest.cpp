#include "relay/Funcoes.h"

#include "platform/ProgramDir.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarrow {
namespace {

TEST(VersaoArquivo, TheRunningProgramCarriesTheShippedVersion)
{
    EXPECT_EQ(VersaoArquivo(""), "1.1.1.0");
    EXPECT_EQ(VersaoArquivo(ProgramFilePath()), "1.1.1.0");
}

TEST(VersaoArquivo, ReadsTheVersionOfAnyProgramFile)
{
    test::TTempDir dir;
    const std::string copia = dir.Path() + "copia.exe";
    std::filesystem::copy_file(ProgramFilePath(), copia);
    EXPECT_EQ(VersaoArquivo(copia), "1.1.1.0");
#ifndef _WIN32
    // Linux's stand-in is a block found wherever it stands in a file; Windows' version API reads
    // only a program's VERSIONINFO resource.
    std::string block("junk before", 11);
    block += std::string("VS_VERSION_INFO\0", 16);
    block += std::string("\xBD\x04\xEF\xFE" "\x00\x00\x01\x00" "\x03\x00\x02\x00" "\x05\x00\x04\x00", 16);
    EXPECT_EQ(VersaoArquivo(dir.Write("other.exe", block + "tail")), "2.3.4.5");
#endif
}

TEST(VersaoArquivo, FilesWithoutAVersionGiveTheEmptyText)
{
    test::TTempDir dir;
    EXPECT_EQ(VersaoArquivo(dir.Write("plain.exe", std::string("VS_VERSION_INFO\0 no signature", 30))), "");
    // Built from pieces: the whole key-and-signature run must not stand in this program's own bytes.
    const std::string cut = std::string("VS_VERSION_INFO", 15) + '\0' + std::string("\xBD\x04\xEF\xFE\x01", 5);
    EXPECT_EQ(VersaoArquivo(dir.Write("cut.exe", cut)), "");
    EXPECT_EQ(VersaoArquivo(dir.Path() + "missing.exe"), "");
}

}  // namespace
}  // namespace tarrow
