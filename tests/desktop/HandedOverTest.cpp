// Photos handed over the desktop way, to the real program: on its command line (as
// a file manager's "Open With" starts it) and dropped on its window from another
// program. ctest runs these under X11, and as Wayland clients of weston shown in an
// X window (WAYLAND_DISPLAY set), where the input is real X input to that window.

#include "DesktopSupport.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sstream>

namespace {

bool Wayland()
{
    return std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// The smallest box holding every pixel for which differs says yes (rows under the
// panel at the top of weston's desktop only).
template <typename Differs> std::optional<Box> BoundingBox(const Picture& p, Differs differs)
{
    int left = p.width, top = p.height, right = -1, bottom = -1;
    for (int y = 40; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (differs(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return std::nullopt;
    return Box{left, top, right - left + 1, bottom - top + 1};
}

// Where the run shows its windows: the X screen, or weston's window in it.
class Desktop
{
public:
    Desktop()
    {
        if (Wayland())
            for (int i = 0; i < 100 && weston_.empty(); ++i, Sleep(100))
                weston_ = Shell("xwininfo -root -tree | awk '/\"Weston Compositor/ {print $1; exit}'");
    }
    bool Ready() const { return !Wayland() || !weston_.empty(); }
    // Keys to whatever has the keyboard (under Wayland, weston passes them on).
    void Key(const std::string& keys) const
    {
        if (Wayland())
            Shell("xdotool windowactivate --sync " + weston_ + " windowfocus --sync " + weston_);
        Shell("xdotool key " + keys);
    }
    const std::string& Weston() const { return weston_; }
    Picture Screen() const { return GrabPicture("-id " + weston_); }

    // The pointer to x, y of the screen (under Wayland: of weston's output).
    std::string MoveTo(int x, int y) const
    {
        return Wayland() ? "mousemove --window " + weston_ + " " + std::to_string(x) + " " + std::to_string(y)
                         : "mousemove " + std::to_string(x) + " " + std::to_string(y);
    }
    // A press at from, moved in steps to to, released there.
    void Drag(int fromX, int fromY, int toX, int toY) const
    {
        std::string steps = MoveTo(fromX, fromY) + " sleep 0.3 mousedown 1 sleep 0.3";
        for (int i = 1; i <= 6; ++i)
            steps += " " + MoveTo(fromX + (toX - fromX) * i / 6, fromY + (toY - fromY) * i / 6) + " sleep 0.2";
        Shell("xdotool " + steps + " sleep 0.3 mouseup 1");
    }

private:
    std::string weston_;
};

// The program in its own folder; its title read off its X window, or under Wayland
// off what it tells the compositor (WAYLAND_DEBUG shows the requests).
class Viewer
{
public:
    Viewer(const ScratchDir& dir, const std::vector<std::string>& args)
        : process_(dir.file("QuilloPhotoBook"), args, dir.file("output.txt"),
                              Wayland() ? std::vector<std::string>{"WAYLAND_DEBUG=client"}
                                        : std::vector<std::string>{})
    {}

    std::string Title() const
    {
        if (!Wayland()) {
            const std::string window = Shell("xdotool search --onlyvisible --name \"^Quillo's Photo Book\" | head -1");
            return window.empty() ? std::string() : Shell("xdotool getwindowname " + window);
        }
        const std::string log = process_.Output();
        const size_t at = log.rfind(".set_title(\"");
        if (at == std::string::npos)
            return std::string();
        const size_t begin = at + std::strlen(".set_title(\"");
        return log.substr(begin, log.find("\")", begin) - begin);
    }
    bool WaitForTitle(const std::string& title, int seconds = 20) const
    {
        for (int i = 0; i < seconds * 10; ++i, Sleep(100))
            if (Title() == title)
                return true;
        return false;
    }
    // What the program said on stderr, without the protocol lines.
    std::string Said() const
    {
        std::string said;
        std::istringstream lines(process_.Output());
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("[", 0) != 0)
                said += line + "\n";
        return said;
    }
    // Where its window is: found by xdotool, or as what changed on weston's screen.
    std::optional<Box> Where(const Desktop& desktop, const Picture& before) const
    {
        if (!Wayland())
            return WindowBox(Shell("xdotool search --onlyvisible --name \"^Quillo's Photo Book\" | head -1"));
        const Picture now = desktop.Screen();
        if (now.pixels.size() != before.pixels.size())
            return std::nullopt;
        return BoundingBox(now, [&](int x, int y) { return std::memcmp(now.At(x, y), before.At(x, y), 3) != 0; });
    }
    void Close() { process_.Signal(SIGTERM); }
    int WaitForExit() { return process_.WaitForExit(); }

private:
    ChildProcess process_;
};

class HandedOver : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!WindowManager::Running())
            GTEST_SKIP() << "needs an X server with openbox: run under xvfb-run";
        ASSERT_TRUE(desktop.Ready()) << "no weston window";
        const fs::path build(PHOTOBOOK_BUILD_DIR);
        fs::copy_file(build / "QuilloPhotoBook", dir.file("QuilloPhotoBook"));
        fs::create_directory_symlink(build / "media", dir.file("media"));
        // Six photos: two spreads, where the sample folder has three.
        fs::create_directory(dir.file("holiday"));
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"})
            fs::copy_file(build / "media/photos/quillo1.jpg", dir.file(std::string("holiday/") + name));
    }

    ScratchDir dir;
    Desktop desktop;
};

TEST_F(HandedOver, APhotoOnTheCommandLineOpensAtItsSpreadAMissingOneIsSaidAndTheLastFolderOpens)
{
    {
        Viewer viewer(dir, {dir.file("holiday/e.jpg")});
        EXPECT_TRUE(viewer.WaitForTitle("Quillo's Photo Book, Page 2 of 2")) << viewer.Title();
        viewer.Close();
        EXPECT_EQ(viewer.WaitForExit(), 0);
    }
    Viewer viewer(dir, {dir.file("holiday/missing.jpg")});
    Sleep(3000); // the box says so; Return closes it
    desktop.Key("Return");
    EXPECT_TRUE(viewer.WaitForTitle("Quillo's Photo Book, Page 1 of 2")) << viewer.Title();
    EXPECT_NE(viewer.Said().find("holiday/missing.jpg\" does not exist."), std::string::npos) << viewer.Said();
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

TEST_F(HandedOver, APhotoAndAFolderDroppedOnTheWindowOpen)
{
    Viewer viewer(dir, {});
    const Picture empty = Wayland() ? desktop.Screen() : Picture{};
    ASSERT_TRUE(viewer.WaitForTitle("Quillo's Photo Book, Page 1 of 3")) << viewer.Title();
    Sleep(500);
    const std::optional<Box> window = viewer.Where(desktop, empty);
    ASSERT_TRUE(window);

    for (const auto& [path, title] : {std::pair{dir.file("holiday/c.jpg"), "Quillo's Photo Book, Page 2 of 2"},
                                      std::pair{dir.file("media/photos"), "Quillo's Photo Book, Page 1 of 3"}}) {
        const auto sourceShown = [&] {
            const Picture shot = desktop.Screen();
            return BoundingBox(shot, [&](int x, int y) {
                const unsigned char* p = shot.At(x, y);
                return p[2] == 255 && p[1] == 0 && p[0] == 255;
            });
        };
        for (int i = 0; i < 50 && Wayland() && sourceShown(); ++i)
            Sleep(100); // the last one's window has gone
        ChildProcess source(fs::path(PHOTOBOOK_BUILD_DIR) / "test_dragsource", {path}, dir.file("source.txt"));
        // The source: its X window put beside the book, or its colour on weston's screen.
        Box from{};
        if (Wayland()) {
            std::optional<Box> found;
            for (int i = 0; i < 50 && !found; ++i, Sleep(100))
                found = sourceShown();
            ASSERT_TRUE(found) << "no drag source on the screen";
            from = *found;
        } else {
            const std::string window = WaitForWindow("Quillo drag source");
            ASSERT_FALSE(window.empty());
            Shell("xdotool windowmove --sync " + window + " 1080 40");
            Sleep(300);
            from = {1080, 40, 160, 120};
        }
        // Into the book, clear of the source.
        const Box& w = *window;
        int toX = w[0] + w[2] / 2, toY = w[1] + w[3] / 2;
        if (toX >= from[0] - 20 && toX <= from[0] + from[2] + 20 && toY >= from[1] - 20 && toY <= from[1] + from[3] + 20)
            toY = w[1] + w[3] * 3 / 4;
        desktop.Drag(from[0] + from[2] / 2, from[1] + from[3] / 2, toX, toY);

        EXPECT_TRUE(viewer.WaitForTitle(title, 10)) << path << ": " << viewer.Title() << "\n" << source.Output();
    }
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

} // namespace
