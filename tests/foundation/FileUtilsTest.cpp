#include "foundation/FileUtils.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {
namespace {

namespace fs = std::filesystem;

class DeleteDirectoryTest : public ::testing::Test {
protected:
    test::TempDir FTemp;
    fs::path FTarget = FTemp.Path() / "Certificates";
};

TEST_F(DeleteDirectoryTest, DeletesTheFolderWithEverythingInIt)
{
    fs::create_directories(FTarget / "sub" / "deeper");
    test::WriteFileBytes(FTarget / "a.cer", "a");
    test::WriteFileBytes(FTarget / "sub" / "deeper" / "b.p7b", "b");

    std::string error = "stale";
    DeleteDirectory(FTarget.string() + "/", error);

    EXPECT_EQ(error, "");
    EXPECT_FALSE(fs::exists(FTarget));
    EXPECT_TRUE(fs::exists(FTemp.Path()));
}

TEST_F(DeleteDirectoryTest, RemovesLinksWithoutFollowingThem)
{
    const fs::path outside = FTemp.Path() / "outside";
    fs::create_directories(outside);
    test::WriteFileBytes(outside / "keep.txt", "keep");
    fs::create_directories(FTarget);
    fs::create_directory_symlink(outside, FTarget / "link");

    std::string error;
    DeleteDirectory(FTarget.string(), error);

    EXPECT_EQ(error, "");
    EXPECT_FALSE(fs::exists(FTarget));
    EXPECT_EQ(test::ReadFileBytes(outside / "keep.txt"), "keep");
}

TEST_F(DeleteDirectoryTest, AMissingFolderIsNoError)
{
    std::string error = "stale";
    DeleteDirectory((FTemp.Path() / "absent").string() + "/", error);
    EXPECT_EQ(error, "");
}

TEST_F(DeleteDirectoryTest, RefusesAnEmptyPathAndDeletesNothing)
{
    test::WriteFileBytes(FTemp.Path() / "here.txt", "x");
    const fs::path before = fs::current_path();
    fs::current_path(FTemp.Path());

    std::string error;
    DeleteDirectory("", error);

    fs::current_path(before);
    EXPECT_EQ(error, "DeleteDirectory - не вказано папку для видалення");
    EXPECT_TRUE(fs::exists(FTemp.Path() / "here.txt"));
}

TEST_F(DeleteDirectoryTest, ReportsWhyItCouldNotDelete)
{
    // A name longer than any file system allows: refused whoever runs the test.
    std::string error;
    DeleteDirectory((FTemp.Path() / std::string(300, 'x')).string(), error);

    EXPECT_TRUE(error.starts_with("DeleteDirectory - ")) << error;
    EXPECT_GT(error.size(), std::string("DeleteDirectory - ").size());
}

struct TTextCase {
    std::string Name;
    std::string Bytes;
    std::string Text;
};

TEST(LoadTextFile, EncodingFromTheMarkAndCrLfLines)
{
    const std::vector<TTextCase> cases = {
        {"utf8 mark", "\xEF\xBB\xBF\xD0\x9A\xD0\xBE\xD1\x80\xD0\xB2\xD0\xB5\xD0\xBB\nі", "Корвел\r\nі\r\n"},
        {"utf16 le mark", std::string("\xFF\xFE\x1A\x04\x56\x04\n\0", 8), "Кі\r\n"},
        {"utf16 be mark", std::string("\xFE\xFF\x04\x1A\x04\x56\0\r\0\n\0x", 12), "Кі\r\nx\r\n"},
        {"windows-1251 without mark", "\xCF\xF0\xE8\xE2\xB3\xF2", "Привіт\r\n"},
        {"mixed line ends", "a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd\r\n"},
        {"blank lines kept", "a\n\n\nb\r\n", "a\r\n\r\n\r\nb\r\n"},
        {"empty file", "", ""},
        {"mark only", "\xEF\xBB\xBF", ""},
    };
    test::TempDir temp;
    for (const auto& c : cases) {
        const fs::path file = temp.Path() / "CAs.json";
        test::WriteFileBytes(file, c.Bytes);
        EXPECT_EQ(LoadTextFile(file.string()), c.Text) << c.Name;
    }
}

TEST(LoadTextFile, MissingFileOrFolderRaises)
{
    test::TempDir temp;
    EXPECT_THROW(LoadTextFile((temp.Path() / "absent.json").string()), std::runtime_error);
    EXPECT_THROW(LoadTextFile(temp.Path().string()), std::runtime_error);
}

}  // namespace
}  // namespace korvel
