// Frames per second of the book on this machine's OpenGL (headless, EGL): a
// resting book and a turning page, shadows off and on, at 800 x 600; and the
// export's supersampled 2560 x 1920 frame with its read-back. Prints medians.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "render/gl/FBookRenderer.h"
#include "render/gl/FGlContext.h"
#include "render/gl/FGlFramebuffer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void(int)>& frame)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        frame(i);
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
    const int runs = argc > 1 ? std::atoi(argv[1]) : 60;
    // The program's own media beside the executable: sample photos and textures.
    FPhotoBookApp app;
    app.Init({GetModuleDirectory(), 1280, 1024}, 0);
    FBookRenderer book;
    app.textureLoader = &book.Loader();
    auto screen = FGlFramebuffer::Create(800, 600, &error);
    const FGlScreen glScreen{screen->Id(), 800, 600};
    if (book.DeviceReset(glScreen, app.effectPath) != kOk) {
        std::fprintf(stderr, "%s\n", book.LastError().c_str());
        return 1;
    }
    app.ReloadDecorations();
    app.ScanFolder(app.settings->GetRecentPath(0), false, 0);
    app.StreamPhotoTextures(true);
    std::printf("OpenGL %s, %d photos\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), app.photoCount);

    for (bool shadows : {false, true}) {
        app.settings->RenderShadows = shadows;
        const double rest = MedianMs(runs, [&](int) { book.Render(app.BeginFrame(800, 600, 0)); });
        app.settings->RenderTransparentPage = false;
        app.NextPage(0);
        const double turn = MedianMs(runs, [&](int i) {
            app.turnPosition = TurnEnd * static_cast<float>(i % 50 + 1) / 52.0f;
            book.Render(app.BeginFrame(800, 600, 0));
        });
        app.FinishTurn();
        app.GoToFirstPage(0);
        app.StreamPhotoTextures(true);
        std::printf("800 x 600, shadows %-3s: resting %.2f ms (%.0f fps), turning %.2f ms (%.0f fps)\n",
                    shadows ? "on" : "off", rest, 1000 / rest, turn, 1000 / turn);
    }

    app.settings->RenderShadows = false;
    book.Renderer().CreateRenderTarget(640, 480);
    app.exporting = 1;
    const double offscreen = MedianMs(runs / 2 + 1, [&](int) {
        book.Render(app.BeginFrame(640, 480, 0));
        book.Renderer().CopyRenderTarget();
    });
    const FRenderTarget* target = book.Renderer().RenderTarget();
    std::printf("export frame %d x %d (factor %d) with read-back: %.2f ms (%.1f fps)\n", target ? target->Width() : 0,
                target ? target->Height() : 0, target ? target->Factor() : 0, offscreen, 1000 / offscreen);
    app.exporting = 0;
    book.DeviceDestroyed();
    return 0;
}
