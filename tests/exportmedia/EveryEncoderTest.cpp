// Every encoder offered, through the real writer and read back as a player would.

#include "../base/TestFiles.h"
#include "MovieReader.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FMovieWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
constexpr size_t kFrames = 8;

// Exports kFrames of red above blue (a grey ramp for detail): "" when the movie comes back
// whole and upright, "refused" when refused with the size hint before any file existed.
std::string Export(const ScratchDir& dir, const std::string& file, const FString& encoder, int w, int h, float fps,
                   AVRational* rate = nullptr)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < bytes.size(); i += 4) {
        const bool top = i / 4 / w < static_cast<size_t>(h / 2);
        const auto ramp = static_cast<uint8_t>(i / 4 % w * 60 / w);
        bytes[i] = top ? ramp : 220, bytes[i + 1] = ramp, bytes[i + 2] = top ? 220 : ramp;
    }
    const FFrameView frame{bytes.data(), w, h, w * 4};
    FMovieConfig config;
    config.path = dir.fileF(file);
    config.container = ContainerForPath(config.path).value_or(FMovieContainer::Avi);
    config.encoderName = encoder;
    config.width = w;
    config.height = h;
    config.framesPerSecond = fps;
    FMovieWriter writer;
    if (const FSinkError refused = writer.Open(config, frame)) {
        if (U8(refused.Full()).find("does not like your resolution") == std::string::npos)
            return "refused: " + U8(refused.Full());
        return std::filesystem::exists(dir.file(file)) ? "refused, left a file" : "refused";
    }
    for (size_t i = 0; i < kFrames; ++i)
        if (const FSinkError failed = writer.Write(frame))
            return "frame refused: " + U8(failed.Full());
    if (const FSinkError failed = writer.Finish())
        return "not finished: " + U8(failed.Full());
    const FDecodedMovie movie = DecodeMovie(dir.file(file));
    if (rate)
        *rate = movie.frameRate;
    if (!movie.error.empty() || movie.width != w || movie.height != h || movie.frames.size() != kFrames)
        return movie.error + " " + std::to_string(movie.frames.size()) + " frames of " + std::to_string(movie.width);
    if (!rate && std::abs(av_q2d(movie.frameRate) - fps) > 0.001)
        return "stored at " + std::to_string(av_q2d(movie.frameRate)) + " frames a second";
    // Palette and block encoders shift colours a lot; which channel wins does not change.
    for (size_t f = 0; f < kFrames; ++f) {
        const uint8_t *top = movie.Pixel(f, w / 2, h / 4), *bottom = movie.Pixel(f, w / 2, h * 3 / 4);
        if (top[2] < top[0] + 60 || bottom[0] < bottom[2] + 60)
            return "frame " + std::to_string(f) + " not red above blue";
    }
    return "";
}
} // namespace

TEST(EveryEncoder, MakesAWholeUprightMovieOrRefusesTheSizeUpFront)
{
    av_log_set_level(AV_LOG_QUIET);
    ScratchDir dir;
    int n = 0;
    for (const auto& [container, extension] :
         {std::pair{FMovieContainer::Avi, ".avi"}, {FMovieContainer::Mp4, ".mp4"}, {FMovieContainer::Mkv, ".mkv"}}) {
        std::vector<FString> names;
        ASSERT_TRUE(ListEncoders(names, container));
        if (container != FMovieContainer::Avi)
            names.push_back(FString()); // the container's default
        for (const FString& name : names) {
            // 322 x 242 is no multiple of 4, 8 or 16; codecs that take only standard sizes
            // must work at one of the last two.
            bool worked = false;
            for (const auto& [w, h] : {std::pair{320, 240}, {322, 242}, {352, 288}, {720, 576}}) {
                if (worked && w > 322)
                    break;
                const std::string problem = Export(dir, std::to_string(++n) + extension, name, w, h, 25.0f);
                worked |= problem.empty();
                EXPECT_TRUE(problem.empty() || problem == "refused")
                    << extension << " " << U8(name) << " " << w << "x" << h << ": " << problem;
            }
            EXPECT_TRUE(worked) << extension << " " << U8(name);
        }
    }
}

// Scripts may name an encoder by FFmpeg's short name; anything else must match exactly.
TEST(EveryEncoder, FoundByFriendlyOrShortNameOnly)
{
    const AVCodec* mpeg4 = avcodec_find_encoder_by_name("mpeg4");
    EXPECT_EQ(FindEncoderByName(EncoderFriendlyName(mpeg4)), mpeg4);
    EXPECT_EQ(FindEncoderByName(FString(u"mpeg4")), mpeg4);
    EXPECT_EQ(FindEncoderByName(FString::FromUtf8(U8(EncoderFriendlyName(mpeg4)).substr(1))), nullptr);
    EXPECT_EQ(FindEncoderByName(FString()), nullptr);
}

TEST(EveryEncoder, MpegRatesAreStoredOrRefusedUpFront)
{
    av_log_set_level(AV_LOG_QUIET);
    // MPEG-1/2 keep a table of rates, and 29.97 arrives as a near miss of 30000/1001.
    const struct
    {
        const char* encoder;
        float fps;
        AVRational stored; // 0/1: refused
    } cases[] = {{"mpeg1video", 29.97f, {30000, 1001}},
                 {"mpeg1video", 23.976f, {24000, 1001}},
                 {"mpeg1video", 12.0f, {0, 1}},
                 {"mpeg2video", 12.0f, {12, 1}}};
    ScratchDir dir;
    int n = 0;
    for (const auto& c : cases) {
        AVRational rate{0, 1};
        const FString name = EncoderFriendlyName(avcodec_find_encoder_by_name(c.encoder));
        const std::string problem = Export(dir, std::to_string(++n) + ".avi", name, 320, 240, c.fps, &rate);
        EXPECT_EQ(problem, c.stored.num ? "" : "refused") << c.encoder << " " << c.fps;
        EXPECT_EQ(av_cmp_q(rate, c.stored), 0) << c.encoder << " " << c.fps << ": " << rate.num << "/" << rate.den;
    }
}
