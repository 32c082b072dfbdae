#pragma once
// Shared by the tests of the real program on a desktop: the window manager for
// the run, and the window's pixels as the X server has them.

#include "../e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace fs = std::filesystem;

inline void Sleep(int ms)
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
inline testing::Environment* const kWindowManager = testing::AddGlobalTestEnvironment(new WindowManager);

// x, y, width, height of the client area
using Box = std::array<int, 4>;

// Where a window's client area lies on the screen (xwininfo counts the frame right).
inline Box WindowBox(const std::string& window)
{
    const std::string info = Shell("xwininfo -id " + window);
    const auto field = [&](const char* name) {
        const size_t at = info.find(name);
        return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + std::strlen(name));
    };
    return Box{field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:")};
}

// An xwd picture: its size and 4 bytes a pixel (the 24-bit visual), B G R X.
struct Picture
{
    int width = 0, height = 0;
    std::string pixels;
    const unsigned char* At(int x, int y) const
    {
        return reinterpret_cast<const unsigned char*>(pixels.data()) + (static_cast<size_t>(y) * width + x) * 4;
    }
};

// A window's pixels ("-id <window>", or "-root"), or nothing.
inline Picture GrabPicture(const std::string& which)
{
    const std::string xwd = Shell("xwd -silent " + which, false);
    const auto field = [&](size_t index) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4 && index * 4 + i < xwd.size(); ++i)
            v = v << 8 | static_cast<unsigned char>(xwd[index * 4 + i]);
        return v;
    };
    // Header: its size (0), width (4), height (5), bytes per line (12), colour map entries (19).
    Picture picture;
    if (xwd.size() < 100 || field(12) != field(4) * 4)
        return picture;
    picture.width = static_cast<int>(field(4));
    picture.height = static_cast<int>(field(5));
    picture.pixels = xwd.substr(std::min<size_t>(xwd.size(), field(0) + field(19) * 12));
    if (picture.pixels.size() < static_cast<size_t>(picture.width) * picture.height * 4)
        picture = {};
    return picture;
}

inline std::string Grab(const std::string& which)
{
    return GrabPicture(which).pixels;
}

// The share of pixels that differ visibly.
inline double Difference(const std::string& a, const std::string& b)
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

