// The music under a movie, through the real writer, heard back through the ffmpeg
// tools as a player hears it: music made by FFmpeg's lavfi sources.

#include "../base/TestFiles.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FMovieWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

constexpr int kFps = 25;
constexpr int64_t kFrames = 150; // 6 seconds

std::string Run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    if (pipe)
        pclose(pipe);
    return out;
}

void MakeMusic(const std::string& path, const std::string& source, double seconds)
{
    Run("ffmpeg -v error -y -f lavfi -i '" + source + "' -t " + std::to_string(seconds) + " '" + path + "'");
}

// Writes kFrames of a grey picture with the music; "" or why not.
std::string WriteMovie(const std::string& path, const char* encoder, const std::vector<std::string>& music)
{
    constexpr int w = 64, h = 48;
    std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4, 128);
    const FFrameView frame{bytes.data(), w, h, w * 4};
    FMovieConfig config;
    config.path = FString::FromUtf8(path);
    config.container = *ContainerForPath(config.path);
    config.encoderName = *encoder ? EncoderFriendlyName(avcodec_find_encoder_by_name(encoder)) : FString();
    config.width = w;
    config.height = h;
    config.framesPerSecond = kFps;
    config.totalFrames = kFrames;
    for (const std::string& file : music)
        config.musicFiles.push_back(FString::FromUtf8(file));
    FMovieWriter writer;
    if (const FSinkError refused = writer.Open(config, frame))
        return U8(refused.Full());
    for (int64_t i = 0; i < kFrames; ++i)
        if (const FSinkError failed = writer.Write(frame))
            return U8(failed.Full());
    return U8(writer.Finish().Full());
}

// The movie's sound as a player gives it out, mixed to mono at 48 kHz.
std::vector<float> Heard(const std::string& movie)
{
    const std::string raw = movie + ".raw";
    Run("ffmpeg -v error -y -i '" + movie + "' -map 0:a -ac 1 -ar 48000 -f f32le '" + raw + "'");
    std::ifstream in(raw, std::ios::binary);
    std::vector<float> samples;
    for (float s; in.read(reinterpret_cast<char*>(&s), sizeof s);)
        samples.push_back(s);
    return samples;
}

double Rms(const std::vector<float>& samples, double from, double to)
{
    double sum = 0;
    const auto a = static_cast<size_t>(from * 48000), b = std::min(samples.size(), static_cast<size_t>(to * 48000));
    for (size_t i = a; i < b; ++i)
        sum += samples[i] * samples[i];
    return b > a ? std::sqrt(sum / static_cast<double>(b - a)) : 0.0;
}

// Integrated loudness by FFmpeg's EBU R128 meter, in LUFS.
double Loudness(const std::string& movie)
{
    const std::string out = Run("ffmpeg -nostats -i '" + movie + "' -map 0:a -af ebur128 -f null -");
    const size_t summary = out.rfind("Integrated loudness:");
    const size_t at = summary == std::string::npos ? summary : out.find("I:", summary);
    return at == std::string::npos ? 0.0 : std::atof(out.c_str() + at + 2);
}

std::string SoundCodec(const std::string& movie)
{
    std::string codec = Run("ffprobe -v error -select_streams a -show_entries stream=codec_name,profile -of "
                            "csv=p=0 '" + movie + "'");
    while (!codec.empty() && std::isspace(static_cast<unsigned char>(codec.back())))
        codec.pop_back();
    return codec;
}

} // namespace

TEST(Soundtrack, EachContainerCarriesTheMovieLongFadedLevelledSound)
{
    // A 10 s sweep under a 6 s movie: cut at the movie's end, faded out over its
    // last 2 s, as long as the frames (within one), at -16 LUFS.
    ScratchDir dir;
    const std::string music = dir.file("sweep.ogg");
    MakeMusic(music, "aevalsrc=0.3*sin(2*PI*(200+100*t)*t):s=44100", 10);
    const struct
    {
        const char *file, *encoder, *codec;
    } cases[] = {
        {"a.mp4", "", "aac,LC"},      {"a.mov", "", "aac,LC"},        {"a.mkv", "", "aac,LC"},
        {"a.webm", "", "opus,unknown"}, {"a.avi", "mpeg4", "mp3,unknown"}, {"b.avi", "", "pcm_s16le,unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string movie = dir.file(c.file);
        ASSERT_EQ(WriteMovie(movie, c.encoder, {music}), "");
        EXPECT_EQ(SoundCodec(movie), c.codec);
        const std::vector<float> sound = Heard(movie);
        const double seconds = static_cast<double>(sound.size()) / 48000;
        EXPECT_NEAR(seconds, 6.0, 1.0 / kFps);
        const double middle = Rms(sound, 2.0, 3.0);
        EXPECT_GT(middle, 0.05);
        EXPECT_LT(Rms(sound, seconds - 0.1, seconds), middle / 10);
        EXPECT_NEAR(Loudness(movie), -16.0, 1.0);
    }
}

TEST(Soundtrack, ShortMusicIsJoinedInOrderAndLooped)
{
    // Half a second of tone (MP3, 44.1 kHz mono) then half a second of silence (WAV,
    // 22.05 kHz): the tone returns every second until the movie ends.
    ScratchDir dir;
    MakeMusic(dir.file("tone.mp3"), "sine=f=440:sample_rate=44100", 0.5);
    MakeMusic(dir.file("quiet.wav"), "anullsrc=r=22050:cl=stereo", 0.5);
    const std::string movie = dir.file("loop.mkv");
    ASSERT_EQ(WriteMovie(movie, "", {dir.file("tone.mp3"), dir.file("quiet.wav")}), "");
    const std::vector<float> sound = Heard(movie);
    EXPECT_NEAR(static_cast<double>(sound.size()) / 48000, 6.0, 1.0 / kFps);
    for (int second = 1; second <= 3; ++second) {
        SCOPED_TRACE(second);
        EXPECT_GT(Rms(sound, second + 0.1, second + 0.4), 0.05);
        EXPECT_LT(Rms(sound, second + 0.6, second + 0.9), 0.005);
    }
}

TEST(Soundtrack, BadMusicIsRefusedByNameBeforeAnyFileExists)
{
    ScratchDir dir;
    std::ofstream(dir.file("notes.mp3")) << "not a song\n";
    MakeMusic(dir.file("picture.mkv"), "testsrc=size=64x48:rate=5", 1); // video, no sound
    MakeMusic(dir.file("fine.flac"), "sine", 1);
    const std::string fine = dir.file("fine.flac");
    const struct
    {
        std::string file, says;
    } cases[] = {
        {dir.file("gone.mp3"), "cannot be read: No such file or directory."},
        {dir.file("notes.mp3"), "holds no sound."},
        {dir.file("picture.mkv"), "holds no sound."},
        {dir.path(), "cannot be read: Is a directory."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        // Found wherever it is in the list, after music that is fine.
        EXPECT_EQ(WriteMovie(dir.file("out.mp4"), "", {fine, c.file}), "Music file " + c.file + " " + c.says);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.mp4")));
    }
}
