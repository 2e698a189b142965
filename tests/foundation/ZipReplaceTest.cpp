#include "foundation/ZipReplace.h"

#include "fixtures/TempDir.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace korvel {
namespace {

namespace fs = std::filesystem;
using TEntries = std::vector<std::pair<std::string, std::string>>;

// An archive written by libzip; stored entries leave their bytes visible for damaging.
std::string MakeZip(const TEntries& AEntries)
{
    test::TempDir temp;
    const std::string path = (temp.Path() / "update.zip").string();
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        throw std::runtime_error("zip_open");
    for (const auto& [name, content] : AEntries) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (source == nullptr || index < 0 || zip_set_file_compression(archive, index, ZIP_CM_STORE, 0) != 0)
            throw std::runtime_error("zip_file_add");
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error("zip_close");
    return test::ReadFileBytes(path);
}

std::chrono::system_clock::time_point LocalMoment(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond)
{
    std::tm local{};
    local.tm_year = AYear - 1900;
    local.tm_mon = AMonth - 1;
    local.tm_mday = ADay;
    local.tm_hour = AHour;
    local.tm_min = AMinute;
    local.tm_sec = ASecond;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

const std::string OldProgram = "old program bytes";
const std::string NewProgram = "new program bytes, a little longer than the old ones";

class ZipReplaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TLog::ResetForTests();
        TLog::AttachWindowLines(FLines);
        FSeams.Clock = [] { return LocalMoment(2024, 1, 31, 14, 3, 9); };
    }
    void TearDown() override { TLog::ResetForTests(); }

    // The logged messages, without their time stamps.
    std::vector<std::string> Logged() const
    {
        std::vector<std::string> messages;
        for (const auto& line : FLines->TakePending())
            messages.push_back(line.substr(std::string("31.01.2024 14:03:09.000: ").size()));
        return messages;
    }

    fs::path Target() const { return FFolder.Path() / "Korvel.exe"; }
    fs::path Backup() const { return FFolder.Path() / "Korvel20240131_140309.exe"; }

    void PlaceOldProgram(fs::perms APerms = fs::perms(0755)) const
    {
        test::WriteFileBytes(Target(), OldProgram);
        fs::permissions(Target(), APerms);
    }

    std::vector<std::string> FolderContent() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FFolder.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir FFolder;
    std::shared_ptr<TLogWindowLines> FLines = std::make_shared<TLogWindowLines>();
    TZipReplaceSeams FSeams;
};

TEST_F(ZipReplaceTest, ReplacesTheFileAndKeepsATimeStampedBackup)
{
    PlaceOldProgram();
    const std::string zip = MakeZip({{"KorvelService.exe", "service"}, {"Korvel.exe", NewProgram}});

    EXPECT_TRUE(ReplaceFileFromZip(zip, "Korvel.exe", FFolder.Folder(), FSeams));

    EXPECT_EQ(test::ReadFileBytes(Target()), NewProgram);
    EXPECT_EQ(test::ReadFileBytes(Backup()), OldProgram);
    EXPECT_EQ(FolderContent(), (std::vector<std::string>{"Korvel.exe", "Korvel20240131_140309.exe"}));
    EXPECT_EQ(Logged(), std::vector<std::string>{"Оновлення файлу Korvel.exe виконано успішно"});
}

TEST_F(ZipReplaceTest, EntryNameMatchesIgnoringLatinCaseOnlyAtTopLevel)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Korvel.EXE", true},      {"KORVEL.exe", true}, {"bin/Korvel.exe", false},
        {"Korvel.exe.bak", false}, {"Korvel.ex", false}, {"Korvеl.exe", false},  // Cyrillic "е"
    };
    for (const auto& [entryName, matches] : cases) {
        test::TempDir folder;
        test::WriteFileBytes(folder.Path() / "Korvel.exe", OldProgram);
        EXPECT_EQ(ReplaceFileFromZip(MakeZip({{entryName, NewProgram}}), "Korvel.exe", folder.Folder(), FSeams),
                  matches)
            << entryName;
        EXPECT_EQ(test::ReadFileBytes(folder.Path() / "Korvel.exe"), matches ? NewProgram : OldProgram) << entryName;
    }
}

TEST_F(ZipReplaceTest, OnlyLatinLettersIgnoreCase)
{
    test::WriteFileBytes(FFolder.Path() / "Корвел.exe", OldProgram);
    EXPECT_FALSE(ReplaceFileFromZip(MakeZip({{"КОРВЕЛ.exe", NewProgram}}), "Корвел.exe", FFolder.Folder(), FSeams));
    EXPECT_TRUE(ReplaceFileFromZip(MakeZip({{"Корвел.EXE", NewProgram}}), "Корвел.exe", FFolder.Folder(), FSeams));
}

TEST_F(ZipReplaceTest, AFileThatIsNotThereIsNeverCreated)
{
    EXPECT_FALSE(ReplaceFileFromZip(MakeZip({{"Korvel.exe", NewProgram}}), "Korvel.exe", FFolder.Folder(), FSeams));
    EXPECT_TRUE(FolderContent().empty());
    EXPECT_TRUE(Logged().empty());
}

TEST_F(ZipReplaceTest, AnArchiveWithoutTheEntryChangesNothing)
{
    PlaceOldProgram();
    EXPECT_FALSE(
        ReplaceFileFromZip(MakeZip({{"KorvelService.exe", "service"}}), "Korvel.exe", FFolder.Folder(), FSeams));
    EXPECT_EQ(FolderContent(), std::vector<std::string>{"Korvel.exe"});
    EXPECT_TRUE(Logged().empty());
}

TEST_F(ZipReplaceTest, AWriteThatFailsHalfWayRestoresTheOldFile)
{
    PlaceOldProgram();
    FSeams.WriteNewFile = [](const std::string& AFileName, std::string_view AContent, mode_t) {
        test::WriteFileBytes(AFileName, std::string(AContent.substr(0, AContent.size() / 2)));
        return false;
    };

    EXPECT_FALSE(ReplaceFileFromZip(MakeZip({{"Korvel.exe", NewProgram}}), "Korvel.exe", FFolder.Folder(), FSeams));

    EXPECT_EQ(test::ReadFileBytes(Target()), OldProgram);
    EXPECT_EQ(FolderContent(), std::vector<std::string>{"Korvel.exe"});
    EXPECT_EQ(Logged(),
              (std::vector<std::string>{"Помилка підчас збереження файлу Korvel.exe", "Відновлення файлу Korvel.exe"}));
}

TEST_F(ZipReplaceTest, AFailedRestoreIsLoggedAndKeepsTheBackup)
{
    PlaceOldProgram();
    // Something else takes the file's place: the backup cannot be moved back over a folder.
    FSeams.WriteNewFile = [](const std::string& AFileName, std::string_view, mode_t) {
        fs::create_directories(fs::path(AFileName) / "occupied");
        return false;
    };

    EXPECT_FALSE(ReplaceFileFromZip(MakeZip({{"Korvel.exe", NewProgram}}), "Korvel.exe", FFolder.Folder(), FSeams));

    EXPECT_EQ(test::ReadFileBytes(Backup()), OldProgram);
    EXPECT_EQ(Logged(), (std::vector<std::string>{"Помилка підчас збереження файлу Korvel.exe",
                                                  "Помилка відновлення файлу Korvel.exe"}));
}

TEST_F(ZipReplaceTest, AnEarlierBackupOfTheSameSecondIsNeverOverwritten)
{
    PlaceOldProgram();
    test::WriteFileBytes(Backup(), "earlier backup");

    EXPECT_FALSE(ReplaceFileFromZip(MakeZip({{"Korvel.exe", NewProgram}}), "Korvel.exe", FFolder.Folder(), FSeams));

    EXPECT_EQ(test::ReadFileBytes(Target()), OldProgram);
    EXPECT_EQ(test::ReadFileBytes(Backup()), "earlier backup");
    EXPECT_EQ(Logged(), std::vector<std::string>{"Не вдалося перейменувати Korvel.exe"});
}

TEST_F(ZipReplaceTest, TheNewFileKeepsThePermissionBits)
{
    for (const auto perms : {fs::perms(0750), fs::perms(0775), fs::perms(0700)}) {
        test::TempDir folder;
        test::WriteFileBytes(folder.Path() / "Korvel.exe", OldProgram);
        fs::permissions(folder.Path() / "Korvel.exe", perms);
        const mode_t oldMask = ::umask(022);

        const bool replaced = ReplaceFileFromZip(MakeZip({{"Korvel.exe", NewProgram}}), "Korvel.exe", folder.Folder());

        ::umask(oldMask);
        ASSERT_TRUE(replaced);
        EXPECT_EQ(fs::status(folder.Path() / "Korvel.exe").permissions(), perms);
    }
}

TEST_F(ZipReplaceTest, ReadsTheStreamFromItsStart)
{
    PlaceOldProgram();
    std::stringstream stream(MakeZip({{"Korvel.exe", NewProgram}}));
    stream.seekg(0, std::ios::end);

    EXPECT_TRUE(ReplaceFileFromZip(stream, "Korvel.exe", FFolder.Folder(), FSeams));
    EXPECT_EQ(test::ReadFileBytes(Target()), NewProgram);
}

TEST_F(ZipReplaceTest, ADamagedArchiveRaisesAndChangesNothing)
{
    PlaceOldProgram();
    std::string damagedEntry = MakeZip({{"Korvel.exe", NewProgram}});
    damagedEntry[damagedEntry.find(NewProgram) + 3] ^= 0x20;
    std::string cut = MakeZip({{"Korvel.exe", NewProgram}});
    cut.resize(cut.size() - 10);

    for (const std::string& archive : {std::string(), std::string("not a zip archive"), cut, damagedEntry})
        EXPECT_THROW(ReplaceFileFromZip(archive, "Korvel.exe", FFolder.Folder(), FSeams), std::runtime_error);

    EXPECT_EQ(test::ReadFileBytes(Target()), OldProgram);
    EXPECT_EQ(FolderContent(), std::vector<std::string>{"Korvel.exe"});
}

TEST(BackupFileName, FolderNameWithoutExtensionStampAndExe)
{
    const auto moment = LocalMoment(2024, 1, 31, 14, 3, 9);
    EXPECT_EQ(BackupFileName("/opt/korvel/", "Korvel.exe", moment), "/opt/korvel/Korvel20240131_140309.exe");
    EXPECT_EQ(BackupFileName("/opt/korvel/", "korvelservice", moment), "/opt/korvel/korvelservice20240131_140309.exe");
    EXPECT_EQ(BackupFileName("/opt/", "a.b.dll", LocalMoment(2023, 12, 1, 0, 0, 0)), "/opt/a.b20231201_000000.exe");
}

}  // namespace
}  // namespace korvel
