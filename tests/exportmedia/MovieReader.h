#pragma once
// Reads a movie back with libavformat/libavcodec, every frame converted to top-down
// BGR24 as the stream's colour description says, so tests check what a player would show.

#include "export/ffmpeg/EncoderSetup.h"
#include "export/ffmpeg/FFmpegPtr.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FDecodedMovie
{
    std::string error; // empty when the whole file decoded
    std::string codec;
    int width = 0, height = 0;
    AVRational frameRate{0, 1};
    std::vector<std::vector<uint8_t>> frames; // width * 3 bytes per row, top row first

    const uint8_t* Pixel(size_t frame, int x, int y) const { return frames[frame].data() + (y * width + x) * 3; }
};

inline FDecodedMovie DecodeMovie(const std::string& path)
{
    FDecodedMovie movie;
    FAvInputPtr input;
    int result = OpenInput(input, path.c_str());
    if (result < 0)
        return movie.error = AvErrorText("open", result), movie;
    if ((result = avformat_find_stream_info(input.get(), nullptr)) < 0)
        return movie.error = AvErrorText("stream info", result), movie;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return movie.error = AvErrorText("video stream", index), movie;
    const AVStream* stream = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return movie.error = "no decoder", movie;
    FAvCodecPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if ((result = avcodec_open2(decoder.get(), codec, nullptr)) < 0)
        return movie.error = AvErrorText("open decoder", result), movie;
    movie.codec = codec->name;
    movie.width = stream->codecpar->width;
    movie.height = stream->codecpar->height;
    movie.frameRate = stream->avg_frame_rate;

    FAvPacketPtr packet(av_packet_alloc());
    FAvFramePtr frame(av_frame_alloc());
    FSwsPtr convert;
    const auto takeFrames = [&]() -> int {
        for (;;) {
            const int received = avcodec_receive_frame(decoder.get(), frame.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return 0;
            if (received < 0)
                return received;
            convert.reset(sws_getCachedContext(convert.release(), frame->width, frame->height,
                                               static_cast<AVPixelFormat>(frame->format), movie.width, movie.height,
                                               AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr));
            // As a player shows it: the matrix and range the stream declares, or the ones
            // players assume when it declares none.
            const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
            if (format && !(format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL))) {
                const AVColorSpace space = frame->colorspace != AVCOL_SPC_UNSPECIFIED
                                               ? frame->colorspace
                                               : MatrixPlayersAssume(movie.width, movie.height);
                const bool fullRange =
                    frame->color_range == AVCOL_RANGE_JPEG || std::string_view(format->name).rfind("yuvj", 0) == 0;
                sws_setColorspaceDetails(convert.get(), sws_getCoefficients(space), fullRange,
                                         sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
            }
            std::vector<uint8_t> bgr(static_cast<size_t>(movie.width) * movie.height * 3);
            uint8_t* rows[1] = {bgr.data()};
            const int strides[1] = {movie.width * 3};
            sws_scale(convert.get(), frame->data, frame->linesize, 0, frame->height, rows, strides);
            movie.frames.push_back(std::move(bgr));
            av_frame_unref(frame.get());
        }
    };
    while ((result = av_read_frame(input.get(), packet.get())) >= 0) {
        if (packet->stream_index == index)
            result = avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (result < 0 || (result = takeFrames()) < 0)
            return movie.error = AvErrorText("decode", result), movie;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    if ((result = takeFrames()) < 0)
        movie.error = AvErrorText("flush", result);
    return movie;
}
