// The export driver on the real FFmpeg graph: frames rendered by a stand-in for the
// device go into an AVI that is read back as a player would.

#include "../app/AppTestSupport.h"
#include "../export/ExportTestHost.h"
#include "MovieReader.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FExportGraphSink.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(MovieExport, UncompressedMovieHoldsEveryScriptedFrame)
{
    TestApp t;
    t.SetPhotos(3);
    t.app.GoToFirstPage(0);
    TestExportHost host;
    host.makeSink = [] { return std::make_unique<FExportGraphSink>(std::chrono::milliseconds(5000)); };
    const std::string path = t.dir.file("book.avi");
    FExportSettings small;
    small.width = 80;
    small.height = 64;
    small.framesPerSecond = 10;
    small.timePage = small.timeZoom = small.timeView = 1;
    FExportOutcome outcome;
    ASSERT_TRUE(ExportMovie(t.app, small, FString::FromUtf8(path), host, &outcome));
    EXPECT_EQ(outcome.framesStored, 130);

    const FDecodedMovie movie = DecodeMovie(path);
    ASSERT_EQ(movie.error, "");
    EXPECT_EQ(movie.width, 80);
    EXPECT_EQ(movie.height, 64);
    ASSERT_EQ(movie.frames.size(), 130u);
    for (size_t f : {size_t(0), size_t(69), size_t(70), size_t(80), size_t(129)}) {
        const uint8_t* p = movie.Pixel(f, 40, 10);
        EXPECT_EQ(p[0], f);                     // blue
        EXPECT_EQ(p[1], f < 80 ? 0 : 100) << f; // the page turn of spread 1 ends at frame 79
        EXPECT_EQ(p[2], 200);
    }
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().text.rfind("Animation saved successfully!", 0), 0u);
    EXPECT_NE(host.boxes.back().text.find("Antialiasing quality:\t4 samples per pixel\n"), std::string::npos);
}
