// What a full-size (high quality) photo costs the GL thread once it is decoded:
// the upload with the driver filtering the mip chain, against the upload of a
// chain the decode worker already built, whole or 4 MB a frame as streaming
// does. A 24-megapixel photo; medians.

#include "photos/FPhotoDecoder.h"
#include "gl/FGlContext.h"
#include "gl/FGlTexture.h"
#include "gl/FGlTextureLoader.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    auto context = FGlContext::Create(error);
    if (!context) {
        std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
        return 1;
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 9;
    FDecodedImage image;
    image.width = 6000;
    image.height = 4000;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    std::printf("OpenGL %s, %d x %d photo\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), image.width,
                image.height);

    const double build = MedianMs(runs, [&] { BuildMipChain(image); });
    std::vector<const uint8_t*> levels{image.pixels.data()};
    for (const auto& level : image.mipLevels)
        levels.push_back(level.data());
    const double driverChain =
        MedianMs(runs, [&] { FGlTexture::Create(image.width, image.height, image.pixels.data(), true); });
    const double noChain =
        MedianMs(runs, [&] { FGlTexture::Create(image.width, image.height, image.pixels.data(), false); });
    const double allocate =
        MedianMs(runs, [&] { FGlTexture::Allocate(image.width, image.height, static_cast<int>(levels.size())); });
    std::vector<double> steps;
    double total = 0;
    FGlTextureLoader loader;
    for (int run = 0; run < 3; ++run) {
        FDecodedImage copy = image;
        auto upload = loader.BeginUpload(std::move(copy));
        for (bool done = false; !done;) {
            const auto start = std::chrono::steady_clock::now();
            done = upload->Step(size_t(4) << 20);
            glFinish();
            steps.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            total += steps.back();
        }
        if (!upload->Finish(nullptr))
            return 1;
    }
    std::sort(steps.begin(), steps.end());
    std::printf("mip chain built on the worker:        %8.1f ms (off the GL thread)\n", build);
    std::printf("GL thread, upload + glGenerateMipmap: %8.1f ms\n", driverChain);
    std::printf("GL thread, upload without a chain:    %8.1f ms\n", noChain);
    std::printf("GL thread, storage for the chain alone: %6.1f ms\n", allocate);
    std::printf("GL thread, 4 MB a frame: %zu frames a photo, median %.1f ms, slowest %.1f ms a frame, "
                "%.1f ms a photo\n",
                steps.size() / 3, steps[steps.size() / 2], steps.back(), total / 3);
    return 0;
}
