#include "export/FFrameGrabber.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FExportGraph.h"

#include "../base/TestFiles.h"
#include "MovieReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
// A rendered frame as the render target's copy holds it (top row first, B, G, R, X):
// the upper half red, the lower half blue, and a green column at the left edge.
struct PaintedFrame
{
    int32_t width, height;
    std::vector<uint8_t> bytes;
    FFrameGrabber grabber;

    PaintedFrame(int32_t w, int32_t h)
        : width(w), height(h), bytes(static_cast<size_t>(w) * h * 4),
          grabber(FFrameView{bytes.data(), w, h, w * 4}, w, h)
    {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = bytes.data() + (static_cast<size_t>(y) * w + x) * 4;
                const bool top = y < h / 2;
                p[0] = top ? 0 : 255;
                p[1] = x < 4 ? 255 : 0;
                p[2] = top ? 255 : 0;
            }
        grabber.ProcessFrame();
    }
};

// Builds, runs, pushes frames and stops; returns Build's result.
int WriteMovie(PaintedFrame& frame, const FString& path, const FString& encoder, int frames, FExportGraph& graph)
{
    const int built = graph.Build(&frame.grabber, path, 25.0f, encoder);
    if (built < 0)
        return built;
    graph.Run();
    for (int i = 0; i < frames; ++i)
        EXPECT_TRUE(graph.PushFrame()) << U8(graph.Error());
    EXPECT_EQ(graph.Stop(), kResultOk) << U8(graph.Error());
    graph.Release();
    return built;
}

// Within a few levels of the expected colour: encoded frames are not exact.
void ExpectColour(const uint8_t* bgr, int b, int g, int r, int tolerance, const char* where)
{
    EXPECT_NEAR(bgr[0], b, tolerance) << where;
    EXPECT_NEAR(bgr[1], g, tolerance) << where;
    EXPECT_NEAR(bgr[2], r, tolerance) << where;
}
} // namespace

TEST(FExportGraph, MoviesDecodeUprightFrameForFrame)
{
    // 150 * 3 = 450 bytes of pixels in 452-byte rows: the padding must not shear the
    // picture. MPEG-4 holds frames back; they must be flushed into the file.
    const struct
    {
        int width, height;
        const char* encoder; // FFmpeg's name; none for uncompressed
        const char* codec;
        int frames, tolerance;
    } cases[] = {{160, 120, nullptr, "rawvideo", 7, 0},
                 {150, 100, nullptr, "rawvideo", 7, 0},
                 {160, 120, "mpeg4", "mpeg4", 12, 40}};
    for (const auto& c : cases) {
        const int w = c.width, h = c.height;
        SCOPED_TRACE(std::string(c.codec) + " " + std::to_string(w) + "x" + std::to_string(h));
        ScratchDir dir;
        PaintedFrame frame(w, h);
        FExportGraph graph;
        const FString encoder = c.encoder ? EncoderFriendlyName(avcodec_find_encoder_by_name(c.encoder)) : FString();
        ASSERT_EQ(WriteMovie(frame, dir.fileF("out.avi"), encoder, c.frames, graph), kResultOk) << U8(graph.Error());

        const FDecodedMovie movie = DecodeMovie(dir.file("out.avi"));
        ASSERT_EQ(movie.error, "");
        EXPECT_EQ(movie.codec, c.codec);
        EXPECT_EQ(movie.width, w);
        EXPECT_EQ(movie.height, h);
        EXPECT_EQ(av_q2d(movie.frameRate), 25.0);
        ASSERT_EQ(movie.frames.size(), static_cast<size_t>(c.frames));
        for (size_t f = 0; f < movie.frames.size(); ++f) {
            ExpectColour(movie.Pixel(f, 80, h / 4), 0, 0, 255, c.tolerance, "upper half");
            ExpectColour(movie.Pixel(f, 80, 3 * h / 4), 255, 0, 0, c.tolerance, "lower half");
            if (c.tolerance == 0) {
                ExpectColour(movie.Pixel(f, 10, 0), 0, 0, 255, 0, "top row");
                ExpectColour(movie.Pixel(f, 10, h / 2 - 1), 0, 0, 255, 0, "last red row");
                ExpectColour(movie.Pixel(f, 10, h / 2), 255, 0, 0, 0, "first blue row");
                ExpectColour(movie.Pixel(f, w - 1, h - 1), 255, 0, 0, 0, "bottom right");
                ExpectColour(movie.Pixel(f, 0, h - 1), 255, 255, 0, 0, "left edge");
            }
        }
    }
}

TEST(FExportGraph, EncoderProblemsAreWordedAndLeaveNoFile)
{
    const AVCodec* h263 = avcodec_find_encoder_by_name("h263");
    ASSERT_NE(h263, nullptr);
    const FString h263Name = EncoderFriendlyName(h263);
    const AVCodec* gif = avcodec_find_encoder_by_name("gif");
    ASSERT_NE(gif, nullptr);
    const FString gifName = EncoderFriendlyName(gif);
    const FString resolutionHint = FString(u"\n\nMaybe the ") + h263Name + FString(u" encoder does not like");
    const struct
    {
        int width, height;
        FString encoder;
        FString message;
        bool hint;
    } cases[] = {
        {640, 480, FString(u"No Such Encoder 9"),
         FString(u"Could not create the No Such Encoder 9 encoder filter object."), false},
        // GIF is a software encoder, but AVI has no place for its output.
        {640, 480, gifName,
         FString(u"The ") + gifName +
             FString(u" encoder filter says that it can't be used to create AVI files.\n\nPlease try another encoder."),
         false},
        // H.263 takes only its standard picture sizes, and 640 x 480 is none of them.
        {650, 480, h263Name,
         FString(u"Could not connect the ") + h263Name + FString(u" encoder filter to the source filter."), true},
        {640, 480, h263Name,
         FString(u"Could not connect the ") + h263Name + FString(u" encoder filter to the source filter."), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.encoder) + " " + std::to_string(c.width));
        ScratchDir dir;
        PaintedFrame frame(c.width, c.height);
        FExportGraph graph;
        EXPECT_LT(graph.Build(&frame.grabber, dir.fileF("out.avi"), 25.0f, c.encoder), 0);
        EXPECT_EQ(graph.Message().Str().substr(0, c.message.Length()), c.message.Str());
        EXPECT_EQ(graph.Message().Contains(resolutionHint), c.hint) << U8(graph.Message());
        if (c.hint) {
            EXPECT_TRUE(graph.Message().Str().ends_with(u"\n\nPlease try another encoder.")) << U8(graph.Message());
        } else if (c.encoder.Contains(FString(u"No Such"))) // the unknown name's message is the whole text
        {
            EXPECT_EQ(graph.Message(), c.message);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.avi")));
        EXPECT_FALSE(graph.PushFrame());
        EXPECT_EQ(graph.Run(), kResultFail);
    }
}

TEST(FExportGraph, UnwritablePathNamesThePathAndFFmpegsReason)
{
    ScratchDir dir;
    PaintedFrame frame(64, 64);
    FExportGraph graph;
    const FString path = dir.fileF("missing-folder/out.avi");
    EXPECT_LT(graph.Build(&frame.grabber, path, 25.0f, FString()), 0);
    EXPECT_EQ(graph.Message(), FString(u"Could not set file name \"") + path + FString(u"\" to writer filter"));
    EXPECT_TRUE(graph.Error().Contains(FString(u"No such file or directory"))) << U8(graph.Error());

    EXPECT_EQ(graph.Build(nullptr, dir.fileF("a.avi"), 25.0f, FString()), kResultFail);
    EXPECT_EQ(graph.Build(&frame.grabber, FString(), 25.0f, FString()), kResultFail);
    EXPECT_TRUE(graph.Message().IsEmpty());
}

TEST(FExportGraph, StalledWriterMakesPushFrameGiveUpWithTheDiskSpaceMessage)
{
    // A FIFO nobody reads: the writer blocks on its first bytes, as on a stuck disk.
    ScratchDir dir;
    const std::string fifo = dir.file("stuck.avi");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread reader; // opened only to let the writer's open succeed, then never read
    int readEnd = -1;
    reader = std::thread([&] { readEnd = open(fifo.c_str(), O_RDONLY); });
    PaintedFrame frame(320, 240);
    FExportGraph graph(std::chrono::milliseconds(200));
    const int built = graph.Build(&frame.grabber, FString::FromUtf8(fifo), 25.0f, FString());
    reader.join();
    ASSERT_EQ(built, kResultOk) << U8(graph.Error());
    graph.Run();
    bool pushed = true;
    for (int i = 0; i < 200 && pushed; ++i)
        pushed = graph.PushFrame();
    EXPECT_FALSE(pushed);
    EXPECT_EQ(U8(graph.Message()), "Error exporting frame. Maybe you run out of diskspace.");
    // Draining the FIFO lets the streaming thread finish, so Stop can end the stream.
    std::thread drain([&] {
        char buffer[65536];
        while (read(readEnd, buffer, sizeof buffer) > 0) {}
    });
    graph.Stop();
    graph.Release();
    drain.join();
    close(readEnd);
}

TEST(EncoderList, OffersSoftwareAviEncodersByFriendlyName)
{
    std::vector<FString> names;
    ASSERT_TRUE(ListEncoders(names));
    EXPECT_LE(names.size(), static_cast<size_t>(kMaxEncoders));
    const FString mpeg4 = EncoderFriendlyName(avcodec_find_encoder_by_name("mpeg4"));
    EXPECT_NE(std::find(names.begin(), names.end(), mpeg4), names.end());

    for (const FString& name : names) {
        const AVCodec* codec = FindEncoderByName(name);
        ASSERT_NE(codec, nullptr) << U8(name);
        EXPECT_EQ(EncoderFriendlyName(codec), name);
        EXPECT_EQ(codec->type, AVMEDIA_TYPE_VIDEO);
        EXPECT_FALSE(codec->capabilities & AV_CODEC_CAP_HARDWARE) << codec->name;
        for (const char* device : {"vaapi", "nvenc", "qsv", "v4l2m2m", "amf", "vulkan", "omx"})
            EXPECT_EQ(std::strstr(codec->name, device), nullptr) << codec->name;
        EXPECT_TRUE(AviCarriesEncoder(codec)) << codec->name;
    }

    // Scripts may name an encoder by FFmpeg's short name; anything else must match exactly.
    EXPECT_EQ(FindEncoderByName(FString(u"mpeg4")), avcodec_find_encoder_by_name("mpeg4"));
    FString truncated = mpeg4;
    truncated.Truncate(mpeg4.Length() - 1);
    EXPECT_EQ(FindEncoderByName(truncated), nullptr);
    EXPECT_EQ(FindEncoderByName(FString()), nullptr);
}
