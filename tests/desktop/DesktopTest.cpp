// The real program on a desktop: a window manager (openbox) frames its window, the
// input is real X input (xdotool) and the keyboard has a layout (setxkbmap). Each
// test runs the program from its own scratch folder, so it has its own settings.

#include "DesktopSupport.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>

namespace {

// A window by its title; xdotool's own --sync wait gives up when a window vanishes
// while it looks, as a dialog's may.
std::string FindWindow(const std::string& title)
{
    std::string found;
    for (int i = 0; i < 200 && found.empty(); ++i, Sleep(100))
        found = Shell("xdotool search --onlyvisible --name \"^" + title + "\" 2>/dev/null | head -1");
    return found;
}

// Settings, as a user would write them, for a short export (the tests run it whole).
std::string SmallExport(const ScratchDir& dir)
{
    return "ExportWidth 320\r\nExportHeight 240\r\nExportFPS 5\r\nExportType 0\r\nExportMoviePath " +
           dir.file("movie.avi") + "\r\n";
}

// The frame the title counts mid-export ("..., 12 / 310"), else -1.
int ExportFrame(const std::string& window)
{
    const std::string title = Shell("xdotool getwindowname " + window);
    const size_t comma = title.rfind(", "), slash = title.rfind(" / ");
    return comma != std::string::npos && slash != std::string::npos && slash > comma
               ? std::atoi(title.c_str() + comma + 2)
               : -1;
}

// The program copied into its own folder (the settings lie beside it), media linked.
class Program
{
public:
    // args and env as the program's; loaded: the title once the folder is in (the
    // sample folder's three spreads by default).
    explicit Program(const ScratchDir& dir, const std::vector<std::string>& args = {},
                     const std::vector<std::string>& env = {},
                     const std::string& loaded = "Quillo's Photo Book, Page 1 of 3")
        : process_(dir.file("QuilloPhotoBook"), args, dir.file("output.txt"), env),
          window_(FindWindow("Quillo's Photo Book"))
    {
        for (int i = 0; i < 150 && Shell("xdotool getwindowname " + window_) != loaded; ++i)
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
    int WaitForExit(int seconds) { return process_.WaitForExit(seconds); }

    Box Client() const { return WindowBox(window_); }

    // The window once nothing moves any more; root: the whole screen instead, as the
    // X server composes it (a GL child window of its own grabs as noise on its own).
    std::string Still(bool root = false)
    {
        const std::string what = root ? "-root" : "-id " + window_;
        std::string last = Grab(what);
        for (int i = 0; i < 50; ++i) {
            Sleep(150);
            std::string now = Grab(what);
            if (now == last)
                return now;
            last = std::move(now);
        }
        return last;
    }
    // The same once it differs from `from`, which a key just sent should change: a
    // busy machine may not have drawn it yet at the first grab. After 5 s, as it is.
    std::string StillAfterChange(const std::string& from, bool root = false)
    {
        for (int i = 0; i < 50 && Grab(root ? "-root" : "-id " + window_) == from; ++i)
            Sleep(100);
        return Still(root);
    }

private:
    ChildProcess process_;
    std::string window_;
};

// File > Export as Movie... (last but one item), OK, and the stored name in the
// chooser. What failed, or nothing.
std::string StartExport(Program& program)
{
    const Box client = program.Client();
    program.Xdo("mousemove --sync " + std::to_string(client[0] + 20) + " " + std::to_string(client[1] + 9) +
                " click 1 sleep 0.5 key Up Up Return");
    const std::string settingsBox = FindWindow("Quillo's Photo Book Export");
    if (settingsBox.empty())
        return "no export settings dialog";
    Shell("xdotool windowfocus --sync " + settingsBox + " key Return");
    const std::string chooser = FindWindow("Export as Movie");
    if (chooser.empty())
        return "no chooser";
    Sleep(300);
    Shell("xdotool windowfocus --sync " + chooser + " key Return");
    return "";
}

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

// Keys reach the book whatever Qt focused on the way: after a real menu closed by
// Escape or by a choice, the first Tab shows the wire frame (it used to move Qt's
// focus after the photo's menu, and only the second Tab reached the book).
TEST_F(DesktopTest, TheFirstTabAfterAMenuShowsTheWireFrame)
{
    Program program(dir_);
    ASSERT_TRUE(program.Started()) << program.Output();
    const Box client = program.Client();
    const auto at = [&](int x, int y) {
        return "mousemove --sync " + std::to_string(client[0] + x) + " " + std::to_string(client[1] + y);
    };
    const std::string menus[] = {
        at(561, 220) + " click 1 sleep 1.5 click 3 sleep 0.5 key Escape", // a click, then a popup menu, Escape
        at(20, 9) + " click 1 sleep 0.5 key Down Return",                 // File > Select Folder..., Escape
    };
    // Focused once, as a user's click would; then only what the user does.
    program.Xdo("sleep 0.5");
    for (const std::string& menu : menus) {
        Shell("xdotool " + menu);
        if (&menu == &menus[1]) {
            const std::string chooser = FindWindow("Select Photo");
            ASSERT_FALSE(chooser.empty()) << "no chooser";
            Shell("xdotool windowfocus --sync " + chooser + " key Escape");
        }
        const std::string before = program.Still(true);
        Shell("xdotool key Tab");
        const std::string wire = program.StillAfterChange(before, true);
        EXPECT_GT(Difference(before, wire), 0.05) << "the first Tab after: " << menu;
        Shell("xdotool key Tab");
        EXPECT_LT(Difference(before, program.StillAfterChange(wire, true)), 0.005) << "the second Tab after: " << menu;
    }
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

// "Export as Movie...": a resize and a maximise asked of the window manager mid-export
// change nothing, the movie goes on moving, and afterwards the window maximises again.
TEST_F(DesktopTest, ResizeAndMaximiseMidExportAreRefusedAndTheMovieKeepsMoving)
{
    WriteBytes(dir_.file("QuilloPhotoBook.ini"), SmallExport(dir_));
    Program program(dir_);
    ASSERT_TRUE(program.Started()) << program.Output();
    const std::string& window = program.Window();
    const auto doubleClickTitle = [&] {
        const Box box = program.Client(); // openbox's title bar lies above the menu bar
        Shell("xdotool mousemove --sync " + std::to_string(box[0] + box[2] / 2) + " " + std::to_string(box[1] - 8) +
              " click --repeat 2 --delay 80 1");
    };

    ASSERT_EQ(StartExport(program), "");

    Box preview{}, afterResize{}, afterMaximise{};
    int resizedAt = -1;
    std::string report;
    for (int i = 0; i < 1200 && report.empty(); ++i) {
        Sleep(50);
        const int frame = ExportFrame(window);
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

// Cancel in the progress window, clicked for real while the export runs, stops it
// as a user's choice: the application's box comes with the information icon (blue;
// the "Error saving AVI file." box has the red one of an error), no temporary file
// stays, and the movie already at the target is left as it was.
TEST_F(DesktopTest, CancelInTheProgressWindowStopsTheExportAndKeepsTheOldMovie)
{
    for (const bool click : {true, false}) {
        SCOPED_TRACE(click ? "Cancel clicked" : "Escape in the progress window");
        WriteBytes(dir_.file("QuilloPhotoBook.ini"), SmallExport(dir_));
        fs::remove(dir_.file("movie.avi"));
        Program program(dir_);
        ASSERT_TRUE(program.Started()) << program.Output();
        ASSERT_EQ(StartExport(program), "");
        const std::string progress = FindWindow("Exporting Movie");
        ASSERT_FALSE(progress.empty()) << "no progress window: " << program.Output();
        // The movie the user already has there (written now: the chooser would ask first).
        WriteBytes(dir_.file("movie.avi"), "old movie");
        for (int i = 0; i < 600 && ExportFrame(program.Window()) < 10; ++i)
            Sleep(50);
        // Cancel is the only button, at the bottom right.
        const Box box = WindowBox(progress);
        if (click)
            Shell("xdotool mousemove --sync " + std::to_string(box[0] + box[2] - 50) + " " +
                  std::to_string(box[1] + box[3] - 25) + " click 1");
        else
            Shell("xdotool windowfocus --sync " + progress + " key Escape");
        const std::string message = FindWindow("Quillo's Photo Book$");
        ASSERT_FALSE(message.empty()) << "the export said nothing: " << program.Output();
        EXPECT_LT(ExportFrame(program.Window()), 150) << "the export went on to its end";
        const Picture picture = GrabPicture("-id " + message);
        int blue = 0, red = 0;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                const unsigned char* p = picture.At(x, y); // B G R
                blue += p[0] > 150 && p[2] < 100;
                red += p[2] > 150 && p[0] < 80 && p[1] < 80;
            }
        EXPECT_TRUE(blue > 50 && red < 10) << "blue " << blue << ", red " << red;
        Shell("xdotool windowfocus --sync " + message + " key Return");
        EXPECT_EQ(ReadBytes(dir_.file("movie.avi")), "old movie");
        for (const auto& entry : fs::directory_iterator(dir_.path()))
            EXPECT_NE(entry.path().filename().string().rfind(".movie", 0), 0u) << entry.path();
        EXPECT_EQ(program.Close(), 0);
    }
}

// Another client destroying the window (xdotool windowclose) ends the program as a
// close does, at rest and mid-export (the export stops, its box is answered): the
// settings are saved (written anew, they start with the UTF-16 mark) and it exits.
TEST_F(DesktopTest, AWindowDestroyedByAnotherClientEndsTheProgramAsACloseDoes)
{
    for (const bool midExport : {false, true}) {
        SCOPED_TRACE(midExport ? "mid-export" : "at rest");
        WriteBytes(dir_.file("QuilloPhotoBook.ini"), SmallExport(dir_) + "TimePage 7\r\n");
        Program program(dir_);
        ASSERT_TRUE(program.Started()) << program.Output();
        if (midExport) {
            ASSERT_EQ(StartExport(program), "");
            for (int i = 0; i < 600 && ExportFrame(program.Window()) < 10; ++i)
                Sleep(50);
        }
        Shell("xdotool windowclose " + program.Window());
        if (midExport) {
            // Stopped as at Escape: the box says the movie was not saved (the main
            // window of that title is gone).
            const std::string box = FindWindow("Quillo's Photo Book$");
            ASSERT_FALSE(box.empty()) << "the export said nothing: " << program.Output();
            Shell("xdotool windowfocus --sync " + box + " key Return");
            EXPECT_FALSE(fs::exists(dir_.file("movie.avi"))) << "the export went on to its end";
        }
        // A deadline, so that a program that lives on ends the test.
        ASSERT_EQ(program.WaitForExit(60), 0) << program.Output();
        EXPECT_EQ(ReadBytes(dir_.file("QuilloPhotoBook.ini")).substr(0, 2), "\xFF\xFE");
        FSettings saved({dir_.dirF(), 1280, 1024});
        saved.SettingsLoad();
        EXPECT_EQ(saved.TimePage, 7);
    }
}

// Someone who never exported takes every proposal: the export settings' OK (MP4,
// H.264, preselected) and the chooser's name; the movie lands in their videos folder
// named after the photo folder, and no encoder was asked for on the way.
TEST_F(DesktopTest, FirstMovieIsAnH264Mp4NamedAfterTheFolderInTheVideosFolder)
{
    // Only a short movie's size and times are set: no movie path, no type.
    WriteBytes(dir_.file("QuilloPhotoBook.ini"), "ExportWidth 320\r\nExportHeight 240\r\nExportFPS 5\r\n"
                                                 "TimePage 1\r\nTimeZoom 1\r\nTimeView 1\r\n");
    fs::create_directories(dir_.file("home/Filme"));
    fs::create_directory(dir_.file("Holiday"));
    for (const char* photo : {"quillo1.jpg", "quillo2.jpg"})
        fs::copy_file(fs::path(PHOTOBOOK_BUILD_DIR) / "media/photos" / photo, dir_.file("Holiday/") + photo);
    Program program(dir_, {dir_.file("Holiday")},
                    {"HOME=" + dir_.file("home"), "XDG_CONFIG_HOME=" + dir_.file("home/.config"),
                     "XDG_VIDEOS_DIR=" + dir_.file("home/Filme")},
                    "Quillo's Photo Book, Page 1 of 1");
    ASSERT_TRUE(program.Started()) << program.Output();
    ASSERT_EQ(StartExport(program), "");

    std::string report;
    bool encoderAsked = false;
    for (int i = 0; i < 1200 && report.empty(); ++i) {
        Sleep(50);
        encoderAsked |= !Shell("xdotool search --onlyvisible --name '^Select FFmpeg' | head -1").empty();
        report = Shell("xdotool search --onlyvisible --name '^Vetra$' | head -1");
    }
    EXPECT_FALSE(encoderAsked);
    ASSERT_FALSE(report.empty()) << "no report after the export: " << program.Output();
    Shell("xdotool windowfocus --sync " + report + " key Return");
    const std::string movie = dir_.file("home/Filme/Holiday.mp4");
    EXPECT_EQ(Shell("ffprobe -v error -select_streams v -show_entries stream=codec_name:format=format_name "
                    "-of default=noprint_wrappers=1:nokey=1 " +
                    movie + " | tr '\\n' ' '"),
              "h264 mov,mp4,m4a,3gp,3g2,mj2");
    EXPECT_EQ(program.Close(), 0);
}

} // namespace
