// The export driver on the real FFmpeg graph: frames rendered by a stand-in for the
// device go into an AVI that is read back as a player would.

#include "../app/AppTestSupport.h"
#include "MovieReader.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FExportGraphSink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

// Paints every frame one colour: blue = frame number, green = 50 x page index, red 200.
struct PaintingHost : FExportHost
{
    FRenderTargetCopy copy;
    int frame = 0;
    int escapeAtFrame = -1;
    std::vector<std::string> boxes;

    bool CreateRenderTarget(int32_t w, int32_t h) override
    {
        copy.width = 2 * w;
        copy.height = 2 * h;
        copy.pitch = copy.width * 4;
        copy.pixels.assign(static_cast<size_t>(copy.pitch) * copy.height, 0);
        return true;
    }
    FFrameView RenderTargetCopy() override { return FrameViewOf(&copy); }
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        for (size_t i = 0; i < copy.pixels.size(); i += 4) {
            copy.pixels[i] = static_cast<uint8_t>(frame);
            copy.pixels[i + 1] = static_cast<uint8_t>(50 * app.pageIndex);
            copy.pixels[i + 2] = 200;
        }
        ++frame;
        return FrameViewOf(&copy);
    }
    std::unique_ptr<FFrameSink> CreateSink() override
    {
        return std::make_unique<FExportGraphSink>(std::chrono::milliseconds(5000));
    }
    bool IsEscapeDown() override { return frame == escapeAtFrame; }
    void ShowMessage(const FString& text, FMessageIcon) override { boxes.push_back(text.ToUtf8()); }
    void ShowExportBox(const FString& text, FMessageIcon) override { boxes.push_back(text.ToUtf8()); }
};

FExportSettings Small(const char16_t* encoder = u"")
{
    FExportSettings s;
    s.width = 80;
    s.height = 64;
    s.framesPerSecond = 10;
    s.timePage = s.timeZoom = s.timeView = 1;
    s.encoderName = FString(encoder);
    return s;
}

} // namespace

TEST(MovieExport, UncompressedMovieHoldsEveryScriptedFrame)
{
    TestApp t;
    t.SetPhotos(3);
    t.app.GoToFirstPage(0);
    PaintingHost host;
    const std::string path = t.dir.file("book.avi");
    FExportOutcome outcome;
    ASSERT_TRUE(ExportMovie(t.app, Small(), FString::FromUtf8(path), host, &outcome));
    EXPECT_EQ(outcome.framesStored, 130);

    const FDecodedMovie movie = DecodeMovie(path);
    ASSERT_EQ(movie.error, "");
    EXPECT_EQ(movie.width, 80);
    EXPECT_EQ(movie.height, 64);
    ASSERT_EQ(movie.frames.size(), 130u);
    for (size_t f : {size_t(0), size_t(69), size_t(70), size_t(80), size_t(129)}) {
        const uint8_t* p = movie.Pixel(f, 40, 10);
        EXPECT_EQ(p[0], f);                   // blue
        EXPECT_EQ(p[1], f < 80 ? 0 : 100) << f; // the page turn of spread 1 ends at frame 79
        EXPECT_EQ(p[2], 200);
    }
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().rfind("Animation saved successfully!", 0), 0u);
    EXPECT_NE(host.boxes.back().find("Antialiasing quality:\t4 samples per pixel\n"), std::string::npos);
}

TEST(MovieExport, UnknownEncoderAndEscapeLeaveNoFile)
{
    TestApp t;
    t.SetPhotos(3);
    const std::string path = t.dir.file("book.avi");

    PaintingHost unknown;
    EXPECT_FALSE(ExportMovie(t.app, Small(u"No Such Encoder"), FString::FromUtf8(path), unknown));
    ASSERT_EQ(unknown.boxes.size(), 1u);
    EXPECT_EQ(unknown.boxes[0], "Could not create the No Such Encoder encoder filter object.");
    EXPECT_FALSE(std::filesystem::exists(path));

    t.app.GoToFirstPage(0);
    PaintingHost escaping;
    escaping.escapeAtFrame = 3;
    EXPECT_FALSE(ExportMovie(t.app, Small(), FString::FromUtf8(path), escaping));
    EXPECT_EQ(escaping.frame, 4);
    EXPECT_EQ(escaping.boxes.back(), "Error saving AVI file.");
    EXPECT_FALSE(std::filesystem::exists(path));
}
