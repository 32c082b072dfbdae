// The quality setting and the container as the export driver passes them on: options of
// the headless exporter, then movies written through the real graph and read back.

#include "../app/AppTestSupport.h"
#include "../export/ExportTestHost.h"
#include "MovieReader.h"
#include "export/ExporterOptions.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FExportGraphSink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

TEST(ExporterOptions, QualityIsAWholeNumberFrom1To100)
{
    const struct
    {
        const char* value;
        int quality; // 0: refused
    } cases[] = {{"1", 1}, {"100", 100}, {"80", 80}, {"0", 0}, {"101", 0}, {"80.5", 0}, {"high", 0}, {"", 0}};
    for (const auto& c : cases) {
        std::string error;
        const auto options =
            ParseExporterOptions({"--folder", "/p", "--output", "/m.mp4", "--quality", c.value}, error);
        ASSERT_EQ(options.has_value(), c.quality != 0) << c.value;
        if (!options) {
            EXPECT_NE(error.find("--quality"), std::string::npos) << error;
            continue;
        }
        FSettings settings({FString(u"/nonexistent"), 800, 600});
        ApplyExporterOptions(*options, settings);
        EXPECT_EQ(settings.ExportQuality, c.quality);
    }
}

namespace {
// Frames with detail in them, so the quality shows in the file's size.
struct DetailedHost : TestExportHost
{
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        const FFrameView view = TestExportHost::RenderFrame(app);
        for (size_t i = 0; i < copy.pixels.size(); i += 4)
            copy.pixels[i + 1] = static_cast<uint8_t>((i * 2654435761u) >> 26); // hashed noise
        return view;
    }
};

struct Exported
{
    uintmax_t bytes = 0;
    FDecodedMovie movie;
};

Exported ExportAt(TestApp& t, const std::string& name, const FString& encoder, int quality)
{
    t.app.GoToFirstPage(0);
    DetailedHost host;
    host.makeSink = [] { return std::make_unique<FExportGraphSink>(std::chrono::milliseconds(5000)); };
    FExportSettings settings;
    settings.width = 160, settings.height = 128, settings.framesPerSecond = 10;
    settings.timePage = settings.timeZoom = settings.timeView = 1;
    settings.encoderName = encoder;
    settings.quality = quality;
    const std::string path = t.dir.file(name);
    EXPECT_TRUE(ExportMovie(t.app, settings, FString::FromUtf8(path), host)) << name;
    return {std::filesystem::file_size(path), DecodeMovie(path)};
}
} // namespace

TEST(MovieQuality, ReachesTheEncoderAndMp4DefaultsToH264WithItsIndexFirst)
{
    av_log_set_level(AV_LOG_QUIET);
    TestApp t;
    t.SetPhotos(3);
    // A quantiser (MPEG-4), a CRF (the MP4 default, H.264) and a bit rate (rav1e, when
    // this FFmpeg has it) each follow the setting.
    std::vector<std::pair<FString, std::string>> cases = {
        {EncoderFriendlyName(avcodec_find_encoder_by_name("mpeg4")), ".avi"}, {FString(), ".mp4"}};
    if (const AVCodec* rav1e = avcodec_find_encoder_by_name("librav1e"))
        cases.push_back({EncoderFriendlyName(rav1e), ".mkv"});
    for (const auto& [encoder, file] : cases) {
        const Exported low = ExportAt(t, "low" + file, encoder, 10);
        const Exported high = ExportAt(t, "high" + file, encoder, 95);
        EXPECT_GT(high.bytes, low.bytes * 2) << file;
        EXPECT_EQ(high.movie.error, "");
        EXPECT_EQ(high.movie.frames.size(), 130u) << file;
    }

    const Exported mp4 = ExportAt(t, "book.mp4", FString(), 80);
    EXPECT_EQ(mp4.movie.codec, "h264");
    EXPECT_EQ(mp4.movie.frames.size(), 130u);
    // Players start before the whole file is there only with the index ahead of the data.
    std::ifstream in(t.dir.file("book.mp4"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
    // 4:2:0, which every player shows (x264 would pick 4:4:4 for RGB input).
    FAvInputPtr input;
    ASSERT_GE(OpenInput(input, t.dir.file("book.mp4").c_str()), 0);
    ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
    EXPECT_EQ(input->streams[0]->codecpar->format, AV_PIX_FMT_YUV420P);
}
