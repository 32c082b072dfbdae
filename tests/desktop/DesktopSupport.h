#pragma once
// Shared by the tests of the real program on a desktop: the window manager for
// the run, and the window's pixels as the X server has them.

#include "../e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
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

// A window's pixels ("-id <window>", or "-root"), 4 bytes each (the 24-bit visual),
// or nothing.
inline std::string Grab(const std::string& which)
{
    const std::string xwd = Shell("xwd -silent " + which, false);
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

