// The export driver over a fake host and sink: what each frame sees of the book,
// the frames that reach the file, and how an abort or a failure ends the export.
// Also the report text.

#include "../app/AppTestSupport.h"
#include "ExportTestHost.h"
#include "export/FMovieExporter.h"
#include "render/BookGeometry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

struct SinkLog
{
    int runs = 0, pushes = 0, stops = 0;
    std::string encoder;
    int grabberSamples = 0;
};

// Writes a byte per pushed frame into the file, so the report has a size to read.
struct FakeSink : FFrameSink
{
    SinkLog& log;
    bool failBuild = false;
    int failOnPush = -1; // 1-based push that fails
    FString message;
    std::string path;

    explicit FakeSink(SinkLog& l) : log(l) {}

    bool Build(FFrameGrabber& g, const FString& outputPath, float, const FString& encoderName) override
    {
        log.encoder = encoderName.ToUtf8();
        log.grabberSamples = g.SampleCount();
        if (failBuild) {
            message = FString(u"Could not create the X encoder filter object.");
            return false;
        }
        path = outputPath.ToUtf8();
        std::ofstream(path, std::ios::binary) << "RIFF";
        return true;
    }
    bool Run() override { return ++log.runs, true; }
    bool PushFrame() override
    {
        ++log.pushes;
        if (log.pushes == failOnPush) {
            message = FString(u"Error exporting frame. Maybe you run out of diskspace.");
            return false;
        }
        std::ofstream(path, std::ios::binary | std::ios::app) << std::string(1024, 'f');
        return true;
    }
    bool Stop() override { return ++log.stops, true; }
    void Release() override {}
    FString Message() const override { return message; }
};

FExportSettings TenFps(int w = 64, int h = 64)
{
    FExportSettings s;
    s.width = w;
    s.height = h;
    s.framesPerSecond = 10;
    s.pixelAspect = 1.5f;
    s.timePage = s.timeZoom = s.timeView = 1;
    return s;
}

class MovieExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host_.makeSink = [this] {
            auto sink = std::make_unique<FakeSink>(sinkLog_);
            sink->failBuild = failBuild_;
            sink->failOnPush = failOnPush_;
            return sink;
        };
        t_.SetPhotos(3);
        t_.app.GoToFirstPage(0);
        path_ = t_.dir.file("movie.avi");
    }
    bool Run(const FExportSettings& s) { return ExportMovie(t_.app, s, FString::FromUtf8(path_), host_, &outcome_); }
    bool FileThere() const { return std::filesystem::exists(path_); }

    TestApp t_;
    SinkLog sinkLog_;
    bool failBuild_ = false;
    int failOnPush_ = -1;
    TestExportHost host_;
    FExportOutcome outcome_;
    std::string path_;
};

} // namespace

TEST_F(MovieExport, ThreePhotosPlayTheWholeScriptIntoTheFile)
{
    ASSERT_TRUE(Run(TenFps()));
    ASSERT_EQ(host_.frames.size(), 130u);
    EXPECT_EQ(sinkLog_.pushes, 130);
    EXPECT_EQ(sinkLog_.encoder, "");
    EXPECT_EQ(sinkLog_.grabberSamples, 4);
    EXPECT_EQ(host_.lastProgress, 130);
    EXPECT_EQ(host_.progressTotal, 130);
    EXPECT_EQ(outcome_.framesStored, 130);
    EXPECT_EQ(sinkLog_.stops, 1);

    for (size_t f = 0; f < host_.frames.size(); ++f) {
        const FrameSeen& seen = host_.frames[f];
        EXPECT_EQ(seen.exporting, 1);
        EXPECT_FLOAT_EQ(seen.aspectFactor, 1.5f);
        EXPECT_FLOAT_EQ(seen.effectTime, static_cast<float>(f) / 10.0f);
    }
    // Frames 0..9: the transparent sheet turns over from the right to the left.
    EXPECT_EQ(host_.frames[0].transparentTurnState, 1);
    EXPECT_FLOAT_EQ(host_.frames[0].transparentPosition, 0.0f);
    EXPECT_FLOAT_EQ(host_.frames[9].transparentPosition, TurnEnd);
    // Frames 10..19 move onto the top right photo; the sheet lies left meanwhile.
    EXPECT_EQ(host_.frames[10].preset, 6u);
    EXPECT_FLOAT_EQ(host_.frames[10].transparentPosition, TurnEnd);
    // Frames 70..79 turn the page of spread 1, which lands on page index 2.
    EXPECT_EQ(host_.frames[70].pageIndex, 0);
    EXPECT_EQ(host_.frames[70].turnState, 1);
    EXPECT_FLOAT_EQ(host_.frames[70].turnPosition, 0.0f);
    EXPECT_FLOAT_EQ(host_.frames[79].turnPosition, TurnEnd);
    EXPECT_EQ(host_.frames[80].pageIndex, 2);
    EXPECT_EQ(host_.frames[80].turnState, 0);
    EXPECT_EQ(host_.frames[105].preset, 4u); // holding the third photo, top left
    // The last ten frames: the transparent sheet of spread 1 (front view unchanged).
    EXPECT_FLOAT_EQ(host_.frames[129].transparentPosition, TurnEnd);

    EXPECT_EQ(t_.app.exporting, 0);
    EXPECT_EQ(t_.app.aspectFactor, 1.0f);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_TRUE(host_.boxes[0].exportBox);
    EXPECT_EQ(host_.boxes[0].icon, FMessageIcon::Information);
    EXPECT_EQ(host_.boxes[0].text.rfind("Animation saved successfully!\n\nPath:\t" + path_ + "\nSize:\t130 KB\n", 0),
              0u)
        << host_.boxes[0].text;
    EXPECT_TRUE(FileThere());
}

TEST_F(MovieExport, PreviewShrinksToTheScreen)
{
    host_.area = {16, 40, 1280, 1024};
    t_.SetPhotos(0);
    ASSERT_TRUE(Run(TenFps(1920, 1080)));
    EXPECT_EQ(host_.clientSize, (FClientSize{960, 540}));
    EXPECT_EQ(host_.frames.size(), 10u); // only the transparent sheet turns
}

TEST_F(MovieExport, EscapeDuringTheFirstFrameStillWritesItThenDeletesTheFile)
{
    host_.escapeAtFrame = 0;
    EXPECT_FALSE(Run(TenFps()));
    EXPECT_EQ(host_.frames.size(), 1u);
    EXPECT_EQ(sinkLog_.pushes, 1);
    EXPECT_EQ(sinkLog_.stops, 1); // the file is completed before it goes
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, "Error saving AVI file.");
    EXPECT_EQ(host_.boxes[0].icon, FMessageIcon::Error);
    EXPECT_FALSE(host_.boxes[0].exportBox);
    EXPECT_FALSE(FileThere());
    EXPECT_TRUE(outcome_.fileDeleted);
    EXPECT_EQ(t_.app.exporting, 0);
}

TEST_F(MovieExport, AFrameThatCannotBeStoredEndsTheExport)
{
    failOnPush_ = 5;
    EXPECT_FALSE(Run(TenFps()));
    EXPECT_EQ(host_.frames.size(), 5u);
    EXPECT_EQ(outcome_.framesRendered, 5);
    EXPECT_EQ(outcome_.framesStored, 4);
    ASSERT_EQ(host_.boxes.size(), 2u);
    EXPECT_EQ(host_.boxes[0].text, "Error exporting frame. Maybe you run out of diskspace.");
    EXPECT_TRUE(host_.boxes[0].exportBox);
    EXPECT_EQ(host_.boxes[1].text, "Error saving AVI file.");
    EXPECT_FALSE(FileThere());
}

TEST_F(MovieExport, NoRenderTargetIsOutOfMemory)
{
    host_.failRenderTarget = true;
    EXPECT_FALSE(Run(TenFps()));
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, "Out of Memory");
    EXPECT_EQ(host_.boxes[0].icon, FMessageIcon::Error);
    EXPECT_FALSE(host_.boxes[0].exportBox);
    EXPECT_EQ(host_.sinksMade, 0);
    EXPECT_TRUE(host_.frames.empty());
    EXPECT_EQ(t_.app.exporting, 0);
}

TEST_F(MovieExport, GraphThatCannotBeBuiltSaysSoOnceAndRendersNothing)
{
    std::ofstream(path_) << "an older movie";
    failBuild_ = true;
    FExportSettings s = TenFps();
    s.encoderName = FString(u"X");
    EXPECT_FALSE(Run(s));
    EXPECT_EQ(sinkLog_.encoder, "X");
    EXPECT_EQ(sinkLog_.runs, 0);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, "Could not create the X encoder filter object.");
    EXPECT_TRUE(host_.boxes[0].exportBox);
    EXPECT_TRUE(host_.frames.empty());
    EXPECT_TRUE(FileThere()); // the older movie stays
}

TEST_F(MovieExport, SettingsOutOfRangeReturnAtOnceWithoutTouchingTheFile)
{
    std::ofstream(path_) << "keep";
    FExportSettings s = TenFps();
    s.width = 5001;
    EXPECT_FALSE(Run(s));
    s = TenFps();
    s.framesPerSecond = 100.5f;
    EXPECT_FALSE(Run(s));
    EXPECT_TRUE(host_.boxes.empty());
    EXPECT_EQ(host_.sinksMade, 0);
    EXPECT_TRUE(FileThere());
}

TEST_F(MovieExport, NothingToRenderReportsAnError)
{
    t_.SetPhotos(0);
    FExportSettings s = TenFps();
    s.renderTransparentPage = false;
    EXPECT_TRUE(Run(s));
    EXPECT_TRUE(host_.frames.empty());
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, "Error creating AVI file");
}

TEST(ExportReport, EveryLineAsWritten)
{
    FExportFigures f;
    f.hasGrabber = true;
    f.outputPath = FString(u"/tmp/book.avi");
    f.bytesWritten = 5u * 1024 * 1024 + 10;
    f.width = 640;
    f.height = 480;
    f.framesPerSecond = 29.97f;
    f.formatName = FString(u"RGB");
    f.framesRendered = 450;
    f.framesStored = 449;
    f.elapsedMs = 30000;
    f.samplesPerPixel = 16;
    EXPECT_EQ(ExportReportText(f).ToUtf8(), "Animation saved successfully!\n"
                                            "\n"
                                            "Path:\t/tmp/book.avi\n"
                                            "Size:\t5 MB\n"
                                            "\n"
                                            "Width:\t640 pixels\n"
                                            "Height:\t480 pixels\n"
                                            "Duration:\t14 seconds\n"
                                            "FPS:\t29.97 frames per second\n"
                                            "Format:\tRGB\n"
                                            "\n"
                                            "Frames rendered:\t450\n"
                                            "Frames stored:\t449\n"
                                            "Export Speed:\t14.9 frames per second (2.0 seconds per second)\n"
                                            "Antialiasing quality:\t16 samples per pixel\n");
}

TEST(ExportReport, MinutesSizesAndTheMissingSpeedLine)
{
    FExportFigures f;
    f.hasGrabber = true;
    f.framesPerSecond = 25;
    f.formatName = FString(u"RGB");
    f.samplesPerPixel = 1;
    const struct
    {
        int32_t frames;
        uint64_t bytes;
        const char *duration, *size;
    } cases[] = {{25 * 60, 3ull << 30, "Duration:\t1 minutes\n", "Size:\t3 GB\n"},
                 {25 * 60 - 1, 1023, "Duration:\t59 seconds\n", "Size:\t0 KB\n"}};
    for (const auto& c : cases) {
        f.framesStored = c.frames;
        f.bytesWritten = c.bytes;
        const std::string text = ExportReportText(f).ToUtf8();
        EXPECT_NE(text.find(c.duration), std::string::npos) << text;
        EXPECT_NE(text.find(c.size), std::string::npos) << text;
        EXPECT_EQ(text.find("Export Speed"), std::string::npos); // no time measured
    }
    f.framesStored = 0;
    EXPECT_EQ(ExportReportText(f).ToUtf8(), "Error creating AVI file");
    f.framesStored = 10;
    f.hasGrabber = false;
    EXPECT_EQ(ExportReportText(f).ToUtf8(), "Error creating AVI file");
}
