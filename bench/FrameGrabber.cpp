// Conversion speed of one export frame: a 2560 x 1920 supersampled frame averaged down
// to 640 x 480 (4 x 4 samples per pixel), the work every exported frame costs on the
// render thread. Prints source megapixels per second (median run).

#include "export/FFrameGrabber.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

int main()
{
    constexpr int32_t kSourceWidth = 2560, kSourceHeight = 1920, kRuns = 60;
    std::vector<uint8_t> frame(static_cast<size_t>(kSourceWidth) * kSourceHeight * 4);
    uint32_t seed = 1;
    for (uint8_t& byte : frame)
        byte = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);

    FFrameGrabber grabber(FFrameView{frame.data(), kSourceWidth, kSourceHeight, kSourceWidth * 4}, 640, 480);
    std::vector<double> seconds;
    uint32_t checksum = 0;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        grabber.ProcessFrame();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        checksum += grabber.Bits()[i * 997];
    }
    std::nth_element(seconds.begin(), seconds.begin() + kRuns / 2, seconds.end());
    const double median = seconds[kRuns / 2];
    const double megapixels = static_cast<double>(kSourceWidth) * kSourceHeight / 1e6;
    std::printf("FrameGrabber 2560x1920 -> 640x480 (16 samples per pixel): %.2f ms per frame, %.0f megapixels/s "
                "(median of %d, checksum %u)\n",
                median * 1e3, megapixels / median, kRuns, checksum);
    return 0;
}
