// How soon the photos of a folder show after the book opens: headless (EGL) at
// 1280 x 720 and Normal Quality, the frames painted when the viewer paints them. For each run the book opens the folder cold (a new decode pool,
// no cache); printed are the times from the first frame until every visible slot
// shows a picture, and until every one is sharp (its texture at the quality asked
// for, not a preview), as median and worst of the runs, for the first spread and
// for the next spread opened straight away.
//
//   bench_FirstPicture [runs] [--without-heic]
//
// The folder, made once into $TMPDIR/quillo-first-photos: 5120 x 2880 JPEGs and
// PNGs and 4032 x 3024 HEICs with their thumbnails, as phones and cameras write them.
// --without-heic: JPEGs in the HEICs' places, for a build that reads no HEIC.

#include "BenchBook.h"
#include "BenchPhotos.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The first spread shows photos 0 and 1, a PNG beside a HEIC (the slowest to
// decode); the next one photos 2 to 5.
const char* const kPhotos[8] = {"p0.png", "p1.heic", "p2.jpg", "p3.jpg", "p4.heic", "p5.png", "p6.heic", "p7.png"};
bool gWithoutHeic = false;

std::string PhotoName(int i)
{
    std::string name = kPhotos[i];
    if (gWithoutHeic && name.ends_with(".heic"))
        name.replace(name.size() - 4, 4, "jpg");
    return name;
}

bool MakeFolder(const fs::path& folder)
{
    if (fs::exists(folder / "complete"))
        return true;
    fs::create_directories(folder);
    std::printf("making the photos in %s (once)\n", folder.c_str());
    for (int i = 0; i < 8; ++i) {
        const std::string name = PhotoName(i);
        const bool heic = name.ends_with(".heic"), png = name.ends_with(".png");
        const int width = heic ? 4032 : 5120, height = heic ? 3024 : 2880;
        const std::vector<unsigned char> rgb = PhotoPixels(width, height, i);
        const fs::path target = folder / name;
        const fs::path source = heic ? folder / (name + ".jpg") : target;
        if (!(png ? WritePng(source, rgb, width, height) : WriteJpeg(source, rgb, width, height)))
            return false;
        if (heic) {
            // An iPhone's files carry a small thumbnail beside the picture.
            const std::string command =
                "heif-enc -q 80 -t 320 -o '" + target.string() + "' '" + source.string() + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "heif-enc failed: %s\n", command.c_str());
                return false;
            }
            fs::remove(source);
        }
    }
    FILE* mark = std::fopen((folder / "complete").c_str(), "w");
    return mark && std::fclose(mark) == 0;
}

struct FTimes
{
    double firstPicture = -1; // ms until every visible slot shows something
    double allSharp = -1;     // ms until every one shows its own quality
};

// The viewer's frame loop until the spread's slots are sharp (or 10 s went by):
// at most 60 frames a second, and a frame only when the book wants one (it moves,
// or the last frame got a photo further) or a decode it waits for has ended.
FTimes Watch(FBenchBook& bench, FPhotoBookApp& app, const std::vector<int>& slots, std::atomic<bool>& decoded)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    FTimes times;
    bool wanted = true;
    for (int tick = 0; tick < 600; ++tick) {
        const auto tickStart = Clock::now();
        if (wanted || decoded.exchange(false)) {
            const uint32_t now = static_cast<uint32_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(tickStart.time_since_epoch()).count());
            app.FrameMove(now);
            bench.book.Render(app.BeginFrame(1280, 720, now));
            glFinish();
            wanted = app.WantsFrames();
        }
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        bool shown = true, sharp = true;
        for (int slot : slots) {
            const FTexture& record = app.photoTextures[static_cast<size_t>(slot)];
            shown = shown && record.HasTexture();
            sharp = sharp && record.HasTexture() && !record.Preview;
        }
        if (shown && times.firstPicture < 0)
            times.firstPicture = elapsed;
        if (sharp) {
            times.allSharp = elapsed;
            break;
        }
        std::this_thread::sleep_until(tickStart + std::chrono::microseconds(16667));
    }
    return times;
}

void Print(const char* what, std::vector<FTimes> runs)
{
    const auto line = [&](const char* label, double FTimes::*field) {
        std::vector<double> values;
        for (const FTimes& t : runs)
            values.push_back(t.*field);
        std::sort(values.begin(), values.end());
        std::printf("  %-28s median %7.0f ms, worst %7.0f ms\n", label, values[values.size() / 2], values.back());
    };
    std::printf("%s:\n", what);
    line("a picture in every slot", &FTimes::firstPicture);
    line("every slot sharp", &FTimes::allSharp);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    gWithoutHeic = argc > 2 && std::string(argv[2]) == "--without-heic";
    const char* tmp = std::getenv("TMPDIR");
    const fs::path folder =
        fs::path(tmp && *tmp ? tmp : "/tmp") / (gWithoutHeic ? "quillo-first-photos-jpeg" : "quillo-first-photos");
    if (!MakeFolder(folder))
        return 1;

    FBenchBook bench;
    if (!bench.Open(1920, 1080) || !bench.UseScreen(1280, 720))
        return 1;
    bench.app.Release(); // each run opens its own book
    std::vector<FTimes> first, last;
    for (int run = 0; run < runs; ++run) {
        FPhotoBookApp app;
        app.Init({GetModuleDirectory(), 1920, 1080}, 0);
        app.settings->SettingsReset();
        app.settings->RenderShadows = true;
        app.settings->RenderTransparentPage = false;
        app.textureLoader = &bench.book.Loader();
        std::atomic<bool> decoded = false;
        app.onPhotoDecoded = [&decoded] { decoded = true; };
        app.ReloadDecorations();
        if (!app.ScanFolder(FString::FromUtf8((folder / PhotoName(0)).string()), false, 0) || app.photoCount != 8) {
            std::fprintf(stderr, "the folder did not open\n");
            return 1;
        }
        first.push_back(Watch(bench, app, {6, 7}, decoded));
        // Straight to the next spread, as a click on a recent photo does: four photos.
        app.pageIndex = 2;
        for (FTexture& slot : app.photoTextures)
            slot.Clear();
        last.push_back(Watch(bench, app, {4, 5, 6, 7}, decoded));
        app.ReleaseDeviceTextures();
        app.photoStream.reset(); // before decoded goes
    }
    std::printf("%d runs, Normal Quality, 1280 x 720, from the first frame:\n", runs);
    Print(gWithoutHeic ? "first spread (a PNG and a JPEG)" : "first spread (a PNG and a HEIC)", first);
    Print("next spread opened (four photos)", last);
    return 0;
}
