#include "export/FFrameGrabber.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FExportGraph.h"

#include "../base/TestFiles.h"
#include "MovieReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
    std::vector<uint8_t> bytes;
    FFrameGrabber grabber;

    PaintedFrame(int32_t w, int32_t h)
        : bytes(static_cast<size_t>(w) * h * 4), grabber(FFrameView{bytes.data(), w, h, w * 4}, w, h)
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

struct InFolder // the working folder while it lives
{
    const std::filesystem::path previous = std::filesystem::current_path();
    explicit InFolder(const std::string& folder) { std::filesystem::current_path(folder); }
    ~InFolder() { std::filesystem::current_path(previous); }
};

// Within a few levels of the expected colour: encoded frames are not exact.
bool Near(const uint8_t* bgr, int b, int g, int r, int tolerance)
{
    return std::abs(bgr[0] - b) <= tolerance && std::abs(bgr[1] - g) <= tolerance && std::abs(bgr[2] - r) <= tolerance;
}
} // namespace

TEST(FExportGraph, MoviesDecodeUprightFrameForFrame)
{
    // 150 * 3 = 450 bytes of pixels in 452-byte rows: the padding must not shear the
    // picture. MPEG-4 holds frames back; they must be flushed into the file. A name
    // like "12:30.avi", even relative to the working folder, is a plain file name to
    // FFmpeg, not a protocol.
    const struct
    {
        int width, height;
        const char* encoder; // FFmpeg's name; none for uncompressed
        const char* codec;
        int frames, tolerance;
        const char* name;
    } cases[] = {{160, 120, nullptr, "rawvideo", 7, 0, "12:30.avi"},
                 {150, 100, nullptr, "rawvideo", 7, 0, "a\\b:c.avi"},
                 {160, 120, "mpeg4", "mpeg4", 12, 40, "out.avi"}};
    ScratchDir dir;
    const InFolder here(dir.path());
    for (const auto& c : cases) {
        const int w = c.width, h = c.height;
        SCOPED_TRACE(std::string(c.codec) + " " + std::to_string(w) + "x" + std::to_string(h));
        PaintedFrame frame(w, h);
        FExportGraph graph;
        const FString encoder = c.encoder ? EncoderFriendlyName(avcodec_find_encoder_by_name(c.encoder)) : FString();
        ASSERT_EQ(graph.Build(&frame.grabber, FString::FromUtf8(c.name), 25.0f, encoder), kResultOk)
            << U8(graph.Error());
        graph.Run();
        for (int i = 0; i < c.frames; ++i)
            EXPECT_TRUE(graph.PushFrame()) << U8(graph.Error());
        EXPECT_EQ(graph.Stop(), kResultOk) << U8(graph.Error());
        graph.Release();

        const FDecodedMovie movie = DecodeMovie(dir.file(c.name));
        ASSERT_EQ(movie.error, "");
        EXPECT_EQ(movie.codec, c.codec);
        EXPECT_EQ(movie.width, w);
        EXPECT_EQ(movie.height, h);
        EXPECT_EQ(av_q2d(movie.frameRate), 25.0);
        ASSERT_EQ(movie.frames.size(), static_cast<size_t>(c.frames));
        // Upper half red, lower half blue; uncompressed, exact up to the rows that meet
        // and the green left edge.
        const int mid = c.tolerance ? h / 4 : h / 2 - 1, edge = c.tolerance ? w / 2 : 0;
        for (size_t f = 0; f < movie.frames.size(); ++f)
            EXPECT_TRUE(Near(movie.Pixel(f, 80, mid), 0, 0, 255, c.tolerance) &&
                        Near(movie.Pixel(f, 80, h - 1 - mid), 255, 0, 0, c.tolerance) &&
                        Near(movie.Pixel(f, edge, h - 1), 255, edge ? 0 : 255, 0, c.tolerance))
                << "frame " << f;
    }
}

TEST(FExportGraph, EncoderProblemsAreWordedAndLeaveNoFile)
{
    const std::string h263 = U8(EncoderFriendlyName(avcodec_find_encoder_by_name("h263")));
    const std::string gif = U8(EncoderFriendlyName(avcodec_find_encoder_by_name("gif")));
    const std::string connect = "Could not connect the " + h263 + " encoder filter to the source filter.";
    const struct
    {
        int width;
        std::string encoder, message;
        bool hint; // that the picture size may be the trouble
    } cases[] = {
        {640, "No Such Encoder 9", "Could not create the No Such Encoder 9 encoder filter object.", false},
        // GIF is a software encoder, but AVI has no place for its output.
        {640, gif, "The " + gif + " encoder filter says that it can't be used to create AVI files.", false},
        // H.263 takes only its standard picture sizes; an odd width earns the hint.
        {650, h263, connect, true},
        {640, h263, connect, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoder + " " + std::to_string(c.width));
        ScratchDir dir;
        PaintedFrame frame(c.width, 480);
        FExportGraph graph;
        EXPECT_LT(graph.Build(&frame.grabber, dir.fileF("out.avi"), 25.0f, FString::FromUtf8(c.encoder)), 0);
        const std::string message = U8(graph.Message());
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << message;
        EXPECT_EQ(message.find("\n\nMaybe the " + h263 + " encoder does not like") != std::string::npos, c.hint);
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
    int readEnd = -1; // opened only to let the writer's open succeed, then never read
    std::thread reader([&] { readEnd = open(fifo.c_str(), O_RDONLY); });
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
            EXPECT_EQ(std::string(codec->name).find(device), std::string::npos) << codec->name;
        EXPECT_TRUE(AviCarriesEncoder(codec)) << codec->name;
    }

    // Scripts may name an encoder by FFmpeg's short name; anything else must match exactly.
    EXPECT_EQ(FindEncoderByName(FString(u"mpeg4")), avcodec_find_encoder_by_name("mpeg4"));
    EXPECT_EQ(FindEncoderByName(FString::FromUtf8(U8(mpeg4).substr(1))), nullptr);
    EXPECT_EQ(FindEncoderByName(FString()), nullptr);
}
