// The export driver over a fake host and sink: what each frame sees of the book,
// the frames that reach the file, how an abort or a failure ends the export, and
// the report text.

#include "../app/AppTestSupport.h"
#include "ExportTestHost.h"
#include "export/FMovieExporter.h"
#include "render/BookGeometry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

namespace {

// What the test asks of the sink, and what the sink saw.
struct SinkLog
{
    bool failBuild = false;
    int failOnPush = -1, pushes = 0, stops = 0, grabberSamples = 0; // failOnPush counts from 1
    std::string encoder;
};

// Writes a kilobyte per pushed frame into the file, so the report has a size to read.
struct FakeSink : FFrameSink
{
    SinkLog& log;
    FString message;
    std::string path;

    explicit FakeSink(SinkLog& l) : log(l) {}

    bool Build(FFrameGrabber& g, const FString& outputPath, float, const FString& encoderName) override
    {
        log.encoder = encoderName.ToUtf8();
        log.grabberSamples = g.SampleCount();
        if (log.failBuild)
            return message = FString(u"Could not create the X encoder filter object."), false;
        path = outputPath.ToUtf8();
        std::ofstream(path, std::ios::binary) << "RIFF";
        return true;
    }
    bool Run() override { return true; }
    bool PushFrame() override
    {
        if (++log.pushes == log.failOnPush)
            return message = FString(u"Error exporting frame. Maybe you run out of diskspace."), false;
        std::ofstream(path, std::ios::binary | std::ios::app) << std::string(1024, 'f');
        return true;
    }
    bool Stop() override { return ++log.stops, true; }
    void Release() override {}
    FString Message() const override { return message; }
};

struct MovieExport
{
    MovieExport()
    {
        host_.makeSink = [this] { return std::make_unique<FakeSink>(sink_); };
        t_.SetPhotos(3);
        t_.app.GoToFirstPage(0);
        path_ = t_.dir.file("movie.avi");
        settings_.width = settings_.height = 64, settings_.framesPerSecond = 10, settings_.pixelAspect = 1.5f;
        settings_.timePage = settings_.timeZoom = settings_.timeView = 1;
    }
    bool Run() { return ExportMovie(t_.app, settings_, FString::FromUtf8(path_), host_); }
    bool FileThere() const { return std::filesystem::exists(path_); }
    // Every box's text, "E:" before those captioned for the export.
    std::string Boxes() const
    {
        std::string all;
        for (const Box& box : host_.boxes)
            all += (box.exportBox ? "E:" : "") + box.text + "|";
        return all;
    }

    TestApp t_;
    SinkLog sink_;
    TestExportHost host_;
    FExportSettings settings_;
    std::string path_;
};

} // namespace

TEST(MovieExport, ThreePhotosPlayTheWholeScriptIntoTheFile)
{
    MovieExport e;
    const auto& frames = e.host_.frames;
    e.host_.area = {16, 40, 1280, 1024};
    ASSERT_TRUE(e.Run());
    EXPECT_EQ(e.host_.clientSize, (FClientSize{64, 64}));
    ASSERT_EQ(frames.size(), 130u);
    EXPECT_EQ(e.sink_.grabberSamples, 4);
    EXPECT_EQ(e.host_.lastProgress, 130);
    for (size_t f = 0; f < frames.size(); ++f) {
        EXPECT_EQ(frames[f].exporting, 1);
        EXPECT_FLOAT_EQ(frames[f].aspectFactor, 1.5f);
        EXPECT_FLOAT_EQ(frames[f].effectTime, static_cast<float>(f) / 10.0f);
    }
    // Frames 0..9: the transparent sheet turns over from the right to the left.
    EXPECT_EQ(frames[0].transparentTurnState, 1);
    EXPECT_FLOAT_EQ(frames[9].transparentPosition, TurnEnd);
    EXPECT_EQ(frames[10].preset, 6u);                  // onto the top right photo
    EXPECT_FLOAT_EQ(frames[79].turnPosition, TurnEnd); // the page turn of spread 1
    EXPECT_EQ(frames[105].preset, 4u);                 // holding the third photo, top left

    EXPECT_EQ(e.t_.app.exporting, 0);
    EXPECT_EQ(e.t_.app.aspectFactor, 1.0f);
    EXPECT_EQ(e.Boxes().rfind("E:Animation saved successfully!\n\nPath:\t" + e.path_ + "\nSize:\t130 KB\n", 0), 0u);
}

TEST(MovieExportFailure, EachEndsWithItsBoxesTheBookRestoredAndTheRightFileState)
{
    // An older movie lies at the path and survives every failure: the new movie goes
    // to a temporary file, completed (one Stop) and deleted on Escape or a store
    // failure. With nothing to render the empty movie replaces it, reported as an
    // error though the export returns true.
    const struct
    {
        const char* name;
        std::function<void(MovieExport&)> arrange;
        bool ok, fileAfter;
        int pushes, stops;
        const char* boxes;
    } cases[] = {
        {"escape during the first frame", [](MovieExport& e) { e.host_.escapeAtFrame = 0; }, false, true, 1, 1,
         "Error saving AVI file.|"},
        {"fifth frame not stored", [](MovieExport& e) { e.sink_.failOnPush = 5; }, false, true, 5, 1,
         "E:Error exporting frame. Maybe you run out of diskspace.|Error saving AVI file.|"},
        {"no render target", [](MovieExport& e) { e.host_.failRenderTarget = true; }, false, true, 0, 0,
         "Out of Memory|"},
        {"graph not built", [](MovieExport& e) { e.sink_.failBuild = true, e.settings_.encoderName = FString(u"X"); },
         false, true, 0, 0, "E:Could not create the X encoder filter object.|"},
        {"settings out of range: the file stays", [](MovieExport& e) { e.settings_.width = 5001; }, false, true, 0, 0,
         ""},
        {"nothing to render", [](MovieExport& e) { e.t_.SetPhotos(0), e.settings_.renderTransparentPage = false; },
         true, true, 0, 1, "E:Error creating AVI file|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MovieExport e;
        std::ofstream(e.path_) << "an older movie";
        c.arrange(e);
        EXPECT_EQ(e.Run(), c.ok);
        EXPECT_EQ(e.Boxes(), c.boxes);
        EXPECT_EQ(e.FileThere(), c.fileAfter);
        EXPECT_EQ(e.sink_.pushes, c.pushes);
        EXPECT_EQ(e.sink_.stops, c.stops);
        EXPECT_EQ(e.host_.frames.size(), static_cast<size_t>(c.pushes));
        EXPECT_EQ(e.t_.app.exporting, 0);
    }
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
    EXPECT_EQ(ExportReportText(f).ToUtf8(),
              "Animation saved successfully!\n\nPath:\t/tmp/book.avi\nSize:\t5 MB\n\nWidth:\t640 pixels\n"
              "Height:\t480 pixels\nDuration:\t14 seconds\nFPS:\t29.97 frames per second\nFormat:\tRGB\n\n"
              "Frames rendered:\t450\nFrames stored:\t449\n"
              "Export Speed:\t14.9 frames per second (2.0 seconds per second)\n"
              "Antialiasing quality:\t16 samples per pixel\n");
    f.hasGrabber = false;
    EXPECT_EQ(ExportReportText(f).ToUtf8(), "Error creating AVI file");
}
