// The real program in a real window: started from a scratch program directory
// under the X server the test runs in (xvfb-run), driven with xdotool and read
// back with a screen grab.

#include "../base/TestFiles.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    ::pclose(pipe);
    return out;
}

std::string Trim(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

struct Geometry
{
    int x = 0, y = 0, width = 0, height = 0;
};

class Program
{
public:
    explicit Program(const ScratchDir& dir, std::vector<std::string> env = {}) : dir_(dir)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            for (const std::string& e : env)
                ::putenv(const_cast<char*>(e.c_str()));
            std::freopen(dir.file("stderr.txt").c_str(), "w", stderr);
            const std::string exe = dir.file("QuilloPhotoBook");
            ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Program()
    {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // The main window's X id, once it is mapped.
    std::string WaitForWindow()
    {
        return Trim(Shell("timeout 20 xdotool search --sync --onlyvisible --name \"^Quillo's Photo Book\" | head -1"));
    }

    // Exit code, or -1 when the program did not end in time.
    int WaitForExit(int seconds = 20)
    {
        for (int i = 0; i < seconds * 20; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    std::string Stderr() const { return ReadBytes(dir_.file("stderr.txt")); }

private:
    const ScratchDir& dir_;
    pid_t pid_ = -1;
    bool exited_ = false;
};

Geometry WindowGeometry(const std::string& window)
{
    Geometry g;
    const std::string out = Shell("xdotool getwindowgeometry --shell " + window);
    std::sscanf(out.c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &g.x, &g.y, &g.width, &g.height);
    return g;
}

std::string WindowName(const std::string& window)
{
    return Trim(Shell("xdotool getwindowname " + window));
}

// The screen's pixel at (x, y) as R, G, B.
std::array<int, 3> ScreenPixel(int x, int y)
{
    const char* display = std::getenv("DISPLAY");
    const std::string bytes = Shell("ffmpeg -loglevel error -f x11grab -video_size 1x1 -i '" +
                                  std::string(display ? display : ":0") + "+" + std::to_string(x) + "," +
                                  std::to_string(y) + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
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

void WriteWindowSetting(const ScratchDir& dir, FRect rect)
{
    FSettings settings({dir.dirF(), 1280, 1024});
    settings.SettingsLoad();
    settings.Window = rect;
    ASSERT_EQ(settings.SettingsSave(), FSaveResult::Saved);
}

class ShellTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        const fs::path build(PHOTOBOOK_BUILD_DIR);
        fs::copy_file(build / "QuilloPhotoBook", dir_.file("QuilloPhotoBook"));
        fs::copy(build / "media", dir_.file("media"), fs::copy_options::recursive);
    }
    ScratchDir dir_;
};

TEST_F(ShellTest, FirstStartShowsTheBackgroundAndClosingStoresTheWindow)
{
    {
        Program program(dir_);
        const std::string window = program.WaitForWindow();
        ASSERT_FALSE(window.empty()) << program.Stderr();
        const Geometry g = WindowGeometry(window);
        // 800 x 600 centred on the 1280 x 1024 screen (no window manager: no frame).
        EXPECT_EQ(g.x, 240);
        EXPECT_EQ(g.y, 212);
        EXPECT_EQ(g.width, 800);
        EXPECT_EQ(g.height, 600);
        EXPECT_EQ(WindowName(window).rfind("Quillo's Photo Book", 0), 0u);

        // The sample folder opens: eight photos make three spreads, all loaded.
        std::string title;
        for (int i = 0; i < 100 && title != "Quillo's Photo Book, Page 1 of 3"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            title = WindowName(window);
        }
        EXPECT_EQ(title, "Quillo's Photo Book, Page 1 of 3");
        // The right page's paper lies in the lower right of the default view.
        const auto paper = ScreenPixel(g.x + 740, g.y + 420);
        for (int c : paper)
            EXPECT_GT(c, 150);

        Shell("xdotool windowmove --sync " + window + " 100 80 windowsize --sync " + window + " 640 500");
        std::this_thread::sleep_for(std::chrono::milliseconds(600)); // past the resize settling
        CloseWithEscape(window);
        EXPECT_EQ(program.WaitForExit(), 0) << program.Stderr();
        EXPECT_NE(program.Stderr().find("New Backbuffer: "), std::string::npos);
    }
    const FSettings stored = StoredSettings(dir_);
    EXPECT_TRUE(stored.Loaded);
    EXPECT_EQ(stored.Window, (FRect{100, 80, 740, 580}));
    EXPECT_EQ(stored.Quality, 1);
    EXPECT_EQ(stored.TimePage, 3);

    // Without a background picture the area behind the book is exactly BGColour
    // (0.4 = 102).
    {
        FSettings edit({dir_.dirF(), 1280, 1024});
        edit.SettingsLoad();
        edit.BGTexturePath = FString();
        ASSERT_EQ(edit.SettingsSave(), FSaveResult::Saved);
    }
    Program again(dir_);
    const std::string window = again.WaitForWindow();
    ASSERT_FALSE(window.empty());
    const Geometry g = WindowGeometry(window);
    EXPECT_EQ(g.x, 100);
    EXPECT_EQ(g.y, 80);
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.height, 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    for (int c : ScreenPixel(g.x + 10, g.y + 40))
        EXPECT_EQ(c, 102);
    CloseWithEscape(window);
    EXPECT_EQ(again.WaitForExit(), 0);
}

TEST_F(ShellTest, StoredRectanglesAreFittedToTheScreen)
{
    struct Case
    {
        FRect stored;
        Geometry expected;
    };
    const Case cases[] = {
        {{-200, -100, 600, 500}, {0, 0, 600, 500}}, // the right and bottom edges stay
        {{50, 60, 150, 120}, {50, 60, 320, 240}},
        {{0, 0, 3000, 2000}, {0, 0, 1280, 1024}},
    };
    for (const Case& c : cases) {
        WriteWindowSetting(dir_, c.stored);
        Program program(dir_);
        const std::string window = program.WaitForWindow();
        ASSERT_FALSE(window.empty());
        const Geometry g = WindowGeometry(window);
        EXPECT_EQ(g.x, c.expected.x);
        EXPECT_EQ(g.y, c.expected.y);
        EXPECT_EQ(g.width, c.expected.width);
        EXPECT_EQ(g.height, c.expected.height);
        CloseWithEscape(window);
        EXPECT_EQ(program.WaitForExit(), 0);
    }
}

TEST_F(ShellTest, MissingOpenGL33ReportsNoCompatibleDeviceWithExitCode3)
{
    // Mesa then offers nothing newer than OpenGL 3.0: no core 3.3 context.
    Program program(dir_, {"MESA_GL_VERSION_OVERRIDE=3.0", "MESA_GLSL_VERSION_OVERRIDE=130"});
    // The error box has the window's title as its caption; confirm it with Enter.
    for (int i = 0; i < 100; ++i) {
        if (program.Stderr().find("compatible") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shell("for w in $(xdotool search --onlyvisible --name \"Quillo's Photo Book\"); do "
        "xdotool windowfocus --sync $w key Return; done");
    EXPECT_EQ(program.WaitForExit(), 3) << program.Stderr();
    EXPECT_NE(program.Stderr().find("Could not find any compatible OpenGL devices."), std::string::npos)
        << program.Stderr();
}

} // namespace
