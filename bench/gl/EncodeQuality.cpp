// Re-encodes an uncompressed export through the movie writer, so encoders and qualities
// can be compared on the same rendered frames without rendering again:
//   QuilloPhotoBookExport --folder media/photos --output raw.avi --width 1280 --height 720 ...
//   bench_EncodeQuality raw.avi enc.avi mpeg4 80
//   ffmpeg -i enc.avi -i raw.avi -lavfi psnr -f null -
// The output's extension picks the container as in an export.

#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FFmpegPtr.h"
#include "export/ffmpeg/FMovieWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s RAW.avi OUTPUT ENCODER QUALITY\n", argv[0]);
        return 2;
    }
    FAvInputPtr input;
    if (OpenInput(input, argv[1]) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const AVStream* stream = input->streams[0];
    const int w = stream->codecpar->width;
    const int h = stream->codecpar->height;
    const int rawStride = (w * 3 + 3) & ~3; // the export's padded bottom-up rows
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    const FFrameView view{pixels.data(), w, h, w * 4};

    FMovieConfig config;
    config.path = FString::FromUtf8(argv[2]);
    config.container = ContainerForPath(config.path).value_or(FMovieContainer::Avi);
    config.encoderName = FString::FromUtf8(argv[3]);
    config.width = w;
    config.height = h;
    config.framesPerSecond = static_cast<float>(av_q2d(stream->avg_frame_rate));
    config.quality = std::atoi(argv[4]);
    FMovieWriter writer;
    if (const FSinkError failed = writer.Open(config, view)) {
        std::fprintf(stderr, "%s\n", failed.Full().ToUtf8().c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    FAvPacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->size >= rawStride * h) {
            for (int y = 0; y < h; ++y) {
                const uint8_t* from = packet->data + static_cast<size_t>(h - 1 - y) * rawStride;
                uint8_t* to = pixels.data() + static_cast<size_t>(y) * w * 4;
                for (int x = 0; x < w; ++x)
                    to[4 * x] = from[3 * x], to[4 * x + 1] = from[3 * x + 1], to[4 * x + 2] = from[3 * x + 2];
            }
        }
        av_packet_unref(packet.get());
        if (writer.Write(view))
            break;
    }
    if (const FSinkError failed = writer.Finish()) {
        std::fprintf(stderr, "%s\n", failed.Full().ToUtf8().c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double movieMinutes = writer.FramesWritten() * av_q2d(av_inv_q(stream->avg_frame_rate)) / 60.0;
    std::FILE* out = std::fopen(argv[2], "rb");
    std::fseek(out, 0, SEEK_END);
    const double megabytes = std::ftell(out) / 1e6;
    std::fclose(out);
    std::printf("%lld frames in %.1f s; %.2f MB, %.2f MB per minute\n", static_cast<long long>(writer.FramesWritten()),
                seconds, megabytes, megabytes / movieMinutes);
}
