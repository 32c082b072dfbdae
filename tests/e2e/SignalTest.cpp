// The real program against hostile files, a logout and a poor desktop: a locale
// that is a device and a photo folder holding a FIFO and a device link do not stall
// the start, the device is made once, SIGPIPE is ignored and the signals that would
// end it (SIGTERM at a logout, SIGUSR1 here) close the window the usual way, saving
// the settings; without a display it "could not initialize" (2), without
// OpenGL 3.3 it finds no compatible device (3). The window under a window manager
// is in tests/desktop.

#include "E2eSupport.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

TEST(SignalTest, HostileFilesDoNotStallTheStartAndAnEndingSignalSavesTheSettings)
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
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // past any resize settling
    program.Signal(SIGPIPE);
    program.Signal(SIGUSR1);
    EXPECT_EQ(program.WaitForExit(), 0) << program.Output();
    const std::string output = program.Output();
    EXPECT_NE(output.find("/dev/zero: not a regular file"), std::string::npos) << output;
    // Once, for the client area under the menu bar: no device made at another size first.
    const std::regex line("New Backbuffer: (\\d+) x (\\d+) pixels");
    std::smatch size;
    ASSERT_TRUE(std::regex_search(output, size, line)) << output;
    EXPECT_EQ(std::distance(std::sregex_iterator(output.begin(), output.end(), line), std::sregex_iterator()), 1);
    EXPECT_EQ(size[1], "640");
    EXPECT_LT(std::stoi(size[2]), 480);

    FSettings stored({dir.dirF(), 0, 0});
    stored.SettingsLoad();
    EXPECT_TRUE(stored.Loaded);
    EXPECT_EQ(stored.Window, (FRect{100, 80, 740, 560}));
}

TEST(SignalTest, NoDisplayCannotInitializeAndExitsWith2)
{
    ScratchDir dir;
    // A bare name is taken out of the environment (glibc's putenv).
    ChildProcess program(std::string(PHOTOBOOK_BUILD_DIR) + "/QuilloPhotoBook", {}, dir.file("output.txt"),
                         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"});
    EXPECT_EQ(program.WaitForExit(), 2) << program.Output();
}

TEST(SignalTest, MissingOpenGL33ReportsNoCompatibleDeviceWithExitCode3)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    ScratchDir dir;
    InstallProgram(dir);
    // Mesa then offers nothing newer than OpenGL 3.0: no core 3.3 context.
    ChildProcess program(dir.file("QuilloPhotoBook"), {}, dir.file("stderr.txt"),
                         {"MESA_GL_VERSION_OVERRIDE=3.0", "MESA_GLSL_VERSION_OVERRIDE=130"});
    // The error box has the window's title as its caption; confirm it with Enter.
    for (int i = 0; i < 100 && program.Output().find("compatible") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("for w in $(xdotool search --onlyvisible --name \"Quillo's Photo Book\"); do "
          "xdotool windowfocus --sync $w key Return; done");
    EXPECT_EQ(program.WaitForExit(), 3) << program.Output();
    EXPECT_NE(program.Output().find("Could not find any compatible OpenGL devices."), std::string::npos)
        << program.Output();
    EXPECT_NE(program.Output().find("needs desktop OpenGL 3.3 (core profile) with 24-bit depth and 8-bit stencil; "
                                    "this display (xcb) gives OpenGL 3.0"),
              std::string::npos)
        << program.Output();
}

} // namespace
