// "Export as Movie..." under a window manager: a resize and a maximise asked of it
// mid-export change nothing, the movie goes on moving, and afterwards the window
// can be maximised again.

#include "../e2e/E2eSupport.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <set>
#include <sstream>
#include <thread>

namespace {

void Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The client area's absolute x, y, width and height.
std::array<int, 4> ClientBox(const std::string& window)
{
    const std::string info = Shell("xwininfo -id " + window);
    const auto field = [&](const char* name) {
        const size_t at = info.find(name);
        return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + std::strlen(name));
    };
    return {field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:")};
}

// The frame the title counts during an export ("..., 12 / 310"), else -1.
int ExportFrame(const std::string& window)
{
    const std::string title = Shell("xdotool getwindowname " + window);
    const size_t comma = title.rfind(", "), slash = title.rfind(" / ");
    return comma != std::string::npos && slash != std::string::npos && slash > comma
               ? std::atoi(title.c_str() + comma + 2)
               : -1;
}

// xdotool's own --sync wait gives up when a window vanishes while it looks.
std::string FindWindow(const std::string& title)
{
    std::string found;
    for (int i = 0; i < 200 && found.empty(); ++i, Pause(100))
        found = Shell("xdotool search --onlyvisible --name \"^" + title + "\" 2>/dev/null | head -1");
    return found;
}

void DoubleClickTitle(const std::string& window)
{
    const auto box = ClientBox(window);
    // Above the menu bar, in the middle of openbox's title bar.
    Shell("xdotool mousemove --sync " + std::to_string(box[0] + box[2] / 2) + " " + std::to_string(box[1] - 8) +
          " click --repeat 2 --delay 80 1");
}

TEST(ExportWindow, ResizeAndMaximiseMidExportAreRefusedAndTheMovieKeepsMoving)
{
    if (!std::getenv("DISPLAY") || Shell("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") == std::string::npos)
        GTEST_SKIP() << "needs an X server with openbox: run under xvfb-run";
    ScratchDir dir;
    const std::filesystem::path build(PHOTOBOOK_BUILD_DIR);
    std::filesystem::copy_file(build / "QuilloPhotoBook", dir.file("QuilloPhotoBook"));
    std::filesystem::create_directory_symlink(build / "media", dir.file("media"));
    {
        FSettings settings({dir.dirF(), 1280, 1024});
        settings.ExportWidth = 320;
        settings.ExportHeight = 240;
        settings.ExportFPS = 5; // few frames: the test runs the whole export
        settings.ExportType = 0;
        settings.ExportMoviePath = dir.fileF("movie.avi");
        ASSERT_EQ(settings.SettingsSave(), FSaveResult::Saved);
    }
    ChildProcess program(dir.file("QuilloPhotoBook"), {}, dir.file("output.txt"));
    const std::string window = FindWindow("Quillo's Photo Book, Page 1 of");
    ASSERT_FALSE(window.empty()) << program.Output();

    // File > Export as Movie... (last but one item), OK, and the stored name in the chooser.
    const auto client = ClientBox(window);
    Shell("xdotool windowfocus --sync " + window + " mousemove --sync " + std::to_string(client[0] + 20) + " " +
          std::to_string(client[1] + 9) + " click 1 sleep 0.5 key Up Up Return");
    const std::string settingsBox = FindWindow("Quillo's Photo Book Export");
    ASSERT_FALSE(settingsBox.empty()) << "no export settings dialog";
    Shell("xdotool windowfocus --sync " + settingsBox + " key Return");
    const std::string chooser = FindWindow("Export as Movie");
    ASSERT_FALSE(chooser.empty()) << "no chooser";
    Pause(300);
    Shell("xdotool windowfocus --sync " + chooser + " key Return");

    std::array<int, 4> preview{}, afterResize{}, afterMaximise{};
    int resizedAt = -1;
    std::string report;
    for (int i = 0; i < 1200 && report.empty(); ++i) {
        Pause(50);
        const int frame = ExportFrame(window);
        if (frame >= 30 && resizedAt < 0) {
            resizedAt = frame;
            preview = ClientBox(window);
            Shell("xdotool windowsize " + window + " 900 700");
        } else if (resizedAt >= 0 && frame >= resizedAt + 15 && afterResize[2] == 0) {
            afterResize = ClientBox(window);
            DoubleClickTitle(window);
        } else if (resizedAt >= 0 && frame >= resizedAt + 30 && afterMaximise[2] == 0) {
            afterMaximise = ClientBox(window);
        }
        report = Shell("xdotool search --onlyvisible --name '^Vetra$' | head -1");
    }
    ASSERT_FALSE(report.empty()) << "no report after the export: " << program.Output();
    Shell("xdotool windowfocus --sync " + report + " key Return");
    ASSERT_GE(resizedAt, 0) << "the export showed no progress";
    EXPECT_EQ(afterResize, preview);
    EXPECT_EQ(afterMaximise, preview);

    // The window is free again once the export is over.
    Pause(500);
    DoubleClickTitle(window);
    Pause(1000);
    EXPECT_GT(ClientBox(window)[2], 1000) << "no maximise after the export";

    // Every frame decoded; those after the resize still move.
    std::istringstream hashes(Shell("ffmpeg -v error -i " + dir.file("movie.avi") + " -f framemd5 -"));
    std::vector<std::string> frames;
    for (std::string line; std::getline(hashes, line);)
        if (!line.empty() && line[0] != '#')
            frames.push_back(line.substr(line.rfind(',') + 1));
    ASSERT_GT(frames.size(), static_cast<size_t>(resizedAt + 60));
    const std::set<std::string> after(frames.begin() + resizedAt + 5, frames.end());
    EXPECT_GT(after.size(), 30u) << "frames after the resize are frozen";

    Shell("xdotool windowfocus --sync " + window + " key Escape");
    EXPECT_EQ(program.WaitForExit(), 0);
}

} // namespace
