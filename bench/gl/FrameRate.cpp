// Frames per second of the book on this machine's OpenGL (headless, EGL): a
// resting book and a turning page, shadows off and on, at each size asked for
// (800 x 600 and 1280 x 720 by default); and the export's supersampled
// 2560 x 1920 frame with its read-back. Prints medians and the worst frame.
//
//   bench_FrameRate [runs] [WIDTHxHEIGHT ...]

#include "BenchBook.h"
#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct FTimes
{
    double median = 0;
    double worst = 0;
    double cpu = 0; // median processor time of all the process's threads, the driver's included
};

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

FTimes Measure(int runs, const std::function<void(int)>& frame)
{
    std::vector<double> times, cpu;
    times.reserve(static_cast<size_t>(runs));
    cpu.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const double startCpu = CpuMs();
        const auto start = std::chrono::steady_clock::now();
        frame(i);
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(CpuMs() - startCpu);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times[times.size() / 2], times.back(), cpu[cpu.size() / 2]};
}

struct FSize
{
    int width = 0;
    int height = 0;
};

} // namespace

int main(int argc, char** argv)
{
    int runs = 60;
    std::vector<FSize> sizes;
    for (int a = 1; a < argc; ++a) {
        FSize size;
        if (std::sscanf(argv[a], "%dx%d", &size.width, &size.height) == 2 ||
            std::sscanf(argv[a], "%dX%d", &size.width, &size.height) == 2) {
            if (size.width < 1 || size.height < 1 || size.width > 8192 || size.height > 8192) {
                std::fprintf(stderr, "size out of range: %s\n", argv[a]);
                return 2;
            }
            sizes.push_back(size);
        } else if (const int n = std::atoi(argv[a]); n > 0) {
            runs = n;
        } else {
            std::fprintf(stderr, "usage: %s [runs] [WIDTHxHEIGHT ...]\n", argv[0]);
            return 2;
        }
    }
    if (sizes.empty())
        sizes = {{800, 600}, {1280, 720}};

    // The program's own media beside the executable: sample photos and textures.
    FBenchBook bench;
    if (!bench.Open(1280, 1024))
        return 1;
    FPhotoBookApp& app = bench.app;
    FBookRenderer& book = bench.book;
    bool first = true;
    for (const FSize& size : sizes) {
        if (!bench.UseScreen(size.width, size.height))
            return 1;
        if (first) {
            app.ReloadDecorations();
            app.ScanFolder(app.settings->GetRecentPath(0), false, 0);
            app.StreamPhotoTextures(true);
            std::printf("OpenGL %s, %d photos, %d frames a median\n",
                        reinterpret_cast<const char*>(glGetString(GL_RENDERER)), app.photoCount, runs);
            first = false;
        }
        for (bool shadows : {false, true}) {
            app.settings->RenderShadows = shadows;
            const FTimes rest = Measure(runs, [&](int) { book.Render(app.BeginFrame(size.width, size.height, 0)); });
            app.settings->RenderTransparentPage = false;
            app.NextPage(0);
            const FTimes turn = Measure(runs, [&](int i) {
                app.turnPosition = TurnEnd * static_cast<float>(i % 50 + 1) / 52.0f;
                book.Render(app.BeginFrame(size.width, size.height, 0));
            });
            app.FinishTurn();
            app.GoToFirstPage(0);
            app.StreamPhotoTextures(true);
            std::printf(
                "%d x %d, shadows %-3s: resting %.2f ms (%.0f fps, worst %.2f, cpu %.2f), turning %.2f ms (%.0f "
                "fps, worst %.2f, cpu %.2f)\n",
                size.width, size.height, shadows ? "on" : "off", rest.median, 1000 / rest.median, rest.worst, rest.cpu,
                turn.median, 1000 / turn.median, turn.worst, turn.cpu);
        }
    }

    // The export shows its frame on the first screen, as it always has.
    const FGlScreen firstScreen{bench.screens.front()->Id(), sizes.front().width, sizes.front().height};
    book.DeviceReset(firstScreen, app.effectPath);
    app.settings->RenderShadows = false;
    book.Renderer().CreateRenderTarget(640, 480);
    app.exporting = 1;
    const FTimes offscreen = Measure(runs / 2 + 1, [&](int) {
        book.Render(app.BeginFrame(640, 480, 0));
        book.Renderer().CopyRenderTarget();
    });
    const FRenderTarget* target = book.Renderer().RenderTarget();
    std::printf("export frame %d x %d (factor %d) with read-back: %.2f ms (%.1f fps)\n", target ? target->Width() : 0,
                target ? target->Height() : 0, target ? target->Factor() : 0, offscreen.median,
                1000 / offscreen.median);
    app.exporting = 0;
    book.DeviceDestroyed();
    return 0;
}
