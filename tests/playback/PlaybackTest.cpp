// The exported movies as players show them: a photo of colour patches through every
// container and size, decoded by FFmpeg as the stream's colour description says and
// played in headless Chromium (play-in-chromium.py and player.html beside this file),
// each patch against the uncompressed AVI of the same frame.

#include "../e2e/E2eSupport.h"
#include "../exportmedia/MovieReader.h"

#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Grey, red, green and blue quarters; a level or two of encoding noise is fine, the
// wrong matrix moves red and green by 15 to 25.
const QRgb kPatches[] = {qRgb(128, 128, 128), qRgb(220, 30, 30), qRgb(30, 200, 60), qRgb(30, 60, 200)};
constexpr int kTolerance = 6;
// At one frame a second the camera holds on the photo for the second and third frames.
// In the first and last it sees the whole book, where the patches' places fall on
// textured paper that encoders smooth: there a seek only has to find its frame.
constexpr size_t kCloseUp = 1;
constexpr int kOverviewTolerance = 24;

struct FSize
{
    int width, height;
};
constexpr FSize kSizes[] = {{640, 360}, {1280, 720}, {1920, 1080}};
// Every container, AVI compressed (MPEG-4) and in full range (MJPEG, at one size: each
// export costs seconds of rendering); AVI's default, uncompressed, is what they match.
const std::vector<std::pair<std::string, std::string>> kMovies = {{".mp4", ""},  {".mov", ""},      {".mkv", ""},
                                                                  {".webm", ""}, {".avi", "mpeg4"}, {".avi", "mjpeg"}};

bool Made(FSize size, const std::string& encoder)
{
    return encoder != "mjpeg" || size.height == 720;
}

std::string Name(FSize size, const std::string& extension, const std::string& encoder)
{
    return std::to_string(size.height) + "-" + (encoder.empty() ? "default" : encoder) + extension;
}

std::string Raw(FSize size)
{
    return Name(size, ".avi", "");
}

bool Near(const uint8_t* bgr, const std::vector<int>& rgb, int tolerance = kTolerance)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(bgr[2 - c] - rgb[static_cast<size_t>(c)]) > tolerance)
            return false;
    return true;
}

std::string Rgb(const uint8_t* bgr)
{
    return std::to_string(bgr[2]) + "," + std::to_string(bgr[1]) + "," + std::to_string(bgr[0]);
}

class Playback : public ::testing::Test
{
protected:
    // The patch movies are made once for the whole suite: rendering is what costs.
    static void SetUpTestSuite()
    {
        dir = new ScratchDir;
        InstallProgram(*dir, "QuilloPhotoBookExport");
        std::filesystem::create_directory(dir->file("photos"));
        QImage photo(800, 600, QImage::Format_RGB32);
        for (int i = 0; i < 4; ++i)
            for (int y = 0; y < 300; ++y)
                std::fill_n(reinterpret_cast<QRgb*>(photo.scanLine(i / 2 * 300 + y)) + i % 2 * 400, 400, kPatches[i]);
        ASSERT_TRUE(photo.save(QString::fromStdString(dir->file("photos/patches.png"))));
        for (const FSize size : kSizes) {
            Export(size, ".avi", "");
            for (const auto& [extension, encoder] : kMovies)
                if (Made(size, encoder))
                    Export(size, extension, encoder);
        }
    }
    static void TearDownTestSuite() { delete dir; }

    static void Export(FSize size, const std::string& extension, const std::string& encoder)
    {
        const std::string name = Name(size, extension, encoder);
        std::vector<std::string> args = {"--folder",    dir->file("photos"),
                                         "--output",    dir->file(name),
                                         "--width",     std::to_string(size.width),
                                         "--height",    std::to_string(size.height),
                                         "--fps",       "1",
                                         "--time-page", "1",
                                         "--time-zoom", "1",
                                         "--time-view", "1",
                                         "--progress",  "none"};
        if (!encoder.empty())
            args.insert(args.end(), {"--encoder", encoder});
        ChildProcess child(dir->file("QuilloPhotoBookExport"), args, dir->file(name + ".txt"));
        const int status = child.WaitForExit(120);
        EXPECT_EQ(status, 0) << name << ": " << child.Output();
    }

    // Each patch's centre in the uncompressed frame: the middle of the pixels of its colour.
    static std::vector<std::pair<int, int>> PatchCentres(const FDecodedMovie& movie)
    {
        std::vector<std::pair<int, int>> centres;
        for (const QRgb patch : kPatches) {
            int64_t x = 0, y = 0, count = 0;
            for (int py = 0; py < movie.height; ++py)
                for (int px = 0; px < movie.width; ++px)
                    if (Near(movie.Pixel(kCloseUp, px, py), {qRed(patch), qGreen(patch), qBlue(patch)}))
                        x += px, y += py, ++count;
            if (count < movie.width * movie.height / 50)
                return {};
            centres.emplace_back(static_cast<int>(x / count), static_cast<int>(y / count));
        }
        return centres;
    }

    struct FPlay
    {
        std::string movie;
        std::vector<double> times;
        std::vector<std::pair<int, int>> points;
        bool audio = false;
    };
    // What Chromium saw of each movie, in one browser run (it takes seconds to start);
    // empty with the reason in the test's failure.
    static QJsonArray PlayInChromium(const std::vector<FPlay>& plays)
    {
        QJsonArray job;
        for (const FPlay& play : plays) {
            QJsonArray times, points;
            for (const double t : play.times)
                times.append(t);
            for (const auto& [x, y] : play.points)
                points.append(QJsonArray{x, y});
            job.append(QJsonObject{{"movie", QString::fromStdString(play.movie)},
                                   {"times", times},
                                   {"points", points},
                                   {"audio", play.audio}});
        }
        const std::string jobFile = dir->file("job.json"), log = dir->file("chromium.txt");
        WriteBytes(jobFile, QJsonDocument(job).toJson().toStdString());
        const std::string out =
            Shell("/usr/bin/python3 '" PHOTOBOOK_SOURCE_DIR "/tests/playback/play-in-chromium.py' --timeout 90 '" +
                  jobFile + "' 2>'" + log + "'");
        const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(out));
        const bool ok =
            json.isArray() && json.array().size() == static_cast<qsizetype>(plays.size()) && ReadBytes(log).empty();
        EXPECT_TRUE(ok) << out << ReadBytes(log);
        return ok ? json.array() : QJsonArray();
    }

    // Chromium's pixels at the centres (one [r, g, b] each) against the uncompressed frame.
    static void ExpectShown(const QJsonArray& pixels, const FDecodedMovie& raw, size_t frame,
                            const std::vector<std::pair<int, int>>& centres)
    {
        ASSERT_EQ(pixels.size(), static_cast<qsizetype>(centres.size()));
        for (size_t i = 0; i < centres.size(); ++i) {
            const QJsonArray rgb = pixels[static_cast<qsizetype>(i)].toArray();
            const uint8_t* expected = raw.Pixel(frame, centres[i].first, centres[i].second);
            const uint8_t shown[3] = {static_cast<uint8_t>(rgb[2].toInt()), static_cast<uint8_t>(rgb[1].toInt()),
                                      static_cast<uint8_t>(rgb[0].toInt())};
            const bool closeUp = frame == kCloseUp || frame == kCloseUp + 1;
            EXPECT_TRUE(Near(shown, {expected[2], expected[1], expected[0]}, closeUp ? kTolerance : kOverviewTolerance))
                << "frame " << frame << ", patch " << i << ": " << Rgb(shown) << " for " << Rgb(expected);
        }
    }

    static ScratchDir* dir;
};
ScratchDir* Playback::dir = nullptr;

TEST_F(Playback, FFmpegShowsEveryPatchAsExportedAndEveryStreamSaysItsColours)
{
    for (const FSize size : kSizes) {
        const FDecodedMovie raw = DecodeMovie(dir->file(Raw(size)));
        ASSERT_TRUE(raw.error.empty() && raw.frames.size() > kCloseUp) << raw.error;
        const auto centres = PatchCentres(raw);
        ASSERT_EQ(centres.size(), 4u) << size.height << ": no close-up of the patches";
        for (const auto& [extension, encoder] : kMovies) {
            const std::string name = Name(size, extension, encoder);
            if (!Made(size, encoder))
                continue;
            SCOPED_TRACE(name);
            const FDecodedMovie movie = DecodeMovie(dir->file(name));
            ASSERT_TRUE(movie.error.empty() && movie.frames.size() == raw.frames.size()) << movie.error;
            for (size_t i = 0; i < centres.size(); ++i) {
                const auto [x, y] = centres[i];
                const uint8_t* expected = raw.Pixel(kCloseUp, x, y);
                EXPECT_TRUE(Near(movie.Pixel(kCloseUp, x, y), {expected[2], expected[1], expected[0]}))
                    << "patch " << i << ": " << Rgb(movie.Pixel(kCloseUp, x, y)) << " for " << Rgb(expected);
            }
            // AVI has no place for a colour description; MPEG-4 part 2 in it then goes by
            // the size, as players guess, and MJPEG says full range and BT.601 itself.
            if (extension == ".avi" && encoder == "mpeg4")
                continue;
            const bool hd = size.height > 576;
            const std::string expected = encoder == "mjpeg" ? "pc bt470bg"
                                         : hd               ? "tv bt709 bt709 bt709"
                                                            : "tv smpte170m bt709 bt709";
            EXPECT_EQ(Shell("ffprobe -v error -select_streams v -show_entries "
                            "stream=color_range,color_space,color_primaries,color_transfer "
                            "-of default=noprint_wrappers=1:nokey=1 '" +
                            dir->file(name) + "' | grep -v unknown | tr '\\n' ' '"),
                      expected);
        }
    }
}

TEST_F(Playback, DefaultMp4IsHighProfileYuv420WithItsIndexFirst)
{
    const std::string movie = dir->file(Name(kSizes[1], ".mp4", ""));
    EXPECT_EQ(Shell("ffprobe -v error -select_streams v -show_entries stream=codec_name,profile,pix_fmt "
                    "-of default=noprint_wrappers=1:nokey=1 '" +
                    movie + "' | tr '\\n' ' '"),
              "h264 High yuv420p");
    const std::string bytes = ReadBytes(movie);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

TEST_F(Playback, ChromiumSeeksFrameForFrameAndShowsEveryPatchAsExportedInHdMp4AndWebm)
{
    // Back and forth through the four frames: each seek lands on its own frame, as the
    // uncompressed movie has it at the patches' places.
    const std::vector<double> times = {2.5, 0.5, 3.5, 1.5};
    std::vector<FPlay> plays;
    std::vector<FDecodedMovie> raws;
    for (const FSize size : {kSizes[1], kSizes[2]}) {
        raws.push_back(DecodeMovie(dir->file(Raw(size))));
        const auto centres = PatchCentres(raws.back());
        ASSERT_EQ(centres.size(), 4u) << size.height << ": no close-up of the patches";
        for (const char* extension : {".mp4", ".webm"})
            plays.push_back({dir->file(Name(size, extension, "")), times, centres});
    }
    const QJsonArray seen = PlayInChromium(plays);
    for (qsizetype m = 0; m < seen.size(); ++m) {
        const FPlay& play = plays[static_cast<size_t>(m)];
        const FDecodedMovie& raw = raws[static_cast<size_t>(m / 2)];
        SCOPED_TRACE(play.movie);
        EXPECT_DOUBLE_EQ(seen[m]["duration"].toDouble(), 4.0);
        EXPECT_TRUE(seen[m]["width"].toInt() == raw.width && seen[m]["height"].toInt() == raw.height);
        const QJsonArray frames = seen[m]["frames"].toArray();
        ASSERT_EQ(frames.size(), static_cast<qsizetype>(times.size()));
        for (size_t f = 0; f < times.size(); ++f) {
            EXPECT_DOUBLE_EQ(frames[static_cast<qsizetype>(f)]["time"].toDouble(), times[f]);
            ExpectShown(frames[static_cast<qsizetype>(f)]["pixels"].toArray(), raw, static_cast<size_t>(times[f]),
                        play.points);
        }
    }
}

TEST_F(Playback, ChromiumHearsTheSoundtrackAndNoticesSilence)
{
    // The default .mp4 with a tone under it is heard, for as long as the movie lasts;
    // a movie of silence shows that the harness can tell.
    const std::string music = dir->file("music.flac"), movie = dir->file("music.mp4");
    const std::string silence = dir->file("silence.mp4");
    Shell("ffmpeg -v error -y -f lavfi -i sine=f=440:d=10 '" + music + "'");
    Shell("ffmpeg -v error -y -f lavfi -i testsrc2=s=320x240:r=25:d=3 -f lavfi -i anullsrc=d=3 -c:v libx264 "
          "-pix_fmt yuv420p -c:a aac -t 3 -movflags +faststart '" +
          silence + "'");
    ChildProcess child(dir->file("QuilloPhotoBookExport"),
                       {"--folder", dir->file("photos"), "--output", movie, "--width", "640", "--height", "360",
                        "--fps", "1", "--time-page", "1", "--time-zoom", "1", "--time-view", "1", "--music", music},
                       dir->file("music.txt"));
    ASSERT_EQ(child.WaitForExit(120), 0) << child.Output();
    const std::vector<FPlay> plays = {{movie, {1.5}, {{320, 180}}, true}, {silence, {1.0}, {{10, 10}}, true}};
    const bool heard[] = {true, false};
    const QJsonArray seen = PlayInChromium(plays);
    ASSERT_EQ(seen.size(), 2);
    for (qsizetype m = 0; m < seen.size(); ++m) {
        SCOPED_TRACE(plays[static_cast<size_t>(m)].movie);
        EXPECT_NEAR(seen[m]["audioDuration"].toDouble(), seen[m]["duration"].toDouble(), 0.1);
        EXPECT_EQ(seen[m]["audioRms"].toDouble() > 0.01, heard[m]) << seen[m]["audioRms"].toDouble();
    }
}

} // namespace
