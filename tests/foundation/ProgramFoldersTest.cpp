#include "foundation/ProgramFolders.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace korvel {
namespace {

namespace fs = std::filesystem;

class ProgramFoldersTest : public ::testing::Test {
protected:
    test::TempDir FDir;
    test::EnvGuard FHome{"HOME", FDir.Folder() + "home"};
    test::EnvGuard FConfig{"XDG_CONFIG_HOME", FDir.Folder() + "config"};
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "data/Korvel"};
};

TEST_F(ProgramFoldersTest, AppDataFolderIsCreatedWithItsParents)
{
    EXPECT_EQ(GetAppDataFolder(), FDir.Folder() + "config/Korvel/");
    EXPECT_TRUE(fs::is_directory(FDir.Path() / "config/Korvel"));
}

TEST_F(ProgramFoldersTest, DocumentsFolderIsCreatedOnlyWhenAsked)
{
    const std::string expected = FDir.Folder() + "home/Documents/Korvel/";
    EXPECT_EQ(GetDocumentsFolder(false), expected);
    EXPECT_FALSE(fs::exists(expected));
    EXPECT_EQ(GetDocumentsFolder(true), expected);
    EXPECT_TRUE(fs::is_directory(expected));
}

TEST_F(ProgramFoldersTest, DocumentsFolderFollowsTheUserDirsFile)
{
    fs::create_directories(FDir.Path() / "config");
    test::WriteFileBytes(FDir.Path() / "config/user-dirs.dirs",
                         "# made by xdg\nXDG_DOCUMENTS_DIR=\"$HOME/Документи\"\n");
    EXPECT_EQ(GetDocumentsFolder(false), FDir.Folder() + "home/Документи/Korvel/");
}

TEST_F(ProgramFoldersTest, ProgramDataFolderIsNeverCreatedHere)
{
    EXPECT_EQ(GetProgramDataFolder(), FDir.Folder() + "data/Korvel/");
    EXPECT_EQ(GetSpecialFolder(TSpecialFolder::CommonAppData), FDir.Folder() + "data/");
    EXPECT_FALSE(fs::exists(FDir.Path() / "data"));
}

TEST_F(ProgramFoldersTest, CertificatesFolderNeedsTheBaseFolder)
{
    EXPECT_EQ(GetCertificatesFolder(), "");
    EXPECT_FALSE(fs::exists(FDir.Path() / "data"));

    fs::create_directories(FDir.Path() / "data");
    EXPECT_EQ(GetCertificatesFolder(), FDir.Folder() + "data/Korvel/Certificates");
    EXPECT_TRUE(fs::is_directory(FDir.Path() / "data/Korvel/Certificates"));
}

TEST_F(ProgramFoldersTest, CertificatesFolderIsEmptyWhenItCannotBeMade)
{
    fs::create_directories(FDir.Path() / "data/Korvel");
    test::WriteFileBytes(FDir.Path() / "data/Korvel/Certificates", "a file in the way");
    EXPECT_EQ(GetCertificatesFolder(), "");
}

TEST_F(ProgramFoldersTest, ExecutableFolderCanBeRedirected)
{
    EXPECT_EQ(GetExeFolder(), fs::path(GetExePath()).parent_path().string() + "/");
    test::EnvGuard logDir("KORVEL_LOG_DIR", FDir.Folder() + "logs");
    EXPECT_EQ(GetExeFolder(), FDir.Folder() + "logs/");
}

}  // namespace
}  // namespace korvel
