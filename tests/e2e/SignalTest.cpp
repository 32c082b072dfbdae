// The real program against hostile files and a logout: a locale that is a
// device and a photo folder holding a FIFO and a device link do not stall the
// start, and SIGTERM closes the window the usual way, saving the settings.

#include "../base/ChildProcess.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string ShellOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), n);
        ::pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST(SignalTest, HostileFilesDoNotStallTheStartAndSigtermSavesTheSettings)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    ScratchDir dir, photos;
    const fs::path build(PHOTOBOOK_BUILD_DIR);
    fs::copy_file(build / "QuilloPhotoBook", dir.file("QuilloPhotoBook"));
    fs::copy(build / "media", dir.file("media"), fs::copy_options::recursive);
    fs::copy_file(build / "media/photos/quillo1.jpg", photos.file("p1.jpg"));
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
    const std::string window =
        ShellOutput("timeout 20 xdotool search --sync --onlyvisible --name \"^Quillo's Photo Book\" | head -1");
    ASSERT_FALSE(window.empty()) << program.Output();
    ShellOutput("xdotool windowmove --sync " + window + " 100 80");
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
