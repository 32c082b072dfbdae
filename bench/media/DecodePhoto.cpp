// Decode time of a 24-megapixel JPEG at each texture quality: 256 x 256 (low),
// 512 x 512 (normal) and full size (high). One decoder and one output are reused
// across runs, as the texture loader reuses them; medians of 15 runs.

#include "photos/decode/FImageDecoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

int main()
{
    const int width = 6000, height = 4000;
    // Smooth shapes plus grain, so the file is as heavy as a real photo's.
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 28) - 8;
            const double a = std::sin(x * 0.013) * std::cos(y * 0.021), b = std::sin((x + y) * 0.004);
            unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(std::clamp(static_cast<int>(128 + 100 * a) + grain, 0, 255));
            p[1] = static_cast<unsigned char>(std::clamp(static_cast<int>(128 + 90 * b) + grain, 0, 255));
            p[2] = static_cast<unsigned char>(std::clamp(static_cast<int>(x * 255 / width) + grain, 0, 255));
        }
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420, 90, 0) != 0) {
        std::fprintf(stderr, "cannot make the test photo: %s\n", tjGetErrorStr2(compressor));
        return 1;
    }
    char path[] = "/tmp/photobook-bench-XXXXXX.jpg";
    const int fd = ::mkstemps(path, 4);
    if (fd < 0 || ::write(fd, jpeg, jpegSize) != static_cast<ssize_t>(jpegSize)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    ::close(fd);
    tjFree(jpeg);
    tjDestroy(compressor);
    std::printf("%d x %d JPEG, quality 90, %.1f MB\n", width, height, jpegSize / 1e6);

    FImageDecoder decoder;
    FDecodedImage out;
    const FString file = FString::FromUtf8(path);
    for (int square : {256, 512, 0}) {
        std::vector<double> times;
        for (int run = 0; run < 15; ++run) {
            FString error;
            const auto start = std::chrono::steady_clock::now();
            if (!decoder.Decode(file, FDecodeRequest{.squareSize = square}, out, &error)) {
                std::fprintf(stderr, "%s\n", error.ToUtf8().c_str());
                ::unlink(path);
                return 1;
            }
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        std::printf("%-10s -> %5d x %-5d median %6.1f ms (min %.1f, max %.1f)\n",
                    square ? (square == 256 ? "low" : "normal") : "high", out.width, out.height,
                    times[times.size() / 2], times.front(), times.back());
    }
    ::unlink(path);
    return 0;
}
