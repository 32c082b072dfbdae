// The headless exporter as a user runs it: a program folder of its own, a photo
// folder, options on the command line, and the movie read back with libavformat.
// Each child run costs seconds, so each one checks as much as it can; an output
// that is no regular file is refused inside the export itself (ExportOutputTest).

#include "../e2e/E2eSupport.h"
#include "../exportmedia/MovieReader.h"
#include "base/FSettings.h"
#include "export/ExporterOptions.h"

#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct FRun
{
    int status = -1;
    std::string output;
};

size_t EntriesIn(const std::string& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class HeadlessExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(fs::path(PHOTOBOOK_BUILD_DIR) / "QuilloPhotoBookExport", program.file("QuilloPhotoBookExport"));
        fs::copy(fs::path(PHOTOBOOK_BUILD_DIR) / "media", program.file("media"), fs::copy_options::recursive);
        // Photos whose top half is red and bottom half blue show which way up a frame is.
        fs::create_directory(photos.file("3"));
        for (int i = 0; i < 3; ++i) {
            QImage image(400, 300, QImage::Format_RGB32);
            image.fill(QColor(0, 0, 255));
            for (int y = 0; y < 150; ++y)
                std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), 400, qRgb(255, 0, 0));
            ASSERT_TRUE(image.save(QString::fromStdString(photos.file("3/photo" + std::to_string(i) + ".png"))));
        }
    }

    std::vector<std::string> Small(const std::string& output)
    {
        return {"--folder",    photos.file("3"),
                "--output",    output,
                "--width",     "160",
                "--height",    "120",
                "--fps",       "10",
                "--time-page", "1",
                "--time-zoom", "1",
                "--time-view", "1"};
    }

    // Signalled once frames are under way, as its JSON progress says (each run logs to a
    // file of its own, so an earlier run's progress cannot pass for this one's). fileLimit: the child's
    // RLIMIT_FSIZE, with SIGXFSZ ignored so a write past it fails. runAs: setpriv's
    // options for a run as another user; stdoutUnread: progress goes to a closed pipe.
    FRun Export(const std::vector<std::string>& args, int signal = 0, rlim_t fileLimit = RLIM_INFINITY,
                const std::vector<std::string>& runAs = {}, bool stdoutUnread = false)
    {
        std::string exe = program.file("QuilloPhotoBookExport");
        std::vector<std::string> all = args;
        if (signal)
            all.insert(all.end(), {"--progress", "json"});
        if (!runAs.empty()) {
            all = runAs;
            all.push_back(exe);
            all.insert(all.end(), args.begin(), args.end()); // (no signal then)
            exe = "/usr/bin/setpriv";
        }
        rlimit saved = {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = std::min(fileLimit, saved.rlim_max);
        const auto savedAction = std::signal(SIGXFSZ, fileLimit == RLIM_INFINITY ? SIG_DFL : SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limited);
        ChildProcess child(exe, all, program.file("output" + std::to_string(++runs) + ".txt"), {}, stdoutUnread);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedAction);
        for (int i = 0; signal && i < 2400 && child.Output().find("{\"frame\":") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (signal)
            child.Signal(signal);
        const int status = child.WaitForExit(240);
        return {status, child.Output()};
    }

    ScratchDir program;
    ScratchDir photos;
    int runs = 0;
};

TEST_F(HeadlessExporterTest, MovieHoldsEveryFrameUprightSkippingWhatIsNoPhoto)
{
    // A FIFO and a device named like photos are named with the reason and counted;
    // the finished movie replaces the one that was there.
    ASSERT_EQ(::mkfifo(photos.file("3/z4.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", photos.file("3/z5.jpg"));
    const std::string movie = photos.file("book.avi");
    WriteBytes(movie, "old movie");
    const FRun run = Export(Small(movie));
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* said : {"5 photos in", "z4.jpg: not a regular file", "z5.jpg: not a regular file",
                             "Photos not readable:\t2", "QuilloPhotoBookExport: 100% frame "})
        EXPECT_NE(run.output.find(said), std::string::npos) << said << "\n" << run.output;

    const FDecodedMovie decoded = DecodeMovie(movie);
    ASSERT_TRUE(decoded.error.empty()) << decoded.error;
    EXPECT_TRUE(decoded.codec == "rawvideo" && decoded.width == 160 && decoded.height == 120);
    EXPECT_NE(run.output.find("Frames stored:\t" + std::to_string(decoded.frames.size()) + "\n"), std::string::npos)
        << run.output;
    // While the camera holds on a photo it fills the middle of the frame: red
    // above, blue below, as in the file.
    int upright = 0;
    for (size_t f = 0; f < decoded.frames.size(); ++f) {
        const uint8_t* top = decoded.Pixel(f, 80, 45);
        const uint8_t* bottom = decoded.Pixel(f, 80, 75);
        if (top[2] > 200 && top[0] < 60 && bottom[0] > 200 && bottom[2] < 60)
            ++upright;
    }
    EXPECT_GT(upright, 5);
    EXPECT_EQ(EntriesIn(photos.path()), 2u); // the movie and the photo folder: nothing temporary left
    // The settings file beside the exporter is never written.
    EXPECT_FALSE(fs::exists(program.file("QuilloPhotoBook.ini")));
}

TEST_F(HeadlessExporterTest, SignalsEndTheRunKeepingTheOldMovieAndNothingElse)
{
    for (int signal : {SIGINT, SIGHUP, SIGTERM, SIGUSR1, SIGALRM}) {
        SCOPED_TRACE(signal);
        ScratchDir out;
        const std::string movie = out.file("movie.avi");
        WriteBytes(movie, "old movie");
        const FRun run = Export(Small(movie), signal);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("QuilloPhotoBookExport: Export cancelled.\n"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Error"), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(movie), "old movie");
        EXPECT_EQ(EntriesIn(out.path()), 1u);
    }
}

TEST_F(HeadlessExporterTest, JsonProgressEstimatesTheRemainingTimeAndEndsWithTheReport)
{
    // One photo held for 500 frames (page turns and camera moves at 0 seconds, which
    // the settings file alone allows): long enough for an estimate by halfway on any
    // machine. How close the estimate comes is the estimator's own test, on frame
    // times it is given; here the stream of lines a program reads is checked.
    fs::create_directory(photos.file("1"));
    fs::copy_file(photos.file("3/photo0.png"), photos.file("1/photo0.png"));
    WriteBytes(program.file("QuilloPhotoBook.ini"), "TimePage 0\r\nTimeZoom 0\r\n");
    const std::string movie = photos.file("book.avi");
    std::vector<std::string> args = Small(movie);
    args[1] = photos.file("1");
    args.insert(args.end(), {"--fps", "25", "--time-view", "20", "--progress", "json"});
    const FRun run = Export(args);
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<QJsonObject> lines;
    std::istringstream output(run.output);
    for (std::string line; std::getline(output, line);)
        if (!line.empty() && line[0] == '{') {
            const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(line));
            ASSERT_TRUE(json.isObject()) << line;
            lines.push_back(json.object());
        }
    ASSERT_GE(lines.size(), 10u) << run.output;
    const QJsonObject report = lines.back();
    lines.pop_back();
    const int total = lines.front()["total"].toInt();
    EXPECT_EQ(report["path"].toString().toStdString(), movie);
    EXPECT_EQ(report["framesStored"].toInt(), total);
    EXPECT_EQ(report["bytes"].toInteger(), static_cast<qint64>(fs::file_size(movie)));
    EXPECT_EQ(report["format"].toString(), "RGB");
    EXPECT_EQ(report["fps"].toDouble(), 25.0);
    EXPECT_TRUE(lines.front()["frame"].toInt() == 1 && lines.front()["remaining"].isNull());
    EXPECT_EQ(lines.back()["frame"].toInt(), total);
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i]["frame"].toInt() > lines[i - 1]["frame"].toInt() &&
                    lines[i]["bytes"].toInteger() >= lines[i - 1]["bytes"].toInteger() &&
                    lines[i]["total"].toInt() == total &&
                    lines[i]["elapsed"].toDouble() >= lines[i - 1]["elapsed"].toDouble())
            << i;
    const auto half = std::find_if(lines.begin(), lines.end(),
                                   [&](const QJsonObject& l) { return l["frame"].toInt() >= total / 2; });
    ASSERT_NE(half, lines.end());
    ASSERT_FALSE((*half)["remaining"].isNull()) << "no estimate by halfway: " << run.output;
    EXPECT_GT((*half)["remaining"].toDouble(), 0.0);
    EXPECT_EQ(lines.back()["remaining"].toDouble(), 0.0);
}

TEST_F(HeadlessExporterTest, UnreadOutputGoesOnAndAKilledRunsTemporaryGoesWithTheNextExport)
{
    ScratchDir out;
    const std::string movie = out.file("movie.avi");
    // Piped into "head": the progress is lost, the movie is not.
    const FRun unread = Export(Small(movie), 0, RLIM_INFINITY, {}, true);
    EXPECT_EQ(unread.status, 0) << unread.output;
    EXPECT_EQ(EntriesIn(out.path()), 1u);
    // kill -9 cannot be caught: the next export to the movie finds what the run left.
    const FRun killed = Export(Small(movie), SIGKILL);
    EXPECT_EQ(killed.status, 128 + SIGKILL) << killed.output;
    EXPECT_EQ(EntriesIn(out.path()), 2u);
    const FRun next = Export(Small(movie));
    EXPECT_EQ(next.status, 0) << next.output;
    EXPECT_EQ(EntriesIn(out.path()), 1u);
}

TEST_F(HeadlessExporterTest, WriteProtectedMovieIsRefusedBeforeAnythingIsRendered)
{
    // Root writes over anything: the user is nobody, whose folder holds its movie at 0444.
    ScratchDir out;
    const std::string movie = out.file("movie.avi");
    WriteBytes(movie, "protected");
    for (const std::string& dir : {program.path(), photos.path()})
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    ASSERT_EQ(::chown(out.path().c_str(), 65534, 65534) | ::chown(movie.c_str(), 65534, 65534) |
                  ::chmod(movie.c_str(), 0444),
              0);
    const FRun run = Export(Small(movie), 0, RLIM_INFINITY, {"--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(movie + " is write-protected: Permission denied"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("frame "), std::string::npos) << run.output;
    EXPECT_EQ(ReadBytes(movie), "protected");
    EXPECT_EQ(EntriesIn(out.path()), 1u);
}

TEST_F(HeadlessExporterTest, BadOptionsOutputsAndEncodersFailLeavingFilesAlone)
{
    const std::string movie = photos.file("untouched.avi"), none = photos.file("none.avi");
    WriteBytes(movie, "keep");
    std::vector<std::string> encoder = Small(none);
    encoder.insert(encoder.end(), {"--encoder", "No Such Encoder"});
    const struct
    {
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{"--folder", photos.file("3"), "--output", movie, "--width", "12"}, 2, "QuilloPhotoBookExport: "},
        {{"--folder", photos.file("missing"), "--output", movie}, 2, "QuilloPhotoBookExport: "},
        {encoder, 1, "Could not create the"},
        // FFmpeg's reason follows the program's words.
        {Small(photos.file("nodir/x.avi")), 1,
         "/nodir/x.avi\" to writer filter\n\nCould not open the file: No such file or directory"},
        {{"--list-encoders"}, 0, "MPEG-4 part 2"},
        {{"--list-encoders", "webm"}, 0, "libvpx VP9"},
        {{"--list-encoders", "mpg"}, 2, "expected a movie type, .mp4, .m4v, .mov, .mkv, .webm or .avi"},
        // A name of no movie type is refused before the photos are even looked at.
        {Small(photos.file("holiday.mpg")), 2, "holiday.mpg cannot be made: a movie is saved as .mp4, .m4v"},
        {Small(photos.file("holiday")), 2, "holiday cannot be made"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const FRun run = Export(c.args);
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
    }
    EXPECT_EQ(ReadBytes(movie), "keep");
    EXPECT_EQ(EntriesIn(photos.path()), 2u); // 3, untouched.avi: no none.avi nor holiday
}

// What a file holds, as ffprobe says: "<major brand or format>/<codec>".
std::string Probe(const std::string& movie)
{
    return Shell("ffprobe -v error -select_streams v -show_entries format=format_name:format_tags=major_brand:"
                 "stream=codec_name -of default=noprint_wrappers=1:nokey=1 '" +
                 movie + "' | tr '\\n' ' '");
}

TEST_F(HeadlessExporterTest, ContainerAndCodecFollowTheName)
{
    // Each name, and what ffprobe finds in the file: QuickTime's own brand, WebM's
    // document type (Matroska's demuxer names both), VP9 or AV1 for WebM.
    const struct
    {
        const char* name;
        std::vector<std::string> found;
    } cases[] = {
        {"holiday.mov", {"h264", "mov,mp4", "qt"}},
        {"holiday.m4v", {"h264", "mov,mp4", "isom"}},
        {"holiday.webm", {"vp9", "matroska,webm"}},
    };
    ScratchDir out;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FRun run = Export(Small(out.file(c.name)));
        ASSERT_EQ(run.status, 0) << run.output;
        const std::string probed = Probe(out.file(c.name));
        for (const std::string& found : c.found)
            EXPECT_NE(probed.find(found), std::string::npos) << found << " in " << probed;
    }
    EXPECT_NE(ReadBytes(out.file("holiday.webm")).substr(0, 64).find("webm"), std::string::npos);
}

TEST_F(HeadlessExporterTest, ChaptersStartOnEachSpreadsFirstFrameInContainersThatHoldThem)
{
    // Nine photos make three spreads; with camera moves and holds at 0 seconds a spread
    // is its page turn and its transparent page turn, 29 frames each at 29.97 fps: the
    // second spread starts on frame 29, the third on frame 87.
    fs::create_directory(photos.file("9"));
    for (int i = 0; i < 9; ++i)
        fs::copy_file(photos.file("3/photo" + std::to_string(i % 3) + ".png"),
                      photos.file("9/photo" + std::to_string(i) + ".png"));
    WriteBytes(program.file("QuilloPhotoBook.ini"), "TimeZoom 0\r\nTimeView 0\r\n");
    const std::string spreads = "0 Page 1 of 3|29 Page 2 of 3|87 Page 3 of 3|";
    const struct
    {
        const char* name;
        std::string chapters; // "<first frame> <title>|" each
    } cases[] = {
        {"book.mp4", spreads}, {"book.mov", spreads}, {"book.mkv", spreads}, {"book.webm", spreads}, {"book.avi", ""}};
    ScratchDir out;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string movie = out.file(c.name);
        const FRun run = Export({"--folder", photos.file("9"), "--output", movie, "--width", "160", "--height", "120",
                                 "--fps", "29.97", "--time-page", "1"});
        ASSERT_EQ(run.status, 0) << run.output;
        std::istringstream probed(Shell("ffprobe -v error -show_entries chapter=start_time:chapter_tags=title "
                                        "-of csv=p=0 '" +
                                        movie + "'"));
        std::string chapters, line;
        while (std::getline(probed, line)) {
            const size_t comma = line.find(',');
            // Stamped at 10^7 / 333667 frames a second, as the movie's frames are.
            const double frame = std::stod(line.substr(0, comma)) * 1e7 / 333667.0;
            chapters += std::to_string(std::lround(frame)) + " " + line.substr(comma + 1) + "|";
        }
        EXPECT_EQ(chapters, c.chapters);
    }
}

TEST_F(HeadlessExporterTest, FileThatCannotBeCompletedFailsAndIsDeleted)
{
    // A file size limit where every frame fits but the index does not, and one in the
    // middle of the frames: either way no half movie passes for a finished one.
    ScratchDir out;
    const FRun whole = Export(Small(out.file("whole.avi")));
    ASSERT_EQ(whole.status, 0) << whole.output;
    const rlim_t size = fs::file_size(out.file("whole.avi"));
    fs::remove(out.file("whole.avi"));
    for (const rlim_t limit : {size - 1000, size / 2}) {
        SCOPED_TRACE(limit);
        const FRun run = Export(Small(out.file("movie.avi")), 0, limit);
        EXPECT_EQ(run.status, 1) << run.output;
        for (const char* said : {"File too large", "Error saving AVI file."})
            EXPECT_NE(run.output.find(said), std::string::npos) << said << "\n" << run.output;
        EXPECT_EQ(EntriesIn(out.path()), 0u);
    }
}

TEST_F(HeadlessExporterTest, MusicGoesUnderTheMovieAndBadMusicKeepsTheOldOne)
{
    // Bad music is refused by name before a frame is rendered; the old movie stays
    // byte for byte and nothing is left beside it.
    const std::string tune = photos.file("tune.flac"), notes = photos.file("notes.mp3");
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine -t 2 '" + tune + "'").c_str()), 0);
    WriteBytes(notes, "not a song");
    ScratchDir out;
    const std::string movie = out.file("movie.mp4");
    WriteBytes(movie, "old movie");
    const std::pair<std::string, std::string> bad[] = {
        {photos.file("gone.mp3"), " cannot be read: No such file or directory."}, {notes, " holds no sound."}};
    for (const auto& [file, says] : bad) {
        std::vector<std::string> args = Small(movie);
        args.insert(args.end(), {"--music", tune, "--music", file});
        const FRun run = Export(args);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Music file " + file + says), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("% frame"), std::string::npos) << run.output;
        EXPECT_EQ(ReadBytes(movie), "old movie");
        EXPECT_EQ(EntriesIn(out.path()), 1u);
    }
    // With good music the movie has sound and the report names the music.
    std::vector<std::string> args = Small(movie);
    args.insert(args.end(), {"--music", tune, "--progress", "json"});
    const FRun run = Export(args);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string report = run.output.substr(run.output.rfind("{\"path\""));
    const QJsonObject music = QJsonDocument::fromJson(QByteArray::fromStdString(report)).object()["music"].toObject();
    EXPECT_EQ(music["files"].toArray().first().toString().toStdString(), tune) << report;
    EXPECT_NEAR(music["duration"].toDouble(), 2.0, 0.01) << report;
    FAvInputPtr input;
    ASSERT_GE(OpenInput(input, movie.c_str()), 0);
    ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
    EXPECT_GE(av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0), 0);
}

TEST(ExporterOptions, ParseAndApply)
{
    std::string error;
    auto options = ParseExporterOptions({"--folder", "/p", "--output", "/m.avi", "--fps", "29.97", "--shadows", "on",
                                         "--encoder", "", "--sort", "date"},
                                        error);
    ASSERT_TRUE(options) << error;
    ScratchDir dir;
    FSettings settings({dir.dirF(), 800, 600});
    settings.ExportType = 1;
    ApplyExporterOptions(*options, settings);
    EXPECT_FLOAT_EQ(settings.ExportFPS, 29.97f);
    EXPECT_TRUE(settings.RenderShadows);
    EXPECT_EQ(settings.ExportType, 0); // an empty encoder means uncompressed
    EXPECT_EQ(settings.Sort, 1);
    EXPECT_EQ(settings.ExportWidth, 640); // untouched settings stay
    options =
        ParseExporterOptions({"--folder", "/p", "--output", "/m.avi", "--encoder", "mpeg4", "--quality", "100"}, error);
    ASSERT_TRUE(options) << error;
    ApplyExporterOptions(*options, settings);
    EXPECT_EQ(U8(settings.EncoderName), "mpeg4");
    EXPECT_EQ(settings.ExportQuality, 100);

    EXPECT_EQ(options->progress, FProgressOutput::Text);
    for (const auto& [value, output] : {std::pair{"json", FProgressOutput::Json}, {"none", FProgressOutput::None}}) {
        options = ParseExporterOptions({"--folder", "/p", "--output", "/m.avi", "--progress", value}, error);
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(options->progress, output);
    }
    EXPECT_FALSE(ParseExporterOptions({"--folder", "/p", "--output", "/m", "--progress", "xml"}, error));
    EXPECT_NE(error.find("--progress"), std::string::npos) << error;

    // --music in order, replacing the settings' list; --no-music empties it.
    const struct
    {
        std::vector<std::string> args;
        std::vector<std::string> music; // what the settings hold after
        bool ok = true;
    } music[] = {
        {{}, {"/kept.mp3"}},
        {{"--music", "b.ogg", "--music", "/a.mp3"}, {"b.ogg", "/a.mp3"}},
        {{"--no-music"}, {}},
        {{"--no-music", "--music", "a.mp3"}, {}, false},
        {{"--music", "a.mp3", "--no-music"}, {}, false},
        {{"--music", ""}, {}, false},
        {{"--music"}, {}, false},
    };
    for (const auto& c : music) {
        std::vector<std::string> args = {"--folder", "/p", "--output", "/m.mp4"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(args.back());
        options = ParseExporterOptions(args, error);
        ASSERT_EQ(options.has_value(), c.ok) << error;
        if (!c.ok) {
            EXPECT_NE(error.find("music"), std::string::npos) << error;
            continue;
        }
        settings.ExportMusic = {FString(u"/kept.mp3")};
        ApplyExporterOptions(*options, settings);
        std::vector<std::string> got;
        for (const FString& file : settings.ExportMusic)
            got.push_back(U8(file));
        EXPECT_EQ(got, c.music);
    }
    EXPECT_NE(std::string(ExporterUsage()).find("--no-music"), std::string::npos);

    EXPECT_FALSE(ParseExporterOptions({"--folder", "/p", "--output"}, error));
    for (const char* bad : {"0", "101", "80.5", ""})
        EXPECT_FALSE(ParseExporterOptions({"--folder", "/p", "--output", "/m", "--quality", bad}, error)) << bad;
    EXPECT_NE(error.find("--quality"), std::string::npos) << error;
}

} // namespace
