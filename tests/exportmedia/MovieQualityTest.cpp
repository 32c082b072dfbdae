// The quality and the container as the export driver passes them on, through the real writer.

#include "../app/AppTestSupport.h"
#include "../export/ExportTestHost.h"
#include "MovieReader.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FMovieWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
struct NoisyHost : TestExportHost // detail, so the quality shows in the file's size
{
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        const FFrameView view = TestExportHost::RenderFrame(app);
        for (size_t i = 0; i < copy.pixels.size(); i += 4)
            copy.pixels[i + 1] = static_cast<uint8_t>((i * 2654435761u) >> 26);
        return view;
    }
};
} // namespace

TEST(MovieQuality, ReachesTheEncoderAndMp4DefaultsToH264WithItsIndexFirst)
{
    av_log_set_level(AV_LOG_QUIET);
    TestApp t(3);
    const auto exportAt = [&](const std::string& name, const FString& encoder, int quality) {
        t.app.GoToFirstPage(0);
        NoisyHost host;
        host.makeSink = [] { return std::make_unique<FMovieWriter>(); };
        FExportSettings s;
        s.width = 160, s.height = 128, s.framesPerSecond = 10, s.timePage = s.timeZoom = s.timeView = 1;
        s.encoderName = encoder, s.quality = quality;
        EXPECT_TRUE(ExportMovie(t.app, s, t.dir.fileF(name), host)) << name;
        EXPECT_EQ(DecodeMovie(t.dir.file(name)).frames.size(), 130u) << name;
        return std::filesystem::file_size(t.dir.file(name));
    };
    // A quantiser (MPEG-4), a CRF (the MP4 default, H.264) and a bit rate (rav1e, when
    // this FFmpeg has it) each follow the setting.
    std::vector<std::pair<FString, std::string>> cases = {
        {EncoderFriendlyName(avcodec_find_encoder_by_name("mpeg4")), ".avi"}, {FString(), ".mp4"}};
#ifndef __SANITIZE_THREAD__ // rav1e's own threads crawl under ThreadSanitizer
    if (const AVCodec* rav1e = avcodec_find_encoder_by_name("librav1e"))
        cases.push_back({EncoderFriendlyName(rav1e), ".mkv"});
#endif
    for (const auto& [encoder, file] : cases)
        EXPECT_GT(exportAt("high" + file, encoder, 95), exportAt("low" + file, encoder, 10) * 2) << file;

    // H.264 in 4:2:0, which every player shows (x264 would take 4:4:4 from RGB), with the
    // index ahead of the data so players can start before the whole file is there.
    exportAt("book.mp4", FString(), 80);
    FAvInputPtr input;
    ASSERT_GE(OpenInput(input, t.dir.file("book.mp4").c_str()), 0);
    ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
    EXPECT_EQ(input->streams[0]->codecpar->codec_id, AV_CODEC_ID_H264);
    EXPECT_EQ(input->streams[0]->codecpar->format, AV_PIX_FMT_YUV420P);
    std::stringstream bytes;
    bytes << std::ifstream(t.dir.file("book.mp4"), std::ios::binary).rdbuf();
    EXPECT_LT(bytes.str().find("moov"), bytes.str().find("mdat"));
}
