// The export driver on the real FFmpeg graph: frames rendered by a stand-in for the
// device go into an AVI that is read back as a player would.

#include "../app/AppTestSupport.h"
#include "../export/ExportTestHost.h"
#include "MovieReader.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FMovieWriter.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(MovieExport, UncompressedMovieHoldsEveryScriptedFrame)
{
    TestApp t;
    t.SetPhotos(3);
    t.app.GoToFirstPage(0);
    TestExportHost host;
    host.makeSink = [] { return std::make_unique<FMovieWriter>(std::chrono::milliseconds(5000)); };
    const std::string path = t.dir.file("book.avi");
    FExportSettings small;
    small.width = 80, small.height = 64, small.framesPerSecond = 10;
    small.timePage = small.timeZoom = small.timeView = 1;
    ASSERT_TRUE(ExportMovie(t.app, small, FString::FromUtf8(path), host));

    const FDecodedMovie movie = DecodeMovie(path);
    ASSERT_EQ(movie.error, "");
    ASSERT_EQ(movie.frames.size(), 130u);
    // Each frame once, in order (blue counts them); the page turn of spread 1 ends at frame 79.
    for (size_t f = 0; f < movie.frames.size(); ++f) {
        const uint8_t* p = movie.Pixel(f, 40, 10);
        EXPECT_TRUE(p[0] == f && p[1] == (f < 80 ? 0 : 100) && p[2] == 200) << f;
    }
}

TEST(MovieExport, FrameTheHostCouldNotRenderEndsTheExportAndDeletesTheFile)
{
    TestApp t;
    t.SetPhotos(3);
    t.app.GoToFirstPage(0);
    TestExportHost host;
    host.makeSink = [] { return std::make_unique<FMovieWriter>(); };
    host.lostAtFrame = 40;
    FExportSettings small;
    small.width = 80, small.height = 64;
    ScratchDir out;
    const std::string path = out.file("lost.avi");
    FExportOutcome outcome;
    EXPECT_FALSE(ExportMovie(t.app, small, FString::FromUtf8(path), host, &outcome));
    EXPECT_EQ(host.frames.size(), 41u);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Error saving AVI file.");
    EXPECT_TRUE(outcome.fileDeleted);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 0);
}
