// The real program in a real window: started from a scratch program directory
// under the X server the test runs in (xvfb-run), driven with xdotool and read
// back with a screen grab.

#include "E2eSupport.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

namespace {

// The program copied into dir, its output in dir/stderr.txt.
struct Program : ChildProcess
{
    explicit Program(const ScratchDir& dir, std::vector<std::string> env = {})
        : ChildProcess(dir.file("QuilloPhotoBook"), {}, dir.file("stderr.txt"), std::move(env))
    {}
};

// x, y, width, height
std::array<int, 4> WindowGeometry(const std::string& window)
{
    std::array<int, 4> g{};
    const std::string out = Shell("xdotool getwindowgeometry --shell " + window);
    std::sscanf(out.c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &g[0], &g[1], &g[2], &g[3]);
    return g;
}

std::string WindowName(const std::string& window)
{
    return Shell("xdotool getwindowname " + window);
}

// The screen's pixel at (x, y) as R, G, B.
std::array<int, 3> ScreenPixel(int x, int y)
{
    const char* display = std::getenv("DISPLAY");
    const std::string bytes = Shell("ffmpeg -loglevel error -f x11grab -video_size 1x1 -i '" +
                                        std::string(display ? display : ":0") + "+" + std::to_string(x) + "," +
                                        std::to_string(y) + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
                                    false);
    if (bytes.size() < 3)
        return {-1, -1, -1};
    return {static_cast<unsigned char>(bytes[0]), static_cast<unsigned char>(bytes[1]),
            static_cast<unsigned char>(bytes[2])};
}

void CloseWithEscape(const std::string& window)
{
    Shell("xdotool windowfocus --sync " + window + " key Escape");
}

FSettings StoredSettings(const ScratchDir& dir)
{
    FSettings settings({dir.dirF(), 0, 0});
    settings.SettingsLoad();
    return settings;
}

class ShellTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        InstallProgram(dir_);
    }
    ScratchDir dir_;
};

TEST_F(ShellTest, FirstStartShowsTheBookClosingStoresTheWindowAndTheNextStartRestoresIt)
{
    {
        Program program(dir_);
        const std::string window = WaitForWindow();
        ASSERT_FALSE(window.empty()) << program.Output();
        // 800 x 600 centred on the 1280 x 1024 screen (no window manager: no frame).
        const auto g = WindowGeometry(window);
        EXPECT_EQ(g, (std::array{240, 212, 800, 600}));
        EXPECT_EQ(WindowName(window).rfind("Quillo's Photo Book", 0), 0u);

        // The sample folder opens: eight photos make three spreads, all loaded.
        std::string title;
        for (int i = 0; i < 100 && title != "Quillo's Photo Book, Page 1 of 3"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            title = WindowName(window);
        }
        EXPECT_EQ(title, "Quillo's Photo Book, Page 1 of 3");
        // The right page's paper lies in the lower right of the default view.
        const auto paper = ScreenPixel(g[0] + 740, g[1] + 420);
        for (int c : paper)
            EXPECT_GT(c, 150);

        Shell("xdotool windowmove --sync " + window + " 100 80 windowsize --sync " + window + " 640 500");
        std::this_thread::sleep_for(std::chrono::milliseconds(600)); // past the resize settling
        CloseWithEscape(window);
        EXPECT_EQ(program.WaitForExit(), 0) << program.Output();
    }
    const FSettings stored = StoredSettings(dir_);
    EXPECT_TRUE(stored.Loaded);
    EXPECT_EQ(stored.Window, (FRect{100, 80, 740, 580}));

    // Without a background picture the area behind the book is exactly BGColour
    // (0.4 = 102). A stored window partly off the screen moves onto it, keeping its
    // right and bottom edges.
    {
        FSettings edit({dir_.dirF(), 1280, 1024});
        edit.SettingsLoad();
        edit.BGTexturePath = FString();
        edit.Window = {-200, -100, 600, 500};
        ASSERT_EQ(edit.SettingsSave(), FSaveResult::Saved);
    }
    Program again(dir_);
    const std::string window = WaitForWindow();
    ASSERT_FALSE(window.empty());
    const auto g = WindowGeometry(window);
    EXPECT_EQ(g, (std::array{0, 0, 600, 500}));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    for (int c : ScreenPixel(g[0] + 10, g[1] + 40))
        EXPECT_EQ(c, 102);
    CloseWithEscape(window);
    EXPECT_EQ(again.WaitForExit(), 0);
}

TEST_F(ShellTest, MissingOpenGL33ReportsNoCompatibleDeviceWithExitCode3)
{
    // Mesa then offers nothing newer than OpenGL 3.0: no core 3.3 context.
    Program program(dir_, {"MESA_GL_VERSION_OVERRIDE=3.0", "MESA_GLSL_VERSION_OVERRIDE=130"});
    // The error box has the window's title as its caption; confirm it with Enter.
    for (int i = 0; i < 100; ++i) {
        if (program.Output().find("compatible") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("for w in $(xdotool search --onlyvisible --name \"Quillo's Photo Book\"); do "
          "xdotool windowfocus --sync $w key Return; done");
    EXPECT_EQ(program.WaitForExit(), 3) << program.Output();
    EXPECT_NE(program.Output().find("Could not find any compatible OpenGL devices."), std::string::npos)
        << program.Output();
}

} // namespace
