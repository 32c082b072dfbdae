// Every encoder the export offers, run through the real writer and read back as a player
// would: all frames there, the top of the picture at the top.

#include "export/FFrameGrabber.h"
#include "export/ffmpeg/EncoderSetup.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FExportGraph.h"

#include "../base/TestFiles.h"
#include "MovieReader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
constexpr int kFrames = 8;

// A render target's copy (top row first, B, G, R, X): red above, blue below, with a
// grey ramp across so that encoders have some detail to work on.
struct TwoToneFrame
{
    std::vector<uint8_t> bytes;
    FFrameGrabber grabber;

    TwoToneFrame(int32_t w, int32_t h)
        : bytes(static_cast<size_t>(w) * h * 4), grabber(FFrameView{bytes.data(), w, h, w * 4}, w, h)
    {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = bytes.data() + (static_cast<size_t>(y) * w + x) * 4;
                const bool top = y < h / 2;
                const auto ramp = static_cast<uint8_t>(x * 60 / w);
                p[0] = top ? ramp : 220;
                p[1] = ramp;
                p[2] = top ? 220 : ramp;
            }
        grabber.ProcessFrame();
    }
};

struct Outcome
{
    bool built = false;
    FString message;
    FDecodedMovie movie;
};

Outcome Export(const ScratchDir& dir, const std::string& file, const FString& encoder, int w, int h, float fps)
{
    Outcome out;
    TwoToneFrame frame(w, h);
    FExportGraph graph;
    out.built = graph.Build(&frame.grabber, dir.fileF(file), fps, encoder) == kResultOk;
    out.message = graph.Message();
    if (!out.built)
        return out;
    graph.Run();
    for (int i = 0; i < kFrames; ++i)
        EXPECT_TRUE(graph.PushFrame()) << U8(graph.Error());
    EXPECT_EQ(graph.Stop(), kResultOk) << U8(graph.Error());
    graph.Release();
    out.movie = DecodeMovie(dir.file(file));
    return out;
}

// Empty when the movie is whole and upright, else what is wrong with it.
std::string Problem(const FDecodedMovie& movie, int w, int h)
{
    if (!movie.error.empty())
        return movie.error;
    if (movie.width != w || movie.height != h)
        return "size " + std::to_string(movie.width) + "x" + std::to_string(movie.height);
    if (movie.frames.size() != kFrames)
        return std::to_string(movie.frames.size()) + " frames";
    // Palette and block encoders shift colours a lot; which channel wins does not change.
    for (size_t f = 0; f < movie.frames.size(); ++f) {
        const uint8_t* top = movie.Pixel(f, w / 2, h / 4);
        const uint8_t* bottom = movie.Pixel(f, w / 2, h * 3 / 4);
        if (!(top[2] > top[0] + 60 && bottom[0] > bottom[2] + 60))
            return "frame " + std::to_string(f) + " not red above blue";
    }
    return "";
}
} // namespace

// Refused with the picture-size hint and no file left behind: empty, else what went wrong.
std::string RefusalProblem(const Outcome& out, const ScratchDir& dir, const std::string& file)
{
    if (U8(out.message).find("does not like your resolution") == std::string::npos)
        return "refused: " + U8(out.message);
    return std::filesystem::exists(dir.file(file)) ? "refused but left a file" : "";
}

TEST(EveryEncoder, MakesAWholeUprightMovieOrRefusesTheSizeUpFront)
{
    av_log_set_level(AV_LOG_QUIET);
    ScratchDir dir;
    int n = 0;
    for (const auto& [container, extension] :
         {std::pair{FMovieContainer::Avi, ".avi"}, {FMovieContainer::Mp4, ".mp4"}, {FMovieContainer::Mkv, ".mkv"}}) {
        std::vector<FString> names;
        ASSERT_TRUE(ListEncoders(names, container));
        if (container != FMovieContainer::Avi)
            names.push_back(FString()); // the container's default
        for (const FString& name : names) {
            // 322 x 242 is no multiple of 4, 8 or 16. Some codecs take only their standard
            // sizes; each must work at one of them.
            bool worked = false;
            for (const auto [w, h] : {std::pair{320, 240}, {322, 242}, {352, 288}, {720, 576}}) {
                if (worked && w > 322)
                    break;
                const std::string file = std::to_string(++n) + extension;
                const Outcome out = Export(dir, file, name, w, h, 25.0f);
                worked |= out.built;
                EXPECT_EQ(out.built ? Problem(out.movie, w, h) : RefusalProblem(out, dir, file), "")
                    << extension << " " << U8(name) << " " << w << "x" << h;
            }
            EXPECT_TRUE(worked) << extension << " " << U8(name);
        }
    }
}

TEST(EveryEncoder, FrameRatesAreStoredOrRefusedUpFront)
{
    av_log_set_level(AV_LOG_QUIET);
    const struct
    {
        const char* encoder;
        float fps;
        AVRational stored; // 0/1: refused
    } cases[] = {
        // MPEG-1/2 keep a table of rates; 29.97 arrives as a near miss of 30000/1001.
        {"mpeg1video", 29.97f, {30000, 1001}}, {"mpeg1video", 23.976f, {24000, 1001}}, {"mpeg1video", 12.0f, {0, 1}},
        {"mpeg2video", 12.0f, {12, 1}},        {"mpeg4", 29.97f, {2997, 100}},
    };
    ScratchDir dir;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.encoder) + " at " + std::to_string(c.fps));
        const std::string file = std::to_string(++n) + ".avi";
        const Outcome out =
            Export(dir, file, EncoderFriendlyName(avcodec_find_encoder_by_name(c.encoder)), 320, 240, c.fps);
        ASSERT_EQ(out.built, c.stored.num != 0);
        if (!out.built) {
            EXPECT_EQ(RefusalProblem(out, dir, file), "");
            continue;
        }
        EXPECT_EQ(Problem(out.movie, 320, 240), "");
        EXPECT_EQ(av_cmp_q(out.movie.frameRate, c.stored), 0)
            << out.movie.frameRate.num << "/" << out.movie.frameRate.den;
    }
}
