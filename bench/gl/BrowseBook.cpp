// Browsing a folder of large photos as a user does: Page Down every 1.3 s through
// the whole book and back, headless (EGL) at 1280 x 720 with shadows on and the
// page turn at 1 s, each frame painted as the viewer paints it. Prints the frame
// interval's median, p99 and maximum, how many frames showed a visible page
// with a photo missing once the first spread had loaded, and the peak resident size.
//
//   bench_BrowseBook [photo folder] [WIDTHxHEIGHT] [--high] [--24mp]
//
// Without a folder, 32 photo-like JPEGs and PNGs (5120 x 2880, 4000 x 3000,
// 3840 x 2160 and portraits) are made once into $TMPDIR/quillo-browse-photos;
// with --24mp, 32 JPEGs of 6000 x 4000 into $TMPDIR/quillo-browse-24mp.
// --high browses at High Quality (full-size textures) instead of Normal.

#include "BenchBook.h"
#include "BenchPhotos.h"
#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"

#include <epoxy/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct FPhotoShape
{
    int width;
    int height;
    bool png;
};

// Repeated four times: every spread mixes sizes, formats and portraits.
constexpr FPhotoShape kShapes[8] = {
    {5120, 2880, false}, {4000, 3000, false}, {3840, 2160, true},  {5120, 2880, false},
    {3000, 4000, false}, {4000, 3000, false}, {5120, 2880, false}, {2160, 3840, true},
};
constexpr int kGeneratedPhotos = 32;

// Made once; a folder without its "complete" mark (an interrupted run) is made again.
bool MakePhotoFolder(const fs::path& folder, bool large)
{
    if (fs::exists(folder / "complete"))
        return true;
    std::error_code error;
    fs::create_directories(folder, error);
    std::printf("making %d photos in %s (once)\n", kGeneratedPhotos, folder.c_str());
    for (int i = 0; i < kGeneratedPhotos; ++i) {
        const FPhotoShape s = large ? FPhotoShape{i % 8 == 4 ? 4000 : 6000, i % 8 == 4 ? 6000 : 4000, false}
                                    : kShapes[i % 8];
        char name[32];
        std::snprintf(name, sizeof name, "photo%02d.%s", i, s.png ? "png" : "jpg");
        const std::vector<unsigned char> rgb = PhotoPixels(s.width, s.height, i);
        const fs::path part = folder / (std::string(name) + ".part");
        if (!(s.png ? WritePng(part, rgb, s.width, s.height) : WriteJpeg(part, rgb, s.width, s.height))) {
            std::fprintf(stderr, "cannot write %s\n", part.c_str());
            return false;
        }
        fs::rename(part, folder / name, error);
        if (error)
            return false;
    }
    FILE* mark = std::fopen((folder / "complete").c_str(), "w");
    return mark && std::fclose(mark) == 0;
}

// The photo slots each page object of the frame shows (its lower band; the upper
// is the next slot), as the frame composition hands them out: at rest, in a
// forward turn and in a backward turn. -1: the page carries no photos.
int FirstSlotOf(int32_t page, int32_t turnState)
{
    static constexpr int kSlots[3][4] = {
        {4, -1, -1, 6}, // rest: left, turning front, turning back, right
        {0, 2, 4, 6},   // forward
        {4, 6, 8, 10},  // backward
    };
    if (page < kLeftPage || page > kRightPage)
        return -1;
    return kSlots[turnState == 0 ? 0 : turnState > 0 ? 1 : 2][page];
}

// A visible page face whose photo is in the list but has no texture yet.
bool ShowsEmptySlot(const FPhotoBookApp& app, const FFrame& frame)
{
    for (const FFramePage& page : frame.Pages()) {
        const int first = FirstSlotOf(page.page, app.turnState);
        for (int slot = first; first >= 0 && slot < first + 2; ++slot) {
            const int32_t photo = app.WindowPhotoIndex(slot); // the slots move when a turn starts
            if (photo >= 0 && photo < app.photoCount && !app.unreadablePhotos.contains(photo) &&
                !app.photoTextures[static_cast<size_t>(slot)].HasTexture())
                return true;
        }
    }
    return false;
}

long ResidentMegabytes()
{
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm && std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    if (statm)
        std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) >> 10) >> 10;
}

double Percentile(const std::vector<double>& sorted, double p)
{
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * static_cast<double>(sorted.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    bool high = false, large = false;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--high")
            high = true;
        else if (arg == "--24mp")
            large = true;
        else
            args.push_back(argv[i]);
    }
    const char* tmp = std::getenv("TMPDIR");
    const fs::path folder = !args.empty() ? fs::path(args[0])
                                          : fs::path(tmp && *tmp ? tmp : "/tmp") /
                                                (large ? "quillo-browse-24mp" : "quillo-browse-photos");
    int width = 1280, height = 720;
    if (args.size() > 1 && std::sscanf(args[1], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "size as WIDTHxHEIGHT, not %s\n", args[1]);
        return 2;
    }
    if (args.empty() && !MakePhotoFolder(folder, large))
        return 1;

    FBenchBook bench;
    if (!bench.Open(1920, 1080))
        return 1;
    FPhotoBookApp& app = bench.app;
    FBookRenderer& book = bench.book;
    // Whatever a settings file beside the program says, browse with the defaults.
    app.settings->SettingsReset();
    app.settings->RenderShadows = true;
    app.settings->TimePage = 1;
    app.settings->Quality = high ? 2 : 1;
    if (!bench.UseScreen(width, height))
        return 1;
    app.ReloadDecorations();

    using Clock = std::chrono::steady_clock;
    double now = 1000; // simulated milliseconds
    const auto scanStart = Clock::now();
    // The book opens the folder of a path: a folder's own path needs its slash.
    const std::string open = fs::is_directory(folder) ? (folder / "").string() : folder.string();
    if (!app.ScanFolder(FString::FromUtf8(open.c_str()), false, static_cast<uint32_t>(now)) || app.photoCount == 0) {
        std::fprintf(stderr, "no photos in %s\n", folder.c_str());
        return 1;
    }
    now += std::chrono::duration<double, std::milli>(Clock::now() - scanStart).count();
    std::printf("OpenGL %s, %d x %d, %d photos from %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                width, height, app.photoCount, folder.c_str());

    // The viewer's idle step moves the book (FrameMove: turns, and streaming at
    // rest) before it paints. Where BeginFrame does that itself, a second move
    // would stream twice per frame.
    const uint32_t probe = static_cast<uint32_t>(now);
    app.lastFrameTime = probe - 1;
    book.Render(app.BeginFrame(width, height, probe));
    const bool beginFrameMoves = app.lastFrameTime == probe;

    struct
    {
        long resident = 0;
        size_t held = 0;
        int textures = 0;
    } peak;
    std::vector<double> intervals;
    int emptyFrames = 0, pagePresses = 0;
    bool loaded = false, forward = true;
    double nextPress = now + 1300;
    constexpr double kGiveUpMs = 10 * 60 * 1000;
    const double start = now;
    for (;;) {
        if (now >= nextPress) {
            nextPress += 1300;
            const auto turning = [&] { return app.turnState != 0 || app.transparentTurnState != 0; };
            // A press that starts nothing means this end of the book is reached.
            if (forward) {
                app.NextPage(static_cast<uint32_t>(now));
                forward = turning();
            }
            if (!forward) {
                app.PreviousPage(static_cast<uint32_t>(now));
                if (!turning())
                    break;
            }
            ++pagePresses;
        }
        const auto frameStart = Clock::now();
        if (!beginFrameMoves)
            app.FrameMove(static_cast<uint32_t>(now));
        const FFrame frame = app.BeginFrame(width, height, static_cast<uint32_t>(now));
        book.Render(frame);
        glFinish();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - frameStart).count();
        now += ms;
        intervals.push_back(ms);
        // What the peak is made of: the decoded images the pool holds, and the
        // photo textures (on llvmpipe, in this process's memory too).
        if (const long resident = ResidentMegabytes(); resident > peak.resident) {
            peak.resident = resident;
            peak.held = app.photoStream ? app.photoStream->HeldBytes() >> 20 : 0;
            peak.textures = 0;
            for (const FTexture& record : app.photoTextures)
                peak.textures += record.HasTexture();
        }
        const bool empty = ShowsEmptySlot(app, frame);
        loaded = loaded || !empty;
        emptyFrames += loaded && empty;
        if (now - start > kGiveUpMs) {
            std::fprintf(stderr, "still browsing after %.0f s: stopped\n", kGiveUpMs / 1000);
            break;
        }
    }
    std::sort(intervals.begin(), intervals.end());
    std::printf("%zu frames, %d page presses, %.1f s: frame interval median %.1f ms, p99 %.1f ms, max %.1f ms\n",
                intervals.size(), pagePresses, (now - start) / 1000, Percentile(intervals, 0.5),
                Percentile(intervals, 0.99), intervals.back());
    std::printf("frames showing an empty photo slot on a visible page: %d of %zu\n", emptyFrames, intervals.size());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s Quality: peak resident size %ld MB; at the frames' peak (%ld MB) the pool held %zu MB of "
                "decoded images and %d slots a texture\n",
                high ? "High" : "Normal", usage.ru_maxrss / 1024, peak.resident, peak.held, peak.textures);
    book.DeviceDestroyed();
    return 0;
}
