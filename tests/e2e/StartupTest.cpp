// How the real program starts: the device made once, at the size the window
// settles on, and "could not initialize" (2) when there is no display to show on.

#include "../base/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace {

std::string RunShell(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        ::pclose(pipe);
    }
    return out;
}

TEST(Startup, TheDeviceIsMadeOnceForTheClientAreaUnderTheMenuBar)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    ScratchDir dir;
    const fs::path build(PHOTOBOOK_BUILD_DIR);
    fs::copy_file(build / "QuilloPhotoBook", dir.file("QuilloPhotoBook"));
    fs::copy(build / "media", dir.file("media"), fs::copy_options::recursive);
    ChildProcess program(dir.file("QuilloPhotoBook"), {}, dir.file("stderr.txt"));
    const std::string window =
        RunShell("timeout 20 xdotool search --sync --onlyvisible --name \"^Quillo's Photo Book, Page\" | head -1");
    ASSERT_FALSE(window.empty()) << program.Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // past any resize settling
    RunShell("xdotool windowfocus --sync " + window.substr(0, window.find('\n')) + " key Escape");
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
