#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FMovieWriter.h"

#include "../base/TestFiles.h"
#include "MovieReader.h"

#include <gtest/gtest.h>

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
    FFrameView view;

    PaintedFrame(int32_t w, int32_t h) : bytes(static_cast<size_t>(w) * h * 4), view{bytes.data(), w, h, w * 4}
    {
        for (size_t i = 0; i < bytes.size(); i += 4) {
            const bool top = i / 4 / w < static_cast<size_t>(h / 2);
            bytes[i] = top ? 0 : 255, bytes[i + 1] = i / 4 % w < 4 ? 255 : 0, bytes[i + 2] = top ? 255 : 0;
        }
    }
};

FMovieConfig Config(const FString& path, int32_t w, int32_t h, const FString& encoder = FString())
{
    FMovieConfig config;
    config.path = path;
    config.container = ContainerForPath(path).value_or(FMovieContainer::Avi);
    config.encoderName = encoder;
    config.width = w;
    config.height = h;
    return config;
}

struct InFolder // the working folder while it lives
{
    const std::filesystem::path previous = std::filesystem::current_path();
    explicit InFolder(const std::string& folder) { std::filesystem::current_path(folder); }
    ~InFolder() { std::filesystem::current_path(previous); }
};

} // namespace

TEST(FMovieWriter, RawMoviesDecodeUprightFrameForFrame)
{
    // 150 * 3 = 450 bytes of pixels in 452-byte rows: the padding must not shear the
    // picture. "12:30.avi" relative to the working folder is a plain file name, not a
    // protocol. FFmpeg's raw video encoder, named like any other, gets upright rows and
    // must not be marked bottom-up. The encoders offered, MPEG-4 with its held-back
    // frames among them, go through EveryEncoderTest.
    ScratchDir dir;
    const InFolder here(dir.path());
    const std::tuple<int, int, const char*, const char*> cases[] = {
        {160, 120, "12:30.avi", ""}, {150, 100, "a\\b:c.avi", ""}, {150, 100, "raw.avi", "rawvideo"}};
    for (const auto& [w, h, name, encoder] : cases) {
        SCOPED_TRACE(name);
        PaintedFrame frame(w, h);
        FMovieWriter writer;
        const FString named = *encoder ? EncoderFriendlyName(avcodec_find_encoder_by_name(encoder)) : FString();
        ASSERT_FALSE(writer.Open(Config(FString::FromUtf8(name), w, h, named), frame.view))
            << U8(writer.Finish().Full());
        for (int i = 0; i < 7; ++i)
            EXPECT_FALSE(writer.Write(frame.view));
        EXPECT_FALSE(writer.Finish());
        EXPECT_EQ(writer.FramesWritten(), 7);

        const FDecodedMovie movie = DecodeMovie(dir.file(name));
        ASSERT_EQ(movie.error, "");
        EXPECT_TRUE(movie.codec == "rawvideo" && movie.width == w && movie.height == h);
        EXPECT_EQ(av_q2d(movie.frameRate), 25.0);
        ASSERT_EQ(movie.frames.size(), 7u);
        // B, G, R exactly: red down to the middle row, blue below, the green left edge.
        const auto is = [](const uint8_t* bgr, int b, int g, int r) {
            return bgr[0] == b && bgr[1] == g && bgr[2] == r;
        };
        for (size_t f = 0; f < movie.frames.size(); ++f)
            EXPECT_TRUE(is(movie.Pixel(f, 80, h / 2 - 1), 0, 0, 255) && is(movie.Pixel(f, 80, h / 2), 255, 0, 0) &&
                        is(movie.Pixel(f, 0, h - 1), 255, 255, 0))
                << "frame " << f;
    }
}

TEST(FMovieWriter, EncoderProblemsAreWordedAndLeaveNoFile)
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
        FMovieWriter writer;
        const FSinkError error =
            writer.Open(Config(dir.fileF("out.avi"), c.width, 480, FString::FromUtf8(c.encoder)), frame.view);
        const std::string message = U8(error.text);
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << message;
        EXPECT_EQ(message.find("\n\nMaybe the " + h263 + " encoder does not like") != std::string::npos, c.hint);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.avi")));
        EXPECT_TRUE(writer.Write(frame.view));
    }
    // Nothing to write to, or a source below a pixel: a failure with nothing to say.
    PaintedFrame frame(64, 64);
    EXPECT_TRUE(FMovieWriter().Open(Config(FString(), 64, 64), frame.view).Full().IsEmpty());
    ScratchDir dir;
    EXPECT_TRUE(FMovieWriter().Open(Config(dir.fileF("a.avi"), 64, 64), FFrameView{}));
}

TEST(FMovieWriter, StalledFileMakesWriteGiveUpWithTheDiskSpaceMessage)
{
    // A FIFO nobody reads: the writer blocks on its first bytes, as on a stuck disk.
    ScratchDir dir;
    const std::string fifo = dir.file("stuck.avi");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int readEnd = -1; // opened only to let the writer's open succeed, then never read
    std::thread reader([&] { readEnd = open(fifo.c_str(), O_RDONLY); });
    PaintedFrame frame(320, 240);
    FMovieWriter writer(std::chrono::milliseconds(200));
    const FSinkError opened = writer.Open(Config(FString::FromUtf8(fifo), 320, 240), frame.view);
    reader.join();
    ASSERT_FALSE(opened) << U8(opened.Full());
    FSinkError written;
    for (int i = 0; i < 200 && !written; ++i)
        written = writer.Write(frame.view);
    EXPECT_EQ(U8(written.Full()), "Error exporting frame. Maybe you run out of diskspace.");
    // Draining the FIFO lets the worker finish, so Finish can end.
    std::thread drain([&] {
        char buffer[65536];
        while (read(readEnd, buffer, sizeof buffer) > 0) {}
    });
    EXPECT_TRUE(writer.Finish());
    drain.join();
    close(readEnd);
}
