// The export's read-back of its supersampled frame: the immediate copy against
// the ring of pixel buffers, over the same turning-page frames. Prints the mean
// time per frame (drawing plus read-back, the drain included) and the part of it
// spent in the read-back calls.
//
//   bench_ExportReadBack [frames] [WIDTHxHEIGHT]   (default 40, 1280x720)

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
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    int width = 1280, height = 720;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "size as WIDTHxHEIGHT, not %s\n", argv[2]);
        return 2;
    }
    FBenchBook bench;
    if (!bench.Open(1920, 1080))
        return 1;
    FPhotoBookApp& app = bench.app;
    FBookRenderer& book = bench.book;
    app.settings->SettingsReset();
    if (!bench.UseScreen(64, 64))
        return 1;
    app.ReloadDecorations();
    app.ScanFolder(app.settings->GetRecentPath(0), false, 0);
    app.StreamPhotoTextures(true);
    FRenderer& renderer = book.Renderer();
    if (!renderer.CreateRenderTarget(width, height)) {
        std::fprintf(stderr, "no %d x %d render target\n", width, height);
        return 1;
    }
    const FRenderTarget* target = renderer.RenderTarget();
    std::printf("OpenGL %s, export frame %d x %d drawn at %d x %d (factor %d), %d frames\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), width, height, target->Width(),
                target->Height(), target->Factor(), frames);
    app.exporting = 1;
    app.settings->RenderTransparentPage = false;
    app.NextPage(0);

    const auto draw = [&](int i) {
        app.turnPosition = TurnEnd * static_cast<float>(i % 50 + 1) / 52.0f;
        book.Render(app.BeginFrame(width, height, 0));
    };
    const auto run = [&](const char* name, const std::function<bool(int)>& frame) {
        draw(0); // warm-up: shaders and buffers
        frame(-1);
        Clock::duration readBack{};
        const auto start = Clock::now();
        for (int i = 0; i < frames; ++i) {
            draw(i);
            const auto before = Clock::now();
            if (!frame(i)) {
                std::fprintf(stderr, "%s: read-back failed at frame %d\n", name, i);
                std::exit(1);
            }
            readBack += Clock::now() - before;
        }
        const auto before = Clock::now();
        frame(frames); // the drain
        readBack += Clock::now() - before;
        glFinish();
        std::printf("%-22s %.2f ms per frame, of which read-back calls %.2f ms\n", name,
                    Ms(Clock::now() - start) / frames, Ms(readBack) / frames);
    };

    run("immediate copy:", [&](int i) { return i < 0 || i >= frames || renderer.CopyRenderTarget(); });
    int taken = 0;
    run("ring of pixel buffers:", [&](int i) {
        if (i < 0 || i >= frames) {
            while (renderer.TakeRenderTargetReadBack(true).status == FReadBackStatus::Ready)
                ++taken;
            return true;
        }
        if (target->ReadBacksInFlight() == FRenderTarget::kReadBackRing) {
            if (renderer.TakeRenderTargetReadBack(true).status != FReadBackStatus::Ready)
                return false;
            ++taken;
        }
        return renderer.StartRenderTargetReadBack();
    });
    if (taken != frames)
        std::fprintf(stderr, "the ring gave back %d frames of %d\n", taken, frames);
    app.exporting = 0;
    book.DeviceDestroyed();
    return 0;
}
