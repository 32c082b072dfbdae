// The real program on a desktop: a window manager (openbox) frames its window, the
// input is real X input (xdotool) and the keyboard has a layout (setxkbmap). Each
// test runs the program from its own scratch folder, so it has its own settings.

#include "../e2e/E2eSupport.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

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
        const std::string openbox = Shell("command -v openbox");
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
    const std::string xwd = Shell("xwd -silent -id " + window, false);
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
            window_ = Shell("xdotool search --onlyvisible --name \"^Quillo's Photo Book\" | head -1");
            Sleep(50);
        }
        // Loaded: the title counts the sample folder's spreads.
        for (int i = 0; i < 150 && Shell("xdotool getwindowname " + window_) != "Quillo's Photo Book, Page 1 of 3"; ++i)
            Sleep(100);
    }

    bool Started() const { return !window_.empty(); }
    const std::string& Window() const { return window_; }
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
        const std::string info = Shell("xwininfo -id " + window_);
        const auto field = [&](const char* name) {
            const size_t at = info.find(name);
            return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + std::strlen(name));
        };
        return Box{field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:")};
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

    FRect Stored() const
    {
        FSettings settings({dir_.dirF(), 0, 0});
        settings.SettingsLoad();
        return settings.Window;
    }

    ScratchDir dir_;
};

TEST_F(DesktopTest, FramedWindowReopensWhereItWasClosed)
{
    // First start: 800 x 600 outside, centred on the 1280 x 1024 screen.
    const FRect first{240, 212, 1040, 812};
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

// A dialog's window; xdotool's own --sync wait gives up when a window vanishes while it looks.
std::string FindWindow(const std::string& title)
{
    std::string found;
    for (int i = 0; i < 200 && found.empty(); ++i, Sleep(100))
        found = Shell("xdotool search --onlyvisible --name \"^" + title + "\" 2>/dev/null | head -1");
    return found;
}

// "Export as Movie...": a resize and a maximise asked of the window manager mid-export
// change nothing, the movie goes on moving, and afterwards the window maximises again.
TEST_F(DesktopTest, ResizeAndMaximiseMidExportAreRefusedAndTheMovieKeepsMoving)
{
    {
        FSettings settings({dir_.dirF(), 1280, 1024});
        settings.ExportWidth = 320;
        settings.ExportHeight = 240;
        settings.ExportFPS = 5; // few frames: the test runs the whole export
        settings.ExportType = 0;
        settings.ExportMoviePath = dir_.fileF("movie.avi");
        ASSERT_EQ(settings.SettingsSave(), FSaveResult::Saved);
    }
    Program program(dir_);
    ASSERT_TRUE(program.Started()) << program.Output();
    const std::string& window = program.Window();
    const auto doubleClickTitle = [&] {
        const Box box = program.Client(); // openbox's title bar lies above the menu bar
        Shell("xdotool mousemove --sync " + std::to_string(box[0] + box[2] / 2) + " " + std::to_string(box[1] - 8) +
              " click --repeat 2 --delay 80 1");
    };
    // The frame the title counts ("..., 12 / 310"), else -1.
    const auto exportFrame = [&] {
        const std::string title = Shell("xdotool getwindowname " + window);
        const size_t comma = title.rfind(", "), slash = title.rfind(" / ");
        return comma != std::string::npos && slash != std::string::npos && slash > comma
                   ? std::atoi(title.c_str() + comma + 2)
                   : -1;
    };

    // File > Export as Movie... (last but one item), OK, and the stored name in the chooser.
    const Box client = program.Client();
    program.Xdo("mousemove --sync " + std::to_string(client[0] + 20) + " " + std::to_string(client[1] + 9) +
                " click 1 sleep 0.5 key Up Up Return");
    const std::string settingsBox = FindWindow("Quillo's Photo Book Export");
    ASSERT_FALSE(settingsBox.empty()) << "no export settings dialog";
    Shell("xdotool windowfocus --sync " + settingsBox + " key Return");
    const std::string chooser = FindWindow("Export as Movie");
    ASSERT_FALSE(chooser.empty()) << "no chooser";
    Sleep(300);
    Shell("xdotool windowfocus --sync " + chooser + " key Return");

    Box preview{}, afterResize{}, afterMaximise{};
    int resizedAt = -1;
    std::string report;
    for (int i = 0; i < 1200 && report.empty(); ++i) {
        Sleep(50);
        const int frame = exportFrame();
        if (frame >= 30 && resizedAt < 0) {
            resizedAt = frame;
            preview = program.Client();
            Shell("xdotool windowsize " + window + " 900 700");
        } else if (resizedAt >= 0 && frame >= resizedAt + 15 && afterResize[2] == 0) {
            afterResize = program.Client();
            doubleClickTitle();
        } else if (resizedAt >= 0 && frame >= resizedAt + 30 && afterMaximise[2] == 0) {
            afterMaximise = program.Client();
        }
        report = Shell("xdotool search --onlyvisible --name '^Vetra$' | head -1");
    }
    ASSERT_FALSE(report.empty()) << "no report after the export: " << program.Output();
    Shell("xdotool windowfocus --sync " + report + " key Return");
    ASSERT_GE(resizedAt, 0) << "the export showed no progress";
    EXPECT_EQ(afterResize, preview);
    EXPECT_EQ(afterMaximise, preview);

    Sleep(500);
    doubleClickTitle();
    Sleep(1000);
    EXPECT_GT(program.Client()[2], 1000) << "no maximise after the export";

    // Every frame decoded; those after the resize still move.
    std::istringstream hashes(Shell("ffmpeg -v error -i " + dir_.file("movie.avi") + " -f framemd5 -"));
    std::vector<std::string> frames;
    for (std::string line; std::getline(hashes, line);)
        if (!line.empty() && line[0] != '#')
            frames.push_back(line.substr(line.rfind(',') + 1));
    ASSERT_GT(frames.size(), static_cast<size_t>(resizedAt + 60));
    const std::set<std::string> after(frames.begin() + resizedAt + 5, frames.end());
    EXPECT_GT(after.size(), 30u) << "frames after the resize are frozen";
    EXPECT_EQ(program.Close(), 0);
}

} // namespace
