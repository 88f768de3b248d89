#include "platform/ProgramDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarrow {
namespace {

TEST(ProgramDir, IsTheDirectoryOfTheProgramFileNotTheWorkingDirectory)
{
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const std::string dir = ProgramDirectory();
    std::filesystem::current_path(saved);

#if defined(_WIN32)
    const std::string file = "platform_tests.exe";
    const char separator = '\\';
#else
    const std::string file = "platform_tests";
    const char separator = '/';
#endif
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), separator);
    EXPECT_TRUE(std::filesystem::exists(dir + file));
    EXPECT_EQ(ProgramFilePath(), dir + file);
    EXPECT_EQ(ProgramTitle(), "platform_tests");
}

TEST(ProgramDir, ExtractFilePathKeepsTheTrailingSeparator)
{
    EXPECT_EQ(ExtractFilePath("/opt/tarrow/TARROW"), "/opt/tarrow/");
    EXPECT_EQ(ExtractFilePath("TARROW"), "");
    EXPECT_EQ(ExtractFilePath("/TARROW"), "/");
#if defined(_WIN32)
    EXPECT_EQ(ExtractFilePath("C:\\TARROW\\TARROW.exe"), "C:\\TARROW\\");
    EXPECT_EQ(ExtractFilePath("C:TARROW.exe"), "C:");
#else
    EXPECT_EQ(ExtractFilePath("C:\\TARROW\\TARROW.exe"), "");
#endif
}

}  // namespace
}  // namespace tarrow
