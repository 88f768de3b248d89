#include "platform/ProgramDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace tarrow {
namespace {

TEST(ProgramDir, IsTheDirectoryOfTheProgramFileNotTheWorkingDirectory)
{
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const std::string dir = ProgramDirectory();
    std::filesystem::current_path(saved);

    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(dir + "platform_tests"));
    EXPECT_EQ(ProgramFilePath(), dir + "platform_tests");
    EXPECT_EQ(ProgramTitle(), "platform_tests");
}

TEST(ProgramDir, ExtractFilePathKeepsTheTrailingSeparator)
{
    EXPECT_EQ(ExtractFilePath("/opt/tarrow/TARROW"), "/opt/tarrow/");
    EXPECT_EQ(ExtractFilePath("TARROW"), "");
    EXPECT_EQ(ExtractFilePath("/TARROW"), "/");
}

}  // namespace
}  // namespace tarrow
