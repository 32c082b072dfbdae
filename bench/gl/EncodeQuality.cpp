// Re-encodes an uncompressed export through the movie writer, so encoders and qualities
// can be compared on the same rendered frames without rendering again:
//   QuilloPhotoBookExport --folder media/photos --output raw.avi --width 1280 --height 720 ...
//   bench_EncodeQuality raw.avi enc.avi mpeg4 80
//   ffmpeg -i enc.avi -i raw.avi -lavfi psnr -f null -
// The output's extension picks the container as in an export.

#include "export/ffmpeg/FAviWriter.h"
#include "export/ffmpeg/FEncoderList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

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
    FMediaType type;
    type.width = stream->codecpar->width;
    type.height = stream->codecpar->height;
    type.imageSize = ((type.width * 3 + 3) & ~3) * type.height; // the export's padded bottom-up rows
    type.averageTimePerFrame = static_cast<int64_t>(1e7 / av_q2d(stream->avg_frame_rate));

    FAviWriter writer;
    const AVCodec* codec = FindEncoderByName(FString::FromUtf8(argv[3]));
    if (!codec || writer.Create(FString::FromUtf8(argv[2])) < 0 || writer.AddEncoder(codec, std::atoi(argv[4])) < 0 ||
        writer.ConnectEncoder(type) < 0 || writer.ConnectEncoderToMux() < 0 || writer.OpenFile() < 0 ||
        writer.WriteHeader() < 0) {
        std::fprintf(stderr, "%s\n", codec ? writer.Error().c_str() : "no such encoder");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    FMediaSample sample;
    FAvPacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        sample.buffer.assign(packet->data, packet->data + packet->size);
        sample.actualLength = packet->size;
        av_packet_unref(packet.get());
        if (writer.Receive(sample) < 0)
            break;
    }
    if (writer.Finish() < 0) {
        std::fprintf(stderr, "%s\n", writer.Error().c_str());
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
