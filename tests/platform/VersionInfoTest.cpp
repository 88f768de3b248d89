#include "platform/VersionInfo.h"

#include "platform/ProgramDir.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

// This program links the same version block (on Windows the VERSIONINFO resource) as the programs.
TEST(VersionInfo, AProgramReadsItsOwnFileVersionAndOtherFilesHaveNone)
{
    const auto version = ReadFileVersion(ProgramFilePath());
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(*version, (TFileVersion{1, 1, 1, 0}));

    test::TTempDir dir;
    EXPECT_FALSE(ReadFileVersion(dir.Write("plain.txt", "no version here")).has_value());
    EXPECT_FALSE(ReadFileVersion(dir.Write("empty.exe", "")).has_value());
    EXPECT_FALSE(ReadFileVersion(dir.Path() + "missing.exe").has_value());
}

}  // namespace
}  // namespace tarrow
