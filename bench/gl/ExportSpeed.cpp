// Movie export speed on this machine, headless: for 640 x 480 and 1280 x 720 movies
// (supersampled render targets), uncompressed and mpeg4, the time a frame takes to
// render and read back alone, and the time it takes in an export through the movie
// writer, whose reduction and encoding overlap the next frame's render.
//   bench_ExportSpeed [frames]         (default 60)
//   bench_ExportSpeed --minutes N      exports 640 x 480 mpeg4 for N minutes, printing
//                                      VmRSS every 30 s, so a leak or a growing queue shows

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FMovieWriter.h"
#include "render/BookGeometry.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"

#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

std::string ResidentSize()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return line.substr(6);
    return "?";
}

struct Case
{
    int width, height;
    const char* encoder;
};

class Bench
{
public:
    bool Init()
    {
        std::string error;
        context_ = FGlContext::Create(error);
        if (!context_) {
            std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
            return false;
        }
        app_.Init({GetModuleDirectory(), 1920, 1080}, 0);
        app_.textureLoader = &book_.Loader();
        return true;
    }

    bool Prepare(const Case& c)
    {
        std::string error;
        screen_ = FGlFramebuffer::Create(c.width, c.height, &error);
        if (!screen_)
            return false;
        book_.DeviceReset(FGlScreen{screen_->Id(), c.width, c.height}, app_.effectPath);
        app_.ReloadDecorations();
        app_.ScanFolder(app_.settings->GetRecentPath(0), false, 0);
        app_.StreamPhotoTextures(true);
        return book_.Renderer().CreateRenderTarget(c.width, c.height);
    }

    void Draw(const Case& c, int f)
    {
        app_.turnState = f % 2 ? 1 : 0;
        app_.turnPosition = TurnEnd * static_cast<float>(f % 25) / 25.0f;
        book_.Render(app_.BeginFrame(c.width, c.height, 0));
    }

    FFrameView RenderFrame(const Case& c, int f)
    {
        Draw(c, f);
        if (!book_.Renderer().CopyRenderTarget())
            return {};
        return FrameViewOf(book_.Renderer().GetRenderTargetCopy());
    }

    // Milliseconds per frame; negative when the writer failed.
    double Export(const Case& c, int frames, const std::string& path, double maxSeconds = 0)
    {
        FMovieWriter writer;
        FMovieConfig config;
        config.path = FString::FromUtf8(path);
        config.encoderName = FString(c.encoder, 0);
        config.width = c.width;
        config.height = c.height;
        const FFrameView source = FrameViewOf(book_.Renderer().GetRenderTargetCopy());
        if (const FSinkError error = writer.Open(config, source)) {
            std::fprintf(stderr, "writer: %s\n", error.Full().ToUtf8().c_str());
            return -1;
        }
        const auto start = Clock::now();
        auto nextSample = start;
        int f = 0;
        // As the exporter does: the device copies one frame while the next is drawn.
        FRenderer& renderer = book_.Renderer();
        const auto storeArrived = [&](int keep) {
            while (renderer.RenderTarget()->ReadBacksInFlight() > keep) {
                const FReadBack taken = renderer.TakeRenderTargetReadBack(true);
                const FSinkError error = taken.status == FReadBackStatus::Ready
                                             ? writer.Write(FrameViewOf(taken.frame))
                                             : FSinkError{true, FString(u"a frame was lost on its way")};
                if (error) {
                    std::fprintf(stderr, "writer: %s\n", error.Full().ToUtf8().c_str());
                    return false;
                }
            }
            return true;
        };
        for (; f < frames; ++f) {
            Draw(c, f);
            if (!renderer.StartRenderTargetReadBack() || !storeArrived(1))
                return -1;
            if (maxSeconds > 0 && Ms(start, Clock::now()) >= maxSeconds * 1000)
                break;
            if (maxSeconds > 0 && Clock::now() >= nextSample) {
                std::printf("%6.0f s  frame %7d  VmRSS %s\n", Ms(start, Clock::now()) / 1000, f,
                            ResidentSize().c_str());
                std::fflush(stdout);
                nextSample += std::chrono::seconds(30);
            }
        }
        if (!storeArrived(0))
            return -1;
        const FSinkError finished = writer.Finish();
        const double ms = Ms(start, Clock::now()) / std::max(f, 1);
        ::unlink(path.c_str());
        return finished ? -1 : ms;
    }

    void Release()
    {
        book_.DeviceLost();
        app_.ReleaseDeviceTextures();
    }
    void Destroy() { book_.DeviceDestroyed(); }

    FPhotoBookApp app_;
    FBookRenderer book_;
    std::unique_ptr<FGlContext> context_;
    std::unique_ptr<FGlFramebuffer> screen_;
};

} // namespace

int main(int argc, char** argv)
{
    int frames = 60;
    int minutes = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc)
            minutes = std::atoi(argv[++i]);
        else
            frames = std::max(std::atoi(argv[i]), 1);
    }
    Bench bench;
    if (!bench.Init())
        return 1;
    bench.app_.exporting = 1;
    const std::string path = "/tmp/photobook-bench-" + std::to_string(::getpid()) + ".avi";

    if (minutes > 0) {
        const Case c{640, 480, "mpeg4"};
        if (!bench.Prepare(c))
            return 1;
        const double ms = bench.Export(c, 1 << 30, path, minutes * 60.0);
        std::printf("%.1f ms per frame; VmRSS at the end %s\n", ms, ResidentSize().c_str());
        bench.Release();
        bench.Destroy();
        return ms < 0 ? 1 : 0;
    }

    for (const Case& c : {Case{640, 480, ""}, Case{640, 480, "mpeg4"}, Case{1280, 720, ""}, Case{1280, 720, "mpeg4"}}) {
        if (!bench.Prepare(c))
            return 1;
        const FRenderTarget* target = bench.book_.Renderer().RenderTarget();
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f)
            bench.RenderFrame(c, f);
        glFinish();
        const double renderOnly = Ms(start, Clock::now()) / frames;
        const double exported = bench.Export(c, frames, path);
        if (exported < 0)
            return 1;
        std::printf("%4d x %-4d %-12s target %4d x %-4d (factor %d): render + read-back %6.2f ms, "
                    "export %6.2f ms a frame = %5.1f fps (%.0f%% of the render-only rate)\n",
                    c.width, c.height, *c.encoder ? c.encoder : "uncompressed", target->Width(), target->Height(),
                    target->Width() / c.width, renderOnly, exported, 1000.0 / exported, 100.0 * renderOnly / exported);
        std::fflush(stdout);
        bench.Release();
    }
    bench.Destroy();
    return 0;
}
