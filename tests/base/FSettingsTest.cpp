#include "base/FSettings.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

FSettingsEnvironment Environment(const ScratchDir& dir)
{
    return {dir.dirF(), 1920, 1080};
}

FSettings Loaded(const ScratchDir& dir)
{
    FSettings s(Environment(dir));
    s.SettingsLoad();
    return s;
}

// Paths the line format cannot carry as they are (a quote with a space, line breaks,
// a lone tab, a leading '?' or quote) go through the escaped spelling; ordinary
// ones keep the spelling they always had. Stored: the token in the file.
const struct
{
    const char16_t* path;
    const char16_t* stored;
} kPaths[] = {
    {u"\"/data/q", u"?\"/data/q"},
    {u"/data/Holiday 2026/a.jpg", u"\"/data/Holiday 2026/a.jpg\""},
    {u"/data/100%/a\"b.jpg", u"/data/100%/a\"b.jpg"},
    {u"C:\\photos\\n\\x.jpg", u"C:\\photos\\n\\x.jpg"},
    {u"/a \"b\" c", u"?/a%0020\"b\"%0020c"},
    {u"/data/line\nbreak/x.jpg", u"?/data/line%000Abreak/x.jpg"},
    {u"\t", u"?%0009"},
    {u"  /data/x  ", u"\"  /data/x  \""},
    {u"?/data/%", u"?\?/data/%0025"},
};

TEST(FSettings, SavedFileLoadsBackAndSavesByteForByte)
{
    ScratchDir dir;
    FSettings s(Environment(dir));
    s.Window = {-5, 7, 900, 700};
    s.BGColour = {0.1f, 0.25f, 1.0f};
    s.ExportMoviePath = FString::FromUtf8("/data/\xff\xfe \"x\"/\xc3");
    s.EffectPath = FString::FromUtf8("/" + std::string(1000, 'a'));
    s.RenderTransparentPage = false;
    s.ExportFPS = 29.97f;
    s.cameraPresets[0].pitch = 1.5707964f;
    // Paths too long for a token are left out, not cut: the effect path as it is,
    // the last recent path (501 characters) once its quotes and spaces are escaped.
    std::string spaced = "/";
    for (int i = 0; i < 250; ++i)
        spaced += " \"";
    for (int i = 0; i < 10; ++i) {
        s.RecentPath[i] = i < 9 ? FString(kPaths[i].path) : FString::FromUtf8(spaced);
        ASSERT_TRUE(s.SetRotation(s.RecentPath[i], i + 1));
    }
    // The music keeps its order; a path too long for a token is left out.
    s.ExportMusic = {FString(kPaths[4].path), FString::FromUtf8("/m\xc3\xbasica/\xe2\x99\xaa b.flac"),
                     FString::FromUtf8(spaced), FString(kPaths[1].path)};
    ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved);
    const std::string bytes = ReadBytes(dir.file("QuilloPhotoBook.ini"));
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(bytes.find(Utf16File(u"\r\nCameraPreset\t0\t0\t110\t10\t0\t1.5708\t0\t1.18\r\n", false)),
              std::string::npos);
    for (int i = 0; i < 10; ++i) {
        const std::u16string line =
            u"\r\nRecentPath" + std::u16string(1, u'0' + i) + u"\t" + (i < 9 ? kPaths[i].stored : u"\"\"") + u"\r\n";
        EXPECT_NE(bytes.find(Utf16File(line, false)), std::string::npos) << i;
    }

    // Every value comes back: saved again (not skipped, it was read), the file is the
    // same byte for byte. Floats keep six significant digits: the number written.
    FSettings back = Loaded(dir);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(back.RecentPath[i], i < 9 ? s.RecentPath[i] : FString()) << i;
        EXPECT_EQ(back.GetRotation(s.RecentPath[i]), i < 9 ? i + 1 : 0) << i;
    }
    EXPECT_EQ(back.GetRotation(FString(u"/DATA/holiday 2026/A.JPG")), 2);
    EXPECT_EQ(back.ExportMoviePath, s.ExportMoviePath);
    EXPECT_EQ(back.ExportMusic, (std::vector{s.ExportMusic[0], s.ExportMusic[1], s.ExportMusic[3]}));
    EXPECT_TRUE(back.EffectPath.IsEmpty());
    EXPECT_EQ(back.cameraPresets[0].pitch, 1.5708f);
    ASSERT_EQ(back.SettingsSave(), FSaveResult::Saved);
    EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini")), bytes);
}

// Values that mean nothing fall back to the defaults, so they are neither used
// nor written back; values that only look escaped stay as they are.
TEST(FSettings, HandEditedFiles)
{
    ScratchDir dir;
    WriteBytes(dir.file("QuilloPhotoBook.ini"),
               "Quality\r\n"
               "CameraPreset\t10\t1\t2\t3\t4\t5\t6\t7\r\n"
               "CameraPreset\t3\t1\t2\r\n"
               "CameraPreset 4 nan 1 1 1 1 1 1\r\n"
               "\x01\x02\xff garbage \x7f\r\n"
               "BGColour\t0.5\r\n"
               "CoverColour 0.1 inf 0.1\r\n"
               "PaperColour 0.2 0.3 2\r\n"
               "ExportWidth -640\r\n"
               "ExportFPS inf\r\n"
               "TimePage 7\r\n"
               "RecentPath0\t?%zz\r\nRecentPath1\t?/a%00\r\nRecentPath2\t?/a%0041%0042\r\n");
    FSettings s = Loaded(dir);
    const FSettings defaults(Environment(dir));
    EXPECT_EQ(s.Quality, 0); // the key without a value stores 0
    EXPECT_EQ(s.cameraPresets[9], DefaultCameraPresets()[9]);
    EXPECT_EQ(s.cameraPresets[3], (FCameraPose{1, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(s.cameraPresets[4], DefaultCameraPresets()[4]);
    EXPECT_EQ(s.BGColour, (FColour{0.5f, 0, 0}));
    EXPECT_TRUE(s.CoverColour == defaults.CoverColour && s.PaperColour == defaults.PaperColour);
    EXPECT_TRUE(s.ExportWidth == defaults.ExportWidth && s.ExportFPS == defaults.ExportFPS);
    EXPECT_EQ(s.TimePage, 7); // a meaningful value stays
    EXPECT_EQ(U8(s.RecentPath[0]) + " " + U8(s.RecentPath[1]) + " " + U8(s.RecentPath[2]), "?%zz ?/a%00 /aAB");
    EXPECT_TRUE(s.ExportMusic.empty()); // a file from before the music was stored
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
    EXPECT_EQ(U8(s.RecentPath[0]) + U8(s.RecentPath[3]), "/f3/Q.JPG/f2/p.jpg");
    s.AddRecentPath(FString(u"/F3/q.jpg")); // another folder on a case-sensitive disk
    EXPECT_EQ(U8(s.RecentPath[0]) + U8(s.RecentPath[9]), "/F3/q.jpg/f8/p.jpg"); // the old entry 9 was dropped
    EXPECT_EQ(U8(s.GetRecentPath(10)) + U8(s.GetRecentPath(-1)), "  ");

    // The rotation table fills up and then refuses new photos, not known ones.
    for (int i = 0; i < kRotationCount; ++i)
        ASSERT_TRUE(s.SetRotation(FString::FromUtf8("/p/" + std::to_string(i) + ".jpg"), 1));
    EXPECT_FALSE(s.SetRotation(FString(u"/p/new.jpg"), 2));
    EXPECT_TRUE(s.SetRotation(FString(u"/P/7.JPG"), 3));

    s.SettingsReset(); // keeps the rotations
    EXPECT_EQ(s.GetRotation(FString(u"/p/7.jpg")), 3);
}

TEST(FSettings, SavesThatMayNotOrCannotWriteKeepTheOldFile)
{
    ScratchDir dir;
    FSettings late(Environment(dir));
    ASSERT_EQ(FSettings(Environment(dir)).SettingsSave(), FSaveResult::Saved);
    const std::string before = ReadBytes(dir.file("QuilloPhotoBook.ini"));
    // The file appeared after this one started (another instance, say): left alone.
    EXPECT_EQ(late.SettingsSave(), FSaveResult::SkippedUnread);

    // A child whose files may not grow past 100 bytes stands in for a full disk.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        FSettings s = Loaded(dir);
        s.EffectPath = FString(u"/a/long/path/so/that/the/file/is/bigger.fx");
        _exit(s.SettingsSave() == FSaveResult::Failed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save should have reported the failure";
    EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini")), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no temporary left
}

// Two viewers closing at once each write a temporary of their own: a save leaves
// the one another instance is writing alone.
TEST(FSettings, SaveLeavesAnotherInstancesTemporaryAlone)
{
    ScratchDir dir;
    WriteBytes(dir.file("QuilloPhotoBook.ini.tmp"), "another instance, half way");
    ASSERT_EQ(FSettings(Environment(dir)).SettingsSave(), FSaveResult::Saved);
    EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini.tmp")), "another instance, half way");
    EXPECT_EQ(Loaded(dir).Loaded, true);
}

// A settings file that is a link (kept with other dotfiles, say) stays one: the
// file it names is replaced in its own folder, and made there when missing.
TEST(FSettings, ALinkedFileIsWrittenWhereTheLinkPoints)
{
    for (const bool targetThere : {true, false}) {
        SCOPED_TRACE(targetThere ? "target there" : "target missing");
        ScratchDir dir;
        const std::string kept = dir.file("kept");
        ASSERT_TRUE(std::filesystem::create_directory(kept));
        if (targetThere)
            WriteBytes(kept + "/QuilloPhotoBook.ini", "TimePage 7\r\n");
        std::filesystem::create_symlink("kept/QuilloPhotoBook.ini", dir.file("QuilloPhotoBook.ini"));
        FSettings s = Loaded(dir);
        EXPECT_EQ(s.TimePage, targetThere ? 7 : 3);
        s.TimeZoom = 9;
        ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved);
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("QuilloPhotoBook.ini")));
        EXPECT_EQ(Loaded(dir).TimeZoom, 9);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(kept), {}), 1); // no temporary left
    }
}

// A writable program folder keeps the settings beside the program, whatever the
// user's configuration folder holds.
TEST(FSettingsLocation, WritableProgramFolderWins)
{
    ScratchDir program, config;
    FSettings user({config.dirF(), 1280, 1024});
    user.Quality = 0;
    ASSERT_EQ(user.SettingsSave(), FSaveResult::Saved);
    FSettingsEnvironment environment{program.dirF(), 1280, 1024, config.dirF()};
    environment.canWrite = [](const FString&) { return true; };
    FSettings s(environment);
    s.SettingsLoad();
    EXPECT_NE(s.Quality, 0);
    ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved);
    EXPECT_TRUE(std::filesystem::exists(program.file("QuilloPhotoBook.ini")));
}

// An installed program's folder is read-only even where a settings file in it is
// writable: the save needs a temporary file beside the target, so it goes to the
// user's configuration folder. Root writes everywhere, so this runs as "nobody".
TEST(FSettingsLocation, ReadOnlyProgramFolderWithAWritableFileThereSavesToTheUserFolder)
{
    ScratchDir dir;
    const std::string program = dir.file("program"), config = dir.file("config");
    ASSERT_EQ(::mkdir(program.c_str(), 0755) | ::mkdir(config.c_str(), 0777), 0);
    WriteBytes(program + "/QuilloPhotoBook.ini", "TimePage 7\r\n");
    ASSERT_EQ(::chmod((program + "/QuilloPhotoBook.ini").c_str(), 0666) | ::chmod(config.c_str(), 0777) |
                  ::chmod(program.c_str(), 0555) | ::chmod(dir.path().c_str(), 0755),
              0);

    const int failures = RunAsNobody([&] {
        FSettingsEnvironment environment{FString::FromUtf8(program), 1280, 1024};
        environment.userConfigDirectory = FString::FromUtf8(config + "/QuilloPhotoBook");
        FSettings settings(environment);
        settings.SettingsLoad();
        int result = settings.TimePage == 7 ? 0 : 1; // what shipped beside the program is read
        settings.TimeZoom = 9;
        if (settings.SettingsSave() != FSaveResult::Saved)
            result |= 2;
        return result;
    });
    // 1: the shipped file was not read, 2: the save failed, 100: could not become nobody.
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadBytes(program + "/QuilloPhotoBook.ini"), "TimePage 7\r\n");
    // The user's copy, read as it lies.
    FSettings back({FString::FromUtf8(config + "/QuilloPhotoBook"), 1280, 1024});
    back.SettingsLoad();
    EXPECT_EQ(back.TimeZoom, 9);
    EXPECT_EQ(back.TimePage, 7);
    ::chmod(program.c_str(), 0755); // so the scratch folder can go
}

// A link to a writable file in a folder that takes no new files cannot be saved
// through: the user's folder takes the settings, and the link and its file stay.
TEST(FSettingsLocation, ALinkIntoAReadOnlyFolderSavesToTheUserFolder)
{
    ScratchDir dir;
    const std::string program = dir.file("program"), shared = dir.file("shared"), config = dir.file("config");
    ASSERT_EQ(::mkdir(program.c_str(), 0777) | ::mkdir(shared.c_str(), 0755) | ::mkdir(config.c_str(), 0777), 0);
    WriteBytes(shared + "/settings.ini", "TimePage 7\r\n");
    std::filesystem::create_symlink(shared + "/settings.ini", program + "/QuilloPhotoBook.ini");
    ASSERT_EQ(::chmod((shared + "/settings.ini").c_str(), 0666) | ::chmod(program.c_str(), 0777) |
                  ::chmod(config.c_str(), 0777) | ::chmod(dir.path().c_str(), 0755),
              0);
    const int failures = RunAsNobody([&] {
        FSettingsEnvironment environment{FString::FromUtf8(program), 1280, 1024};
        environment.userConfigDirectory = FString::FromUtf8(config);
        FSettings settings(environment);
        settings.SettingsLoad();
        settings.TimeZoom = 9;
        return (settings.TimePage == 7 ? 0 : 1) | (settings.SettingsSave() == FSaveResult::Saved ? 0 : 2);
    });
    EXPECT_EQ(failures, 0); // 1: the linked file was not read, 2: the save failed
    EXPECT_TRUE(std::filesystem::is_symlink(program + "/QuilloPhotoBook.ini"));
    EXPECT_EQ(ReadBytes(shared + "/settings.ini"), "TimePage 7\r\n");
    FSettings back({FString::FromUtf8(config), 1280, 1024});
    back.SettingsLoad();
    EXPECT_EQ(back.TimeZoom, 9);
}

} // namespace
