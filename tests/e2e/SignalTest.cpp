// The real program against hostile files and a logout: a locale that is a
// device and a photo folder holding a FIFO and a device link do not stall the
// start, and SIGTERM closes the window the usual way, saving the settings.

#include "E2eSupport.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

TEST(SignalTest, HostileFilesDoNotStallTheStartAndSigtermSavesTheSettings)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    ScratchDir dir, photos;
    InstallProgram(dir);
    fs::copy_file(dir.file("media/photos/quillo1.jpg"), photos.file("p1.jpg"));
    ASSERT_EQ(::mkfifo(photos.file("p4.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", photos.file("p5.jpg"));
    {
        FSettings edit({dir.dirF(), 1280, 1024});
        edit.Locale = FString(u"/dev/zero");
        edit.RecentPath[0] = photos.fileF("p1.jpg");
        edit.Window = {10, 10, 650, 490};
        ASSERT_EQ(edit.SettingsSave(), FSaveResult::Saved);
    }

    ChildProcess program(dir.file("QuilloPhotoBook"), {}, dir.file("stderr.txt"));
    // The bound only guards the run: a stalled start never shows the window.
    const std::string window = WaitForWindow();
    ASSERT_FALSE(window.empty()) << program.Output();
    Shell("xdotool windowmove --sync " + window + " 100 80");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(), 0) << program.Output();
    EXPECT_NE(program.Output().find("/dev/zero: not a regular file"), std::string::npos) << program.Output();

    FSettings stored({dir.dirF(), 0, 0});
    stored.SettingsLoad();
    EXPECT_TRUE(stored.Loaded);
    EXPECT_EQ(stored.Window, (FRect{100, 80, 740, 560}));
}

} // namespace
