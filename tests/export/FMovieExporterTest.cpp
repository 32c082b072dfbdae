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
#include <sys/stat.h>

namespace {

// What the test asks of the sink, and what the sink saw.
struct SinkLog
{
    bool failOpen = false, failFinish = false;
    int failOnWrite = -1, writes = 0, finishes = 0; // failOnWrite counts from 1
    std::vector<int> stored;                        // the frame number each stored frame shows
    std::string path;
    int64_t totalFrames = 0; // what Open was told
    std::vector<FString> music;
};

// Writes a kilobyte per frame into the file, so the report has a size to read.
struct FakeSink : FFrameSink
{
    SinkLog& log;
    int32_t stored = 0;

    explicit FakeSink(SinkLog& l) : log(l) {}

    FSinkError Open(const FMovieConfig& config, const FFrameView&) override
    {
        log.path = config.path.ToUtf8();
        log.totalFrames = config.totalFrames;
        log.music = config.musicFiles;
        if (log.failOpen)
            return {true, FString(u"Could not create the X encoder filter object.")};
        std::ofstream(log.path, std::ios::binary) << "RIFF";
        return {};
    }
    FSinkError Write(const FFrameView& frame) override
    {
        log.stored.push_back(frame.bits[0]);
        if (++log.writes == log.failOnWrite)
            return {true, FString(u"Error exporting frame. Maybe you run out of diskspace."), FString(u"why")};
        std::ofstream(log.path, std::ios::binary | std::ios::app) << std::string(1024, 'f');
        return ++stored, FSinkError{};
    }
    FSinkError Finish() override
    {
        ++log.finishes;
        if (log.failFinish)
            return {true, FString(u"Error exporting frame. Maybe you run out of diskspace."), FString(u"index")};
        return {};
    }
    int32_t FramesWritten() const override { return stored; }
    double MusicSeconds() const override { return log.music.empty() ? 0.0 : 125.4; }
};

struct MovieExport
{
    MovieExport()
    {
        host_.makeSink = [this] { return std::make_unique<FakeSink>(sink_); };
        t_.app.GoToFirstPage(0);
        path_ = out_.file("movie.avi");
        WriteBytes(path_, "an older movie");
        settings_.width = settings_.height = 64, settings_.framesPerSecond = 10, settings_.pixelAspect = 1.5f;
        settings_.timePage = settings_.timeZoom = settings_.timeView = 1;
    }
    bool Run() { return ExportMovie(t_.app, settings_, FString::FromUtf8(path_), host_, &outcome_); }
    // The movie's folder holds the movie alone, and the writer had a name of its own
    // beside it, with the movie's extension.
    void ExpectNoTemporaryLeft() const
    {
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_.path()), {}), 1);
        if (sink_.path.empty())
            return;
        const std::filesystem::path written(sink_.path);
        EXPECT_EQ(written.parent_path(), std::filesystem::path(out_.path()));
        EXPECT_EQ(written.filename().string().rfind(".movie.", 0), 0u) << sink_.path;
        EXPECT_EQ(written.extension(), ".avi");
    }
    // Every box's text, "E:" before those captioned for the export, "i:" before the
    // application's information boxes.
    std::string Boxes() const
    {
        std::string all;
        for (const Box& box : host_.boxes)
            all += (box.exportBox ? "E:" : box.icon == FMessageIcon::Information ? "i:" : "") + box.text + "|";
        return all;
    }

    TestApp t_{3};
    ScratchDir out_;
    SinkLog sink_;
    TestExportHost host_;
    FExportSettings settings_;
    FExportOutcome outcome_;
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
    // The last progress: the file so far, the host's clock at 10 ms a frame.
    const FExportProgress& last = e.host_.lastProgress;
    EXPECT_TRUE(last.frame == 130 && last.total == 130 && last.framesPerSecond == 10 && last.elapsedMs == 1300 &&
                last.remainingMs == 0 && last.bytes == 4 + 130 * 1024)
        << last.frame << " " << last.elapsedMs << " " << last.remainingMs << " " << last.bytes;
    for (size_t f = 0; f < frames.size(); ++f)
        EXPECT_TRUE(frames[f].exporting == 1 && frames[f].aspectFactor == 1.5f &&
                    std::abs(frames[f].effectTime - static_cast<float>(f) / 10.0f) < 1e-4f)
            << f;
    EXPECT_FLOAT_EQ(frames[9].transparentPosition, TurnEnd); // the transparent sheet turned over
    EXPECT_EQ(frames[10].preset, 6u);                        // onto the top right photo
    EXPECT_FLOAT_EQ(frames[79].turnPosition, TurnEnd);       // the page turn of spread 1
    EXPECT_EQ(frames[105].preset, 4u);                       // holding the third photo, top left

    EXPECT_TRUE(e.t_.app.exporting == 0 && e.t_.app.aspectFactor == 1.0f); // the book restored
    // The host's clock moves 10 ms a frame, so every line of the report is known.
    EXPECT_EQ(e.Boxes(),
              "E:Animation saved successfully!\n\nPath:\t" + e.path_ +
                  "\nSize:\t130 KB\n\nWidth:\t64 pixels\n"
                  "Height:\t64 pixels\nDuration:\t13 seconds\nFPS:\t10 frames per second\nFormat:\tRGB\n\n"
                  "Frames rendered:\t130\nFrames stored:\t130\nExport Speed:\t100 frames per second (0.1 seconds "
                  "per second)\nAntialiasing quality:\t4 samples per pixel\n|");
    EXPECT_EQ(ExportReportJson(e.outcome_.figures).ToUtf8(),
              "{\"path\":\"" + e.path_ +
                  "\",\"bytes\":133124,\"width\":64,\"height\":64,\"duration\":13,\"fps\":10,\"format\":\"RGB\","
                  "\"framesRendered\":130,\"framesStored\":130,\"elapsed\":1.3,\"samplesPerPixel\":4,"
                  "\"unreadablePhotos\":0}");
    e.outcome_.figures.outputPath = FString(u"a \"b\"\\\n");
    EXPECT_NE(ExportReportJson(e.outcome_.figures).ToUtf8().find("{\"path\":\"a \\\"b\\\"\\\\\\u000a\","),
              std::string::npos);
    EXPECT_EQ(ReadBytes(e.path_), "RIFF" + std::string(130 * 1024, 'f')); // the older movie replaced whole
    e.ExpectNoTemporaryLeft();
}

TEST(MovieExport, TheWriterOpensKnowingTheMovieLengthAndMusicWhichTheReportNames)
{
    MovieExport e;
    e.settings_.musicFiles = {FString(u"/m/a \"b\".mp3"), FString(u"/m/c.flac")};
    ASSERT_TRUE(e.Run());
    EXPECT_EQ(e.sink_.totalFrames, 130);
    EXPECT_EQ(e.sink_.music, e.settings_.musicFiles);
    EXPECT_NE(e.Boxes().find("Format:\tRGB\nMusic:\ta \"b\".mp3, c.flac (2:05)\n\n"), std::string::npos) << e.Boxes();
    const std::string json = ExportReportJson(e.outcome_.figures).ToUtf8();
    EXPECT_EQ(json.substr(json.find(",\"music\"")),
              ",\"music\":{\"files\":[\"/m/a \\\"b\\\".mp3\",\"/m/c.flac\"],\"duration\":125.4}}");
}

TEST(MovieExportFailure, EachEndsWithItsBoxesTheBookRestoredAndTheRightFileState)
{
    // The older movie survives every failure: the new one goes to a temporary file,
    // finished once and deleted. With nothing to render the empty movie replaces it,
    // reported as an error though the export returns true.
    const struct
    {
        const char* name;
        std::function<void(MovieExport&)> arrange;
        bool ok;
        int frames, writes, finishes;
        const char* boxes;
    } cases[] = {
        {"escape during the first frame", [](MovieExport& e) { e.host_.escapeAtFrame = 0; }, false, 1, 1, 1,
         "i:Export cancelled.|"},
        {"escape, then the index not written",
         [](MovieExport& e) { e.host_.escapeAtFrame = 3, e.sink_.failFinish = true; }, false, 4, 4, 1,
         "i:Export cancelled.|"},
        {"escape, then the frame not stored",
         [](MovieExport& e) { e.host_.escapeAtFrame = 3, e.sink_.failOnWrite = 4; }, false, 4, 4, 1,
         "E:Error exporting frame. Maybe you run out of diskspace.\n\nwhy|Error saving AVI file.|"},
        {"fifth frame not stored", [](MovieExport& e) { e.sink_.failOnWrite = 5; }, false, 5, 5, 1,
         "E:Error exporting frame. Maybe you run out of diskspace.\n\nwhy|Error saving AVI file.|"},
        {"seventh frame lost by the host", [](MovieExport& e) { e.host_.lostAtFrame = 6; }, false, 7, 6, 1,
         "Error saving AVI file.|"},
        {"index not written", [](MovieExport& e) { e.sink_.failFinish = true; }, false, 130, 130, 1,
         "E:Error exporting frame. Maybe you run out of diskspace.\n\nindex|Error saving AVI file.|"},
        {"no render target", [](MovieExport& e) { e.host_.failRenderTarget = true; }, false, 0, 0, 0, "Out of Memory|"},
        {"writer not opened", [](MovieExport& e) { e.sink_.failOpen = true, e.settings_.encoderName = FString(u"X"); },
         false, 0, 0, 0, "E:Could not create the X encoder filter object.|"},
        {"settings out of range: the file stays", [](MovieExport& e) { e.settings_.width = 5001; }, false, 0, 0, 0, ""},
        {"nothing to render", [](MovieExport& e) { e.t_.SetPhotos(0), e.settings_.renderTransparentPage = false; },
         true, 0, 0, 1, "E:Error creating AVI file|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MovieExport e;
        c.arrange(e);
        EXPECT_EQ(e.Run(), c.ok);
        EXPECT_EQ(e.Boxes(), c.boxes);
        EXPECT_EQ(ReadBytes(e.path_), c.ok ? "RIFF" : "an older movie");
        e.ExpectNoTemporaryLeft();
        EXPECT_EQ(std::make_pair(e.sink_.writes, e.sink_.finishes), std::make_pair(c.writes, c.finishes));
        EXPECT_EQ(e.host_.frames.size(), static_cast<size_t>(c.frames));
        EXPECT_EQ(e.t_.app.exporting, 0);
        EXPECT_EQ(e.outcome_.cancelled, std::string(c.boxes).rfind("i:", 0) == 0);
    }
}

TEST(MovieExport, CopiesArrivingLateAreStoredInOrderUntilOneIsLost)
{
    // Copies still on their way when the script ends, or when Escape stops it, are stored too.
    const struct
    {
        int escapeAt, lostOnTheWay;
        bool ok;
        int stored;
    } cases[] = {{-1, -1, true, 130}, {4, -1, false, 5}, {-1, 6, false, 6}};
    for (const auto& c : cases) {
        MovieExport e;
        e.host_.pipelineDepth = 3;
        e.host_.escapeAtFrame = c.escapeAt;
        e.host_.lostOnTheWay = c.lostOnTheWay;
        EXPECT_EQ(e.Run(), c.ok);
        std::vector<int> expected(static_cast<size_t>(c.stored));
        for (size_t i = 0; i < expected.size(); ++i)
            expected[i] = static_cast<int>(i % 256);
        EXPECT_EQ(e.sink_.stored, expected) << c.escapeAt << " " << c.lostOnTheWay;
        EXPECT_EQ(ReadBytes(e.path_), c.ok ? "RIFF" + std::string(130 * 1024, 'f') : "an older movie");
    }
}

TEST(MovieExport, ReplacedMovieKeepsItsModeAndGroupAndNamesAtTheLimitWork)
{
    // A name of 255 bytes leaves no room for a longer temporary name beside it.
    const gid_t group = ::geteuid() == 0 ? 100 : ::getegid();
    const struct
    {
        std::string name;
        mode_t mode;
    } cases[] = {{"movie.avi", 0640}, {std::string(251, 'm') + ".avi", 0604}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.size());
        MovieExport e;
        std::filesystem::remove(e.path_);
        e.path_ = e.out_.file(c.name);
        WriteBytes(e.path_, "an older movie");
        ASSERT_EQ(::chown(e.path_.c_str(), static_cast<uid_t>(-1), group) | ::chmod(e.path_.c_str(), c.mode), 0);
        EXPECT_TRUE(e.Run()) << e.Boxes();
        struct stat st = {};
        ASSERT_EQ(::stat(e.path_.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        EXPECT_EQ(st.st_gid, group);
        EXPECT_TRUE(ReadBytes(e.path_) == "RIFF" + std::string(130 * 1024, 'f'));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(e.out_.path()), {}), 1);
    }
}
