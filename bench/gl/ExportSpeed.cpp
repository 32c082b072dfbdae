// Movie export speed on this machine, headless: for 640 x 480 and 1280 x 720 movies
// (supersampled render targets), uncompressed and mpeg4, the time a frame takes to
// render and read back alone, and the time it takes in an export through the movie
// writer, whose reduction and encoding overlap the next frame's render; each export
// again with music beside it (a sweep, decoded, fitted and encoded with the frames),
// the time the music takes to prepare included; the best of two runs each.
//   bench_ExportSpeed [frames]         (default 60)
//   bench_ExportSpeed --minutes N      exports 640 x 480 mpeg4 for N minutes, printing
//                                      VmRSS every 30 s, so a leak or a growing queue shows
//   bench_ExportSpeed --drift N        exports N minutes at 160 x 120 with a click every
//                                      second under it, as .mp4 and .mkv (H.264 + AAC),
//                                      .webm (VP9 + Opus) and .avi (MPEG-4 + MP3), then
//                                      reads each movie back as a
//                                      player does: where the sound and the frames end,
//                                      and when the last whole second's click sounds

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "export/FMovieExporter.h"
#include "export/ffmpeg/FFmpegPtr.h"
#include "export/ffmpeg/FMovieWriter.h"
#include "render/BookGeometry.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"

#include <epoxy/gl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

std::string ResidentSize()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return line.substr(6);
    return "?";
}

struct Case
{
    int width, height;
    const char* encoder;
};

class Bench
{
public:
    bool Init()
    {
        std::string error;
        context_ = FGlContext::Create(error);
        if (!context_) {
            std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
            return false;
        }
        app_.Init({GetModuleDirectory(), 1920, 1080}, 0);
        app_.textureLoader = &book_.Loader();
        return true;
    }

    bool Prepare(const Case& c)
    {
        std::string error;
        screen_ = FGlFramebuffer::Create(c.width, c.height, &error);
        if (!screen_)
            return false;
        book_.DeviceReset(FGlScreen{screen_->Id(), c.width, c.height}, app_.effectPath);
        app_.ReloadDecorations();
        app_.ScanFolder(app_.settings->GetRecentPath(0), false, 0);
        app_.StreamPhotoTextures(true);
        return book_.Renderer().CreateRenderTarget(c.width, c.height);
    }

    void Draw(const Case& c, int f)
    {
        app_.turnState = f % 2 ? 1 : 0;
        app_.turnPosition = TurnEnd * static_cast<float>(f % 25) / 25.0f;
        book_.Render(app_.BeginFrame(c.width, c.height, 0));
    }

    FFrameView RenderFrame(const Case& c, int f)
    {
        Draw(c, f);
        if (!book_.Renderer().CopyRenderTarget())
            return {};
        return FrameViewOf(book_.Renderer().GetRenderTargetCopy());
    }

    // Milliseconds per frame, opening the writer (and preparing the music) included;
    // negative when the writer failed. keep: the movie stays for a look afterwards.
    double Export(const Case& c, int frames, const std::string& path, double maxSeconds = 0,
                  const std::string& music = "", bool keep = false)
    {
        FMovieWriter writer;
        FMovieConfig config;
        config.path = FString::FromUtf8(path);
        config.container = ContainerForPath(config.path).value_or(FMovieContainer::Avi);
        config.encoderName = FString(c.encoder, 0);
        config.width = c.width;
        config.height = c.height;
        config.totalFrames = frames;
        if (!music.empty())
            config.musicFiles.push_back(FString::FromUtf8(music));
        const FFrameView source = FrameViewOf(book_.Renderer().GetRenderTargetCopy());
        const auto start = Clock::now();
        if (const FSinkError error = writer.Open(config, source)) {
            std::fprintf(stderr, "writer: %s\n", error.Full().ToUtf8().c_str());
            return -1;
        }
        openMs_ = Ms(start, Clock::now());
        auto nextSample = start;
        int f = 0;
        // As the exporter does: the device copies one frame while the next is drawn.
        FRenderer& renderer = book_.Renderer();
        const auto storeArrived = [&](int keep) {
            while (renderer.RenderTarget()->ReadBacksInFlight() > keep) {
                const FReadBack taken = renderer.TakeRenderTargetReadBack(true);
                const FSinkError error = taken.status == FReadBackStatus::Ready
                                             ? writer.Write(FrameViewOf(taken.frame))
                                             : FSinkError{true, FString(u"a frame was lost on its way")};
                if (error) {
                    std::fprintf(stderr, "writer: %s\n", error.Full().ToUtf8().c_str());
                    return false;
                }
            }
            return true;
        };
        for (; f < frames; ++f) {
            Draw(c, f);
            if (!renderer.StartRenderTargetReadBack() || !storeArrived(1))
                return -1;
            if (maxSeconds > 0 && Ms(start, Clock::now()) >= maxSeconds * 1000)
                break;
            if (maxSeconds > 0 && Clock::now() >= nextSample) {
                std::printf("%6.0f s  frame %7d  VmRSS %s\n", Ms(start, Clock::now()) / 1000, f,
                            ResidentSize().c_str());
                std::fflush(stdout);
                nextSample += std::chrono::seconds(30);
            }
        }
        if (!storeArrived(0))
            return -1;
        const FSinkError finished = writer.Finish();
        const double ms = Ms(start, Clock::now()) / std::max(f, 1);
        if (!keep)
            ::unlink(path.c_str());
        return finished ? -1 : ms;
    }

    void Release()
    {
        book_.DeviceLost();
        app_.ReleaseDeviceTextures();
    }
    void Destroy() { book_.DeviceDestroyed(); }

    double openMs_ = 0; // the last export's Open, the music's preparation included
    FPhotoBookApp app_;
    FBookRenderer book_;
    std::unique_ptr<FGlContext> context_;
    std::unique_ptr<FGlFramebuffer> screen_;
};

// Music made by FFmpeg's own sources, as a user's file would be.
bool MakeMusic(const std::string& path, const std::string& source, double seconds)
{
    const std::string command = "ffmpeg -v error -y -f lavfi -i '" + source + "' -t " + std::to_string(seconds) +
                                " '" + path + "'";
    return std::system(command.c_str()) == 0;
}

struct FHeard
{
    double videoStart = 1e9, videoEnd = 0, soundEnd = 0; // seconds on the movie's clock
    double click = -1;                 // when the click nearest `expected` starts
};

// Reads the movie back with libavformat/libavcodec, every time on the streams'
// own stamps (start offsets and skipped priming included). A container may start
// its frames after 0 (Matroska makes room for AAC's priming): the click is timed
// from the first frame, looked for within half a second of expected.
FHeard Hear(const std::string& path, double expected)
{
    FHeard heard;
    FAvInputPtr input;
    if (OpenInput(input, path.c_str()) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return heard;
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int sound = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (video < 0 || sound < 0)
        return heard;
    const AVStream* stream = input->streams[sound];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    FAvCodecPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    decoder->pkt_timebase = stream->time_base;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return heard;
    FAvPacketPtr packet(av_packet_alloc());
    FAvFramePtr frame(av_frame_alloc());
    const AVRational videoBase = input->streams[video]->time_base;
    double peak = 0;
    std::vector<std::pair<double, float>> near; // (time, level) around the expected click
    // Sample times count on from the first frame's stamp, as a player's clock does.
    int64_t played = 0;
    double first = -1;
    const auto take = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (first < 0)
                first = frame->best_effort_timestamp * av_q2d(stream->time_base);
            for (int i = 0; i < frame->nb_samples; ++i) {
                const double t = first + static_cast<double>(played + i) / frame->sample_rate;
                float level = 0;
                for (int ch = 0; ch < frame->ch_layout.nb_channels; ++ch) {
                    const float v = frame->format == AV_SAMPLE_FMT_FLTP ? reinterpret_cast<float*>(frame->extended_data[ch])[i]
                                    : frame->format == AV_SAMPLE_FMT_S16P
                                        ? reinterpret_cast<int16_t*>(frame->extended_data[ch])[i] / 32768.0f
                                    : frame->format == AV_SAMPLE_FMT_S16
                                        ? reinterpret_cast<int16_t*>(frame->extended_data[0])[i * frame->ch_layout.nb_channels + ch] / 32768.0f
                                        : reinterpret_cast<float*>(frame->extended_data[0])[i * frame->ch_layout.nb_channels + ch];
                    level = std::max(level, std::abs(v));
                }
                if (std::abs(t - expected) < 0.5)
                    near.emplace_back(t, level), peak = std::max(peak, static_cast<double>(level));
            }
            played += frame->nb_samples;
            heard.soundEnd = first + static_cast<double>(played) / frame->sample_rate;
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video && packet->pts != AV_NOPTS_VALUE) {
            heard.videoStart = std::min(heard.videoStart, packet->pts * av_q2d(videoBase));
            heard.videoEnd = std::max(heard.videoEnd, (packet->pts + packet->duration) * av_q2d(videoBase));
        }
        if (packet->stream_index == sound && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            take();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    take();
    for (const auto& [t, level] : near)
        if (level > peak * 0.25) {
            heard.click = t;
            break;
        }
    return heard;
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 60;
    int minutes = 0;
    int driftMinutes = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc)
            minutes = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--drift") == 0 && i + 1 < argc)
            driftMinutes = std::max(std::atoi(argv[++i]), 1);
        else
            frames = std::max(std::atoi(argv[i]), 1);
    }
    Bench bench;
    if (!bench.Init())
        return 1;
    bench.app_.exporting = 1;
    const std::string path = "/tmp/photobook-bench-" + std::to_string(::getpid()) + ".avi";

    const std::string base = "/tmp/photobook-bench-" + std::to_string(::getpid());
    if (driftMinutes > 0) {
        // A 10 ms 1 kHz click at every whole second, at 44.1 kHz so the resampler is in the way.
        const double seconds = driftMinutes * 60.0;
        const std::string clicks = base + "-clicks.flac";
        if (!MakeMusic(clicks, "aevalsrc=if(lt(mod(t\\,1)\\,0.01)\\,0.8*sin(2*PI*1000*t)\\,0):s=44100", seconds + 1))
            return 1;
        const Case c{160, 120, "mpeg4"};
        if (!bench.Prepare(c))
            return 1;
        const int frames = static_cast<int>(seconds * 25);
        // The last click before the fade-out starts.
        const double expected = std::floor(seconds - 2.5);
        const std::pair<const char*, const char*> types[] = {
            {".mp4", "libx264"}, {".mkv", "libx264"}, {".webm", ""}, {".avi", "mpeg4"}};
        for (const auto& [type, encoder] : types) {
            const std::string movie = base + type;
            const Case typed{c.width, c.height, encoder};
            const double ms = bench.Export(typed, frames, movie, 0, clicks, true);
            if (ms < 0)
                return 1;
            const FHeard heard = Hear(movie, expected);
            ::unlink(movie.c_str());
            std::printf("%s: writer opened, music prepared, in %.0f ms\n", type, bench.openMs_);
            std::printf("%s %d frames (%.0f s) %s: frames %.4f..%.4f s, sound ends at %.4f s (%+.1f ms); the "
                        "click at %.0f s sounds %+.2f ms from its frame (a frame is 40 ms)\n",
                        type, frames, seconds, *encoder ? encoder : "default", heard.videoStart, heard.videoEnd,
                        heard.soundEnd, (heard.soundEnd - heard.videoEnd) * 1000, expected,
                        (heard.click - heard.videoStart - expected) * 1000);
            std::fflush(stdout);
        }
        ::unlink(clicks.c_str());
        bench.Release();
        bench.Destroy();
        return 0;
    }

    if (minutes > 0) {
        const Case c{640, 480, "mpeg4"};
        if (!bench.Prepare(c))
            return 1;
        const double ms = bench.Export(c, 1 << 30, path, minutes * 60.0);
        std::printf("%.1f ms per frame; VmRSS at the end %s\n", ms, ResidentSize().c_str());
        bench.Release();
        bench.Destroy();
        return ms < 0 ? 1 : 0;
    }

    // Music longer than the export, so the side by side includes decoding what is played.
    const std::string music = base + "-sweep.mp3";
    if (!MakeMusic(music, "aevalsrc=0.5*sin(2*PI*(200+50*t)*t):s=44100", frames / 25.0 + 5))
        return 1;
    for (const Case& c : {Case{640, 480, ""}, Case{640, 480, "mpeg4"}, Case{1280, 720, ""}, Case{1280, 720, "mpeg4"}}) {
        if (!bench.Prepare(c))
            return 1;
        const FRenderTarget* target = bench.book_.Renderer().RenderTarget();
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f)
            bench.RenderFrame(c, f);
        glFinish();
        const double renderOnly = Ms(start, Clock::now()) / frames;
        // Other work on the machine comes and goes: the best of two, taken in turns.
        double exported = 1e9, withMusic = 1e9;
        for (int round = 0; round < 2; ++round) {
            const double without = bench.Export(c, frames, path), with = bench.Export(c, frames, path, 0, music);
            if (without < 0 || with < 0)
                return 1;
            exported = std::min(exported, without);
            withMusic = std::min(withMusic, with);
        }
        std::printf("%4d x %-4d %-12s target %4d x %-4d (factor %d): render + read-back %6.2f ms, "
                    "export %6.2f ms a frame = %5.1f fps (%.0f%% of the render-only rate)\n",
                    c.width, c.height, *c.encoder ? c.encoder : "uncompressed", target->Width(), target->Height(),
                    target->Width() / c.width, renderOnly, exported, 1000.0 / exported, 100.0 * renderOnly / exported);
        std::printf("%36s with music: export %6.2f ms a frame = %5.1f fps (%+.1f%% time against without)\n", "",
                    withMusic, 1000.0 / withMusic, 100.0 * (withMusic - exported) / exported);
        std::fflush(stdout);
        bench.Release();
    }
    ::unlink(music.c_str());
    bench.Destroy();
    return 0;
}
