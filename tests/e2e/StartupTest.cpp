// How the real program starts: the device made once, at the size the window
// settles on, and "could not initialize" (2) when there is no display to show on.

#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(Startup, TheDeviceIsMadeOnceForTheClientAreaUnderTheMenuBar)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    ScratchDir dir;
    InstallProgram(dir);
    ChildProcess program(dir.file("QuilloPhotoBook"), {}, dir.file("stderr.txt"));
    const std::string window = WaitForWindow("Quillo's Photo Book, Page");
    ASSERT_FALSE(window.empty()) << program.Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // past any resize settling
    Shell("xdotool windowfocus --sync " + window + " key Escape");
    EXPECT_EQ(program.WaitForExit(), 0);

    const std::string output = program.Output();
    const std::regex line("New Backbuffer: (\\d+) x (\\d+) pixels");
    const auto lines = std::distance(std::sregex_iterator(output.begin(), output.end(), line), std::sregex_iterator());
    EXPECT_EQ(lines, 1) << output;
    std::smatch size;
    ASSERT_TRUE(std::regex_search(output, size, line)) << output;
    EXPECT_EQ(size[1], "800");
    EXPECT_LT(std::stoi(size[2]), 600); // the menu bar's height is not part of it
}

TEST(Startup, NoDisplayCannotInitializeAndExitsWith2)
{
    ScratchDir dir;
    // A bare name is taken out of the environment (glibc's putenv).
    ChildProcess program(std::string(PHOTOBOOK_BUILD_DIR) + "/QuilloPhotoBook", {}, dir.file("output.txt"),
                         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"});
    EXPECT_EQ(program.WaitForExit(), 2) << program.Output();
}

} // namespace
