// An installed program's folder is read-only even where a settings file in it is
// writable: the save needs a temporary file beside the target, so it goes to the
// user's configuration folder. Root writes everywhere, so this runs as "nobody".

#include "TestFiles.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(ReadOnlyProgramFolder, WritableSettingsFileThereStillSavesToTheUserFolder)
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

} // namespace
