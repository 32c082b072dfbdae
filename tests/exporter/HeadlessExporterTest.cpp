// The headless exporter as a user runs it: a program folder of its own, a photo
// folder, options on the command line, and the movie read back with libavformat.

#include "../base/ChildProcess.h"
#include "../exportmedia/MovieReader.h"
#include "base/FSettings.h"
#include "export/ExporterOptions.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct FRun
{
    int status = -1;
    std::string output;
};

FRun Export(const ScratchDir& program, const std::vector<std::string>& args, int interruptAfterMs = -1)
{
    ChildProcess child(program.file("QuilloPhotoBookExport"), args, program.file("output.txt"));
    if (interruptAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
        child.Signal(SIGINT);
    }
    const int status = child.WaitForExit(240);
    return {status, child.Output()};
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
                for (int x = 0; x < 400; ++x)
                    image.setPixel(x, y, qRgb(255, 0, 0));
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

    ScratchDir program;
    ScratchDir photos;
};

TEST_F(HeadlessExporterTest, UncompressedMovieHoldsEveryFrameUpright)
{
    const std::string movie = photos.file("book.avi");
    const FRun run = Export(program, Small(movie));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Frames stored:\t130"), std::string::npos) << run.output;

    const FDecodedMovie decoded = DecodeMovie(movie);
    ASSERT_TRUE(decoded.error.empty()) << decoded.error;
    EXPECT_EQ(decoded.codec, "rawvideo");
    EXPECT_EQ(decoded.width, 160);
    EXPECT_EQ(decoded.height, 120);
    EXPECT_EQ(decoded.frames.size(), 130u);
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
    // The settings file beside the exporter is never written.
    EXPECT_FALSE(fs::exists(program.file("QuilloPhotoBook.ini")));
}

TEST_F(HeadlessExporterTest, BadOptionsExitWithTwoAndBadEncodersFailWithoutAFile)
{
    const std::string movie = photos.file("untouched.avi");
    WriteBytes(movie, "keep");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--folder", photos.file("3"), "--output", movie, "--width", "12"},
          std::vector<std::string>{"--folder", photos.file("3"), "--output", movie, "--sort", "size"},
          std::vector<std::string>{"--output", movie},
          std::vector<std::string>{"--folder", photos.file("missing"), "--output", movie},
          std::vector<std::string>{"--folder", photos.file("3"), "--output", movie, "--frobnicate", "1"}}) {
        const FRun run = Export(program, args);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("QuilloPhotoBookExport: "), std::string::npos) << run.output;
    }
    EXPECT_EQ(ReadBytes(movie), "keep");

    // An encoder that cannot be made fails the export, which leaves no file.
    const std::string none = photos.file("none.avi");
    std::vector<std::string> args = Small(none);
    args.insert(args.end(), {"--encoder", "No Such Encoder"});
    const FRun refused = Export(program, args);
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.output.find("Could not create the"), std::string::npos) << refused.output;
    EXPECT_FALSE(fs::exists(none));

    const FRun list = Export(program, {"--list-encoders"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.output.find("MPEG-4 part 2"), std::string::npos) << list.output;
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
    options = ParseExporterOptions({"--folder", "/p", "--output", "/m.avi", "--encoder", "mpeg4"}, error);
    ASSERT_TRUE(options) << error;
    ApplyExporterOptions(*options, settings);
    EXPECT_EQ(settings.ExportType, 1);
    EXPECT_EQ(U8(settings.EncoderName), "mpeg4");

    EXPECT_FALSE(ParseExporterOptions({"--folder", "/p", "--output"}, error));
    EXPECT_EQ(error, "option --output needs a value");
    EXPECT_FALSE(ParseExporterOptions({"--folder", "/p", "--output", "/m", "--time-view", "0"}, error));
    EXPECT_NE(error.find("--time-view"), std::string::npos);
    EXPECT_TRUE(ParseExporterOptions({"--help"}, error));
}

} // namespace
