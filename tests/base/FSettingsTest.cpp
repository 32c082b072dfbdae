#include "base/FSettings.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

FSettingsEnvironment Environment(const ScratchDir& dir)
{
    return {dir.dirF(), 1920, 1080};
}

TEST(FSettings, SavedFileLoadsBackAndSavesByteForByte)
{
    ScratchDir dir;
    FSettings s(Environment(dir));
    s.Window = {-5, 7, 900, 700};
    s.BGColour = {0.1f, 0.25f, 1.0f};
    s.BGTexturePath = FString(u"/home/u/my pics/bg.jpg");
    s.RenderTransparentPage = false;
    s.ExportFPS = 29.97f;
    s.cameraPresets[0].pitch = 1.5707964f;
    s.AddRecentPath(FString(u"/data/Holiday 2026/IMG_1.JPG"));
    s.SetRotation(FString(u"/data/Holiday 2026/IMG_1.JPG"), 5);
    s.SetRotation(FString(u"/data/x.jpg"), 3);
    s.SetRotation(FString(u"/data/x.jpg"), 0); // set back: not written
    ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved);
    const std::string bytes = ReadBytes(dir.file("QuilloPhotoBook.ini"));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(bytes.find(Utf16File(u"\r\nCameraPreset\t0\t0\t110\t10\t0\t1.5708\t0\t1.18\r\n", false)),
              std::string::npos);
    EXPECT_NE(bytes.find(Utf16File(u"\r\nRecentPath2\t\"\"\r\n", false)), std::string::npos);

    // Every value comes back: saved again, the file is the same byte for byte.
    // Floats go through six significant digits, so what comes back is the number
    // written, not the one set.
    FSettings back(Environment(dir));
    back.SettingsLoad();
    EXPECT_TRUE(back.Loaded);
    EXPECT_EQ(back.GetRotation(FString(u"/DATA/holiday 2026/img_1.jpg")), 5);
    EXPECT_EQ(back.cameraPresets[0].pitch, 1.5708f);
    ASSERT_EQ(back.SettingsSave(), FSaveResult::Saved);
    EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini")), bytes);
}

TEST(FSettings, HandEditedFiles)
{
    ScratchDir dir;
    WriteBytes(dir.file("QuilloPhotoBook.ini"), "Quality\r\n"
                                                "quality\t2\r\n"
                                                "CameraPreset\t10\t1\t2\t3\t4\t5\t6\t7\r\n"
                                                "CameraPreset\t-1\t1\t2\t3\t4\t5\t6\t7\r\n"
                                                "CameraPreset\t3\t1\t2\r\n"
                                                "Unknown\tline\r\n"
                                                "\x01\x02\xff garbage \x7f\r\n"
                                                "BGColour\t0.5\r\n");
    FSettings s(Environment(dir));
    s.SettingsLoad();
    EXPECT_EQ(s.Quality, 0); // the key without a value stores 0
    EXPECT_EQ(s.cameraPresets[9], DefaultCameraPresets()[9]);
    EXPECT_EQ(s.cameraPresets[3], (FCameraPose{1, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(s.BGColour, (FColour{0.5f, 0, 0}));
}

TEST(FSettings, WindowRecentFoldersRotationsAndReset)
{
    ScratchDir dir;
    EXPECT_EQ(FSettings({dir.dirF(), 1365, 767}).Window, (FRect{282, 83, 1082, 683}));
    EXPECT_EQ(FSettings({dir.dirF(), 640, 480}).Window, (FRect{-80, -60, 720, 540})); // rounds toward zero
    FSettings s(Environment(dir));
    for (int i = 0; i < 10; ++i)
        s.RecentPath[i] = FString::FromUtf8("/f" + std::to_string(i) + "/p.jpg");
    auto snapshot = s.RecentPath;

    s.AddRecentPath(FString(u"/f0/other.jpg")); // same folder as entry 0: nothing changes
    EXPECT_EQ(s.RecentPath, snapshot);

    s.AddRecentPath(FString(u"/f3/Q.JPG"));
    EXPECT_EQ(U8(s.RecentPath[0]), "/f3/Q.JPG");
    EXPECT_EQ(U8(s.RecentPath[3]), "/f2/p.jpg");

    s.AddRecentPath(FString(u"/F3/q.jpg")); // another folder on a case-sensitive disk
    EXPECT_EQ(U8(s.RecentPath[0]), "/F3/q.jpg");
    EXPECT_EQ(U8(s.RecentPath[9]), "/f8/p.jpg"); // the old entry 9 was dropped

    EXPECT_EQ(U8(s.GetRecentPath(10)) + U8(s.GetRecentPath(-1)), "  ");

    // The rotation table fills up and then refuses new photos, not known ones.
    for (int i = 0; i < kRotationCount; ++i)
        ASSERT_TRUE(s.SetRotation(FString::FromUtf8("/p/" + std::to_string(i) + ".jpg"), 1));
    EXPECT_FALSE(s.SetRotation(FString(u"/p/new.jpg"), 2));
    EXPECT_TRUE(s.SetRotation(FString(u"/P/7.JPG"), 3));
    EXPECT_EQ(s.GetRotation(FString(u"/p/7.jpg")), 3);

    // Reset restores the defaults but keeps recent folders and rotations.
    s.cameraPresets[2].eyeX = 99;
    s.SettingsReset();
    EXPECT_EQ(s.cameraPresets, DefaultCameraPresets());
    EXPECT_EQ(U8(s.RecentPath[0]), "/F3/q.jpg");
    EXPECT_EQ(s.GetRotation(FString(u"/p/7.jpg")), 3);
}

TEST(FSettings, SavesThatCannotOrMayNotWriteKeepWhatIsThere)
{
    ScratchDir dir;
    // A file that appeared after the start (another instance) is not overwritten.
    FSettings s(Environment(dir));
    WriteBytes(dir.file("QuilloPhotoBook.ini"), "from another instance\r\n");
    EXPECT_EQ(s.SettingsSave(), FSaveResult::SkippedUnread);
    EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini")), "from another instance\r\n");

    // A settings file that is a directory is reported and kept.
    ScratchDir other;
    std::filesystem::create_directory(other.file("QuilloPhotoBook.ini"));
    FSettings blocked(Environment(other));
    EXPECT_EQ(blocked.SettingsSave(), FSaveResult::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(other.file("QuilloPhotoBook.ini")));
    EXPECT_FALSE(std::filesystem::exists(other.file("QuilloPhotoBook.ini.tmp")));
}

TEST(FSettings, FullDiskDuringSaveKeepsTheOldFile)
{
    ScratchDir dir;
    ASSERT_EQ(FSettings(Environment(dir)).SettingsSave(), FSaveResult::Saved);
    const std::string before = ReadBytes(dir.file("QuilloPhotoBook.ini"));

    // A child process whose files may not grow past 100 bytes stands in for a
    // full disk: its writes fail part-way through the new file.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        FSettings s(Environment(dir));
        s.SettingsLoad();
        s.EffectPath = FString(u"/a/long/path/so/that/the/file/is/bigger.fx");
        _exit(s.SettingsSave() == FSaveResult::Failed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save should have reported the failure";
    EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini")), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("QuilloPhotoBook.ini.tmp")));
}

// An installed program: its folder is read-only, so the settings live in the
// user's configuration folder; a writable file beside the program still wins.
TEST(FSettingsLocation, ReadOnlyProgramFolderUsesTheUserConfigFolder)
{
    ScratchDir dir;
    const std::string program = dir.file("program");
    std::filesystem::create_directory(program);
    FSettingsEnvironment environment{FString::FromUtf8(program), 1280, 1024, dir.fileF("config/QuilloPhotoBook")};
    environment.canWrite = [&](const FString& path) { return !path.ToUtf8().starts_with(program); };

    // Settings shipped beside the program are read until the user has their own.
    FSettings shipped({FString::FromUtf8(program), 1280, 1024});
    shipped.Quality = 0;
    ASSERT_EQ(shipped.SettingsSave(), FSaveResult::Saved);
    FSettings s(environment);
    s.SettingsLoad();
    EXPECT_EQ(s.Quality, 0);
    ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved); // creates the folder
    EXPECT_TRUE(std::filesystem::exists(dir.file("config/QuilloPhotoBook/QuilloPhotoBook.ini")));

    // Writable program folder: beside the program, whatever the config folder holds.
    environment.canWrite = [](const FString&) { return true; };
    FSettings beside(environment);
    beside.SettingsLoad();
    EXPECT_EQ(beside.Quality, 0);
}

} // namespace
