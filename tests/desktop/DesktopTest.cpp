// The real program on a desktop: a window manager (openbox) frames its window, the
// input is real X input (xdotool) and the keyboard has a layout (setxkbmap). Each
// test runs the program from its own scratch folder, so it has its own settings.

#include "../base/ChildProcess.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 65536> buffer;
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

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The window manager for the whole run, started on the test's X server.
class WindowManager : public testing::Environment
{
public:
    static bool Running() { return running_; }

    void SetUp() override
    {
        const std::string openbox = Trim(Shell("command -v openbox"));
        if (!std::getenv("DISPLAY") || openbox.empty())
            return;
        process_ = std::make_unique<ChildProcess>(openbox, std::vector<std::string>{"--sm-disable"}, log_.file("wm"));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!running_ && std::chrono::steady_clock::now() < until) {
            Sleep(100);
            running_ = Shell("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
        }
        if (!running_)
            std::fprintf(stderr, "openbox: %s\n", process_->Output().c_str());
    }
    void TearDown() override { process_.reset(); }

private:
    static inline bool running_ = false;
    ScratchDir log_;
    std::unique_ptr<ChildProcess> process_;
};

const auto* const kWindowManager = testing::AddGlobalTestEnvironment(new WindowManager);

// x, y, width, height of the client area
using Box = std::array<int, 4>;

// The window's pixels, 4 bytes each (the 24-bit visual), or nothing.
std::string Grab(const std::string& window)
{
    const std::string xwd = Shell("xwd -silent -id " + window);
    const auto field = [&](size_t index) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4 && index * 4 + i < xwd.size(); ++i)
            v = v << 8 | static_cast<unsigned char>(xwd[index * 4 + i]);
        return v;
    };
    // Header: its size (0), width (4), bytes per line (12), colour map entries (19).
    if (xwd.size() < 100 || field(12) != field(4) * 4)
        return std::string();
    return xwd.substr(std::min<size_t>(xwd.size(), field(0) + field(19) * 12));
}

// The share of pixels that differ visibly.
double Difference(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty())
        return 1;
    size_t differing = 0;
    for (size_t i = 0; i + 3 < a.size(); i += 4)
        for (size_t c = 0; c < 3; ++c)
            if (std::abs(static_cast<unsigned char>(a[i + c]) - static_cast<unsigned char>(b[i + c])) > 16) {
                ++differing;
                break;
            }
    return static_cast<double>(differing) / static_cast<double>(a.size() / 4);
}

// The program copied into its own folder (the settings lie beside it), media linked.
class Program
{
public:
    explicit Program(const ScratchDir& dir) : process_(dir.file("QuilloPhotoBook"), {}, dir.file("output.txt"))
    {
        for (int i = 0; i < 100 && window_.empty(); ++i) {
            window_ = Trim(Shell("xdotool search --onlyvisible --name \"^Quillo's Photo Book\" | head -1"));
            Sleep(50);
        }
        // Loaded: the title counts the sample folder's spreads.
        for (int i = 0;
             i < 150 && Trim(Shell("xdotool getwindowname " + window_)) != "Quillo's Photo Book, Page 1 of 3"; ++i)
            Sleep(100);
    }

    bool Started() const { return !window_.empty(); }
    std::string Output() const { return process_.Output(); }

    // xdotool commands after focusing the window.
    void Xdo(const std::string& commands) { Shell("xdotool windowfocus --sync " + window_ + " " + commands); }

    int Close(const std::string& commands = "key Escape")
    {
        Xdo(commands);
        return process_.WaitForExit();
    }

    // Where the client area lies on the screen (xwininfo counts the frame right).
    Box Client() const
    {
        Box b{};
        const std::string info = Shell("xwininfo -id " + window_);
        const auto field = [&](const char* name) {
            const size_t at = info.find(name);
            return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + std::strlen(name));
        };
        b = {field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:")};
        return b;
    }

    // The window once nothing moves any more.
    std::string Still()
    {
        std::string last = Grab(window_);
        for (int i = 0; i < 50; ++i) {
            Sleep(150);
            std::string now = Grab(window_);
            if (now == last)
                return now;
            last = std::move(now);
        }
        return last;
    }

private:
    ChildProcess process_;
    std::string window_;
};

class DesktopTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!WindowManager::Running())
            GTEST_SKIP() << "needs an X server with openbox: run under xvfb-run";
        const fs::path build(PHOTOBOOK_BUILD_DIR);
        fs::copy_file(build / "QuilloPhotoBook", dir_.file("QuilloPhotoBook"));
        fs::create_directory_symlink(build / "media", dir_.file("media"));
    }

    // The stored window: left, top, right, bottom.
    std::array<int, 4> Stored() const
    {
        FSettings settings({dir_.dirF(), 0, 0});
        settings.SettingsLoad();
        const FRect& r = settings.Window;
        return {r.left, r.top, r.right, r.bottom};
    }

    ScratchDir dir_;
};

TEST_F(DesktopTest, FramedWindowReopensWhereItWasClosed)
{
    // First start: 800 x 600 outside, centred on the 1280 x 1024 screen.
    const std::array first{240, 212, 1040, 812};
    // A close from full screen stores the window it was before.
    for (const char* close : {"key Escape", "key Escape", "key alt+Return sleep 0.8 key alt+F4"}) {
        Program program(dir_);
        ASSERT_TRUE(program.Started()) << program.Output();
        const Box client = program.Client();
        EXPECT_LT(client[3], 600) << "the frame lies inside the stored rectangle";
        EXPECT_EQ(program.Close(close), 0) << program.Output();
        EXPECT_EQ(Stored(), first) << "closed with " << close;
    }
}

TEST_F(DesktopTest, DoubleClickOnAPhotoLeavesTheCameraOnIt)
{
    {
        FSettings quick({dir_.dirF(), 1280, 1024});
        quick.TimeZoom = 1;
        ASSERT_EQ(quick.SettingsSave(), FSaveResult::Saved);
    }
    Program program(dir_);
    ASSERT_TRUE(program.Started()) << program.Output();
    const Box client = program.Client();
    // A photo of the right page in the front view.
    // (Moved there once: a --sync move to where the pointer already is waits in vain.)
    Shell("xdotool mousemove --sync " + std::to_string(client[0] + 564) + " " + std::to_string(client[1] + 208));
    const std::string front = program.Still();
    Shell("xdotool click 1");
    const std::string onPhoto = program.Still();
    ASSERT_GT(Difference(front, onPhoto), 0.2) << "no photo there";
    Shell("xdotool click 1");
    EXPECT_LT(Difference(front, program.Still()), 0.01) << "a click on the photo shown zooms back out";

    Shell("xdotool click --repeat 2 --delay 100 1");
    const std::string afterDouble = program.Still();
    EXPECT_LT(Difference(onPhoto, afterDouble), 0.01);
    EXPECT_GT(Difference(front, afterDouble), 0.2);
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(DesktopTest, DigitKeysAreTheDigitRowWhateverTheLayoutLettersFollowIt)
{
    struct Layout
    {
        ~Layout() { Shell("setxkbmap us"); }
    } restore;
    Shell("setxkbmap fr");
    Program program(dir_);
    ASSERT_TRUE(program.Started()) << program.Output();
    std::string shown = program.Still();
    // Each step: the keys (xdotool picks the key that gives the symbol on the layout),
    // and whether the book looks different afterwards.
    const struct
    {
        const char* layout;
        const char* keys;
        bool changes;
    } steps[] = {
        {"fr", "quotedbl", true},         // the "3" key unshifted: the light from the top
        {"fr", "ampersand", true},        // the "1" key: from the left
        {"fr", "shift+ampersand", false}, // the "1" key with Shift: the same light
        {"fr", "z", false},               // the key where US has W: Z, nothing
        {"fr", "w", true},                // the key labelled W: forward
        {"us", "numbersign", true},       // Shift+3 on a US keyboard: from the top
    };
    for (const auto& step : steps) {
        Shell(std::string("setxkbmap ") + step.layout);
        program.Xdo(std::string("key ") + step.keys);
        const std::string now = program.Still();
        if (step.changes)
            EXPECT_GT(Difference(shown, now), 0.001) << step.keys << " on " << step.layout;
        else
            EXPECT_LT(Difference(shown, now), 0.0001) << step.keys << " on " << step.layout;
        shown = now;
    }
    EXPECT_EQ(program.Close(), 0);
}

} // namespace
