// Movie export speed on this machine, headless: frames per second for 640 x 480
// and 1280 x 720 movies (supersampled render targets), uncompressed and mpeg4,
// and the share of each stage: render, read-back, conversion, encoding.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "export/FFrameGrabber.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FExportGraph.h"
#include "render/gl/FBookRenderer.h"
#include "render/gl/FGlContext.h"
#include "render/gl/FGlFramebuffer.h"

#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 60;
    std::string error;
    auto context = FGlContext::Create(error);
    if (!context) {
        std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
        return 1;
    }
    FPhotoBookApp app;
    app.Init({GetModuleDirectory(), 1920, 1080}, 0);
    FBookRenderer book;
    app.textureLoader = &book.Loader();

    struct Case
    {
        int width, height;
        const char* encoder;
    };
    for (const Case& c : {Case{640, 480, ""}, Case{640, 480, "mpeg4"}, Case{1280, 720, ""}, Case{1280, 720, "mpeg4"}}) {
        auto screen = FGlFramebuffer::Create(c.width, c.height, &error);
        const FGlScreen glScreen{screen->Id(), c.width, c.height};
        book.DeviceReset(glScreen, app.effectPath);
        app.ReloadDecorations();
        app.ScanFolder(app.settings->GetRecentPath(0), false, 0);
        app.StreamPhotoTextures(true);
        if (!book.Renderer().CreateRenderTarget(c.width, c.height))
            return 1;
        const FRenderTarget* target = book.Renderer().RenderTarget();
        FFrameGrabber grabber(FrameViewOf(book.Renderer().GetRenderTargetCopy()), c.width, c.height);
        const std::string path = "/tmp/photobook-bench-" + std::to_string(::getpid()) + ".avi";
        FExportGraph graph;
        if (graph.Build(&grabber, FString::FromUtf8(path), 25.0f, FString(c.encoder, 0)) < 0 || graph.Run() < 0) {
            std::fprintf(stderr, "graph: %s\n", graph.Error().ToUtf8().c_str());
            return 1;
        }
        app.exporting = 1;
        double render = 0, readBack = 0, convert = 0;
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f) {
            app.turnState = f % 2 ? 1 : 0;
            app.turnPosition = TurnEnd * static_cast<float>(f % 25) / 25.0f;
            const auto t0 = Clock::now();
            book.Render(app.BeginFrame(c.width, c.height, 0));
            glFinish();
            const auto t1 = Clock::now();
            book.Renderer().CopyRenderTarget();
            const auto t2 = Clock::now();
            grabber.ProcessFrame(FrameViewOf(book.Renderer().GetRenderTargetCopy()));
            const auto t3 = Clock::now();
            // Encoding runs on the streaming thread: its share is what is left of
            // the wall time, including the final flush.
            graph.PushFrame();
            render += Ms(t0, t1);
            readBack += Ms(t1, t2);
            convert += Ms(t2, t3);
        }
        graph.Stop();
        const auto end = Clock::now();
        const double total = Ms(start, end);
        std::printf("%4d x %-4d %-12s target %d x %d: %5.1f fps; render %2.0f%%, read-back %2.0f%%, "
                    "conversion %2.0f%%, encoding %2.0f%%\n",
                    c.width, c.height, *c.encoder ? c.encoder : "uncompressed", target->Width(), target->Height(),
                    frames * 1000.0 / total, 100 * render / total, 100 * readBack / total, 100 * convert / total,
                    100 * (total - render - readBack - convert) / total);
        graph.Release();
        app.exporting = 0;
        book.DeviceLost();
        app.ReleaseDeviceTextures();
        ::unlink(path.c_str());
    }
    book.DeviceDestroyed();
    return 0;
}
