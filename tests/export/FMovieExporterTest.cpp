// The export driver over a fake host and sink: what each frame sees of the book,
// the frames that reach the file, and how an abort or a failure ends the export.
// Also the report text.

#include "../app/AppTestSupport.h"
#include "export/FMovieExporter.h"
#include "render/BookGeometry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

struct SinkLog
{
    int builds = 0, runs = 0, pushes = 0, stops = 0, releases = 0;
    std::string encoder;
    float fps = 0;
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
    FFrameGrabber* grabber = nullptr;

    explicit FakeSink(SinkLog& l) : log(l) {}

    bool Build(FFrameGrabber& g, const FString& outputPath, float fps, const FString& encoderName) override
    {
        ++log.builds;
        log.encoder = encoderName.ToUtf8();
        log.fps = fps;
        log.grabberSamples = g.SampleCount();
        if (failBuild) {
            message = FString(u"Could not create the X encoder filter object.");
            return false;
        }
        grabber = &g;
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
    void Release() override { ++log.releases; }
    FString Message() const override { return message; }
};

struct FrameSeen
{
    int32_t pageIndex, turnState, transparentTurnState, exporting;
    float turnPosition, transparentPosition, aspectFactor, effectTime;
    uint32_t preset;
};

struct Box
{
    std::string text;
    FMessageIcon icon;
    bool export_; // captioned "Vetra" rather than the application's box
};

struct FakeHost : FExportHost
{
    SinkLog sinkLog;
    bool failRenderTarget = false;
    bool failBuild = false;
    int failOnPush = -1;
    int escapeAtFrame = -1; // 0-based frame during which Escape is down
    FPreviewArea area;
    FClientSize clientSize;
    std::vector<FrameSeen> frames;
    std::vector<Box> boxes;
    int64_t lastProgress = 0, progressTotal = 0;
    int sinksMade = 0;
    uint32_t clock = 1000;
    FRenderTargetCopy copy;

    FPreviewArea PreviewArea() const override { return area; }
    void SetClientSize(int32_t w, int32_t h) override { clientSize = {w, h}; }
    bool CreateRenderTarget(int32_t w, int32_t h) override
    {
        if (failRenderTarget)
            return false;
        // Supersampled by 2 each way.
        copy.width = 2 * w;
        copy.height = 2 * h;
        copy.pitch = copy.width * 4;
        copy.pixels.assign(static_cast<size_t>(copy.pitch) * copy.height, 0);
        return true;
    }
    FFrameView RenderTargetCopy() override { return FrameViewOf(&copy); }
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        frames.push_back({app.pageIndex, app.turnState, app.transparentTurnState, app.exporting, app.turnPosition,
                          app.transparentPosition, app.aspectFactor, app.effectTime, app.camera->presetIndex});
        clock += 10;
        return FrameViewOf(&copy);
    }
    std::unique_ptr<FFrameSink> CreateSink() override
    {
        ++sinksMade;
        auto sink = std::make_unique<FakeSink>(sinkLog);
        sink->failBuild = failBuild;
        sink->failOnPush = failOnPush;
        return sink;
    }
    bool IsEscapeDown() override { return static_cast<int>(frames.size()) == escapeAtFrame; }
    void Progress(int64_t frame, int64_t total) override
    {
        lastProgress = frame;
        progressTotal = total;
    }
    void ShowMessage(const FString& text, FMessageIcon icon) override { boxes.push_back({text.ToUtf8(), icon, false}); }
    void ShowExportBox(const FString& text, FMessageIcon icon) override { boxes.push_back({text.ToUtf8(), icon, true}); }
    uint32_t Now() override { return clock; }
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
        t_.SetPhotos(3);
        t_.app.GoToFirstPage(0);
        path_ = t_.dir.file("movie.avi");
    }
    bool Run(const FExportSettings& s) { return ExportMovie(t_.app, s, FString::FromUtf8(path_), host_, &outcome_); }
    bool FileThere() const { return std::filesystem::exists(path_); }

    TestApp t_;
    FakeHost host_;
    FExportOutcome outcome_;
    std::string path_;
};

} // namespace

TEST_F(MovieExport, ThreePhotosPlayTheWholeScriptIntoTheFile)
{
    ASSERT_TRUE(Run(TenFps()));
    ASSERT_EQ(host_.frames.size(), 130u);
    EXPECT_EQ(host_.sinkLog.pushes, 130);
    EXPECT_EQ(host_.sinkLog.encoder, "");
    EXPECT_EQ(host_.sinkLog.grabberSamples, 4);
    EXPECT_EQ(host_.lastProgress, 130);
    EXPECT_EQ(host_.progressTotal, 130);
    EXPECT_EQ(outcome_.framesStored, 130);
    EXPECT_EQ(host_.sinkLog.stops, 1);

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
    EXPECT_TRUE(host_.boxes[0].export_);
    EXPECT_EQ(host_.boxes[0].icon, FMessageIcon::Information);
    EXPECT_EQ(host_.boxes[0].text.rfind("Animation saved successfully!\n\nPath:\t" + path_ + "\nSize:\t130 KB\n", 0), 0u)
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
    EXPECT_EQ(host_.sinkLog.pushes, 1);
    EXPECT_EQ(host_.sinkLog.stops, 1); // the file is completed before it goes
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, "Error saving AVI file.");
    EXPECT_EQ(host_.boxes[0].icon, FMessageIcon::Error);
    EXPECT_FALSE(host_.boxes[0].export_);
    EXPECT_FALSE(FileThere());
    EXPECT_TRUE(outcome_.fileDeleted);
    EXPECT_EQ(t_.app.exporting, 0);
}

TEST_F(MovieExport, AFrameThatCannotBeStoredEndsTheExport)
{
    host_.failOnPush = 5;
    EXPECT_FALSE(Run(TenFps()));
    EXPECT_EQ(host_.frames.size(), 5u);
    EXPECT_EQ(outcome_.framesRendered, 5);
    EXPECT_EQ(outcome_.framesStored, 4);
    ASSERT_EQ(host_.boxes.size(), 2u);
    EXPECT_EQ(host_.boxes[0].text, "Error exporting frame. Maybe you run out of diskspace.");
    EXPECT_TRUE(host_.boxes[0].export_);
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
    EXPECT_FALSE(host_.boxes[0].export_);
    EXPECT_EQ(host_.sinksMade, 0);
    EXPECT_TRUE(host_.frames.empty());
    EXPECT_EQ(t_.app.exporting, 0);
}

TEST_F(MovieExport, GraphThatCannotBeBuiltSaysSoOnceAndRendersNothing)
{
    std::ofstream(path_) << "an older movie";
    host_.failBuild = true;
    FExportSettings s = TenFps();
    s.encoderName = FString(u"X");
    EXPECT_FALSE(Run(s));
    EXPECT_EQ(host_.sinkLog.encoder, "X");
    EXPECT_EQ(host_.sinkLog.runs, 0);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].text, "Could not create the X encoder filter object.");
    EXPECT_TRUE(host_.boxes[0].export_);
    EXPECT_TRUE(host_.frames.empty());
    EXPECT_FALSE(FileThere()); // the old file went before the graph was tried
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
    f.framesStored = 25 * 60; // exactly one minute
    f.bytesWritten = 3ull << 30;
    f.samplesPerPixel = 1;
    const std::string text = ExportReportText(f).ToUtf8();
    EXPECT_NE(text.find("Duration:\t1 minutes\n"), std::string::npos);
    EXPECT_NE(text.find("Size:\t3 GB\n"), std::string::npos);
    EXPECT_EQ(text.find("Export Speed"), std::string::npos); // no time measured
    EXPECT_NE(text.find("Antialiasing quality:\t1 samples per pixel\n"), std::string::npos);

    f.framesStored = 25 * 60 - 1;
    f.bytesWritten = 1023;
    const std::string shorter = ExportReportText(f).ToUtf8();
    EXPECT_NE(shorter.find("Duration:\t59 seconds\n"), std::string::npos);
    EXPECT_NE(shorter.find("Size:\t0 KB\n"), std::string::npos);

    f.framesStored = 0;
    EXPECT_EQ(ExportReportText(f).ToUtf8(), "Error creating AVI file");
    f.framesStored = 10;
    f.hasGrabber = false;
    EXPECT_EQ(ExportReportText(f).ToUtf8(), "Error creating AVI file");
}
