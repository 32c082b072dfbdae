#include "export/ffmpeg/EncoderSetup.h"

#include "base/FSettings.h"
#include "export/SoundtrackMix.h"
#include "export/ffmpeg/FEncoderList.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {
int Clamped(int quality)
{
    return std::clamp(quality, static_cast<int>(kMinExportQuality), static_cast<int>(kMaxExportQuality));
}

// Encoders built on FFmpeg's MPEG-video or JPEG core: they encode at a fixed quantiser.
bool TakesQuantiser(const AVCodec* codec)
{
    switch (codec->id) {
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_H261:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_FLV1:
    case AV_CODEC_ID_RV10:
    case AV_CODEC_ID_RV20:
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_AMV:
    case AV_CODEC_ID_SPEEDHQ:
    case AV_CODEC_ID_SNOW:
    case AV_CODEC_ID_THEORA: return true;
    default: return false;
    }
}

bool HasPrivateOption(const AVCodec* codec, const char* name)
{
    return codec->priv_class &&
           av_opt_find(const_cast<AVClass**>(&codec->priv_class), name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
}

// Players expect 4:2:0 from these; the closest format to BGR24 would be 4:4:4, which
// many cannot show.
bool WantsYuv420(const AVCodec* codec)
{
    switch (codec->id) {
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_VP8:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_AV1:
    case AV_CODEC_ID_THEORA: return true;
    default: return false;
    }
}

bool Supports(const AVCodec* codec, AVPixelFormat format)
{
    if (!codec->pix_fmts)
        return false;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == format)
            return true;
    return false;
}

AVPixelFormat PixelFormatFor(const AVCodec* codec)
{
    if (WantsYuv420(codec) && Supports(codec, AV_PIX_FMT_YUV420P))
        return AV_PIX_FMT_YUV420P;
    if (!codec->pix_fmts)
        return AV_PIX_FMT_BGR24;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
}

// MPEG-1/2 store the rate as an index into a short table: 29.97 arrives as 29.97003 or
// the like from the frame length, so a rate within 0.1 % of a table entry is taken as it.
void SnapToMpegRate(AVCodecContext* context)
{
    static const AVRational kRates[] = {{24000, 1001}, {24, 1}, {25, 1},       {30000, 1001},
                                        {30, 1},       {50, 1}, {60000, 1001}, {60, 1}};
    const double rate = av_q2d(context->framerate.num ? context->framerate : av_inv_q(context->time_base));
    for (const AVRational& standard : kRates)
        if (std::abs(rate / av_q2d(standard) - 1.0) < 1e-3) {
            context->framerate = standard;
            context->time_base = av_inv_q(standard);
            return;
        }
}
} // namespace

const char* MuxerName(FMovieContainer container)
{
    switch (container) {
    case FMovieContainer::Mp4: return "mp4";
    case FMovieContainer::Mkv: return "matroska";
    case FMovieContainer::Mov: return "mov";
    case FMovieContainer::WebM: return "webm";
    case FMovieContainer::Avi: break;
    }
    return "avi";
}

void SetMuxerOptions(FMovieContainer container, AVDictionary** options)
{
    // Players can start before the whole file has arrived.
    if (container == FMovieContainer::Mp4 || container == FMovieContainer::Mov)
        av_dict_set(options, "movflags", "+faststart", 0);
}

const AVCodec* SoundEncoder(FMovieContainer container, bool compressedVideo)
{
    static const char* const aac[] = {"aac", nullptr};
    static const char* const webm[] = {"libopus", "libvorbis", "opus", nullptr};
    static const char* const avi[] = {"libmp3lame", "pcm_s16le", nullptr};
    const char* const* names = container == FMovieContainer::WebM ? webm
                               : container != FMovieContainer::Avi ? aac
                               : compressedVideo                   ? avi
                                                                   : avi + 1;
    for (; *names; ++names)
        if (const AVCodec* codec = avcodec_find_encoder_by_name(*names))
            return codec;
    return nullptr;
}

void ConfigureSoundEncoder(AVCodecContext* context, const AVCodec* codec)
{
    context->codec_type = AVMEDIA_TYPE_AUDIO;
    context->sample_rate = kSoundRate;
    context->time_base = {1, kSoundRate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&context->ch_layout, &stereo);
    // The mix is float; each of these takes a plain copy or a rounding.
    context->sample_fmt = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat wanted : {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_S16})
        for (const AVSampleFormat* format = codec->sample_fmts; format && *format != AV_SAMPLE_FMT_NONE; ++format)
            if (*format == wanted && context->sample_fmt == AV_SAMPLE_FMT_NONE)
                context->sample_fmt = wanted;
    if (codec->id == AV_CODEC_ID_AAC || codec->id == AV_CODEC_ID_MP3)
        context->bit_rate = 192000;
    else if (codec->id == AV_CODEC_ID_OPUS || codec->id == AV_CODEC_ID_VORBIS)
        context->bit_rate = 128000;
    if (codec->id == AV_CODEC_ID_AAC)
        context->profile = FF_PROFILE_AAC_LOW;
    if (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
        context->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
}

const AVCodec* DefaultEncoder(FMovieContainer container)
{
    if (container == FMovieContainer::Avi)
        return nullptr;
    if (container == FMovieContainer::WebM) {
        // WebM holds VP8, VP9 and AV1 only; VP9 is the quicker to make.
        for (const char* name : {"libvpx-vp9", "libsvtav1", "libaom-av1", "librav1e", "libvpx"})
            if (const AVCodec* codec = avcodec_find_encoder_by_name(name))
                return codec;
        return nullptr;
    }
    if (const AVCodec* h264 = BestH264Encoder())
        return h264;
    // A build without an H.264 encoder still makes a movie every player reads.
    return avcodec_find_encoder(AV_CODEC_ID_MPEG4);
}

bool EncoderTakesSize(const AVCodec* codec, int width, int height)
{
    switch (codec->id) {
    case AV_CODEC_ID_AMV: return height % 16 == 0;
    case AV_CODEC_ID_CLJR: return width % 4 == 0;
    case AV_CODEC_ID_SPEEDHQ: return width % 8 == 0;
    default: return true;
    }
}

int QuantiserForQuality(int quality)
{
    // 80 gives 3, where MPEG-4 keeps photos close to the uncompressed frames; the upper half
    // of the range steps one quantiser per 10, the lower half spreads to 31.
    const int q = Clamped(quality);
    if (q >= 50)
        return 1 + (100 - q) / 10;
    return 6 + ((50 - q) * 25 + 24) / 49;
}

int CrfForQuality(int quality)
{
    // 80 gives 20; 100 gives 13, not 0, which would switch x264 to its lossless profile.
    const int q = Clamped(quality);
    if (q >= 50)
        return 20 + (80 - q) / 3;
    return 30 + ((50 - q) * 21 + 24) / 49;
}

void ConfigureEncoder(AVCodecContext* context, const AVCodec* codec, int quality, AVDictionary** options)
{
    context->pix_fmt = PixelFormatFor(codec);
    DescribeColour(context, codec);
    if (codec->id == AV_CODEC_ID_MPEG1VIDEO || codec->id == AV_CODEC_ID_MPEG2VIDEO)
        SnapToMpegRate(context);

    if (TakesQuantiser(codec)) {
        context->flags |= AV_CODEC_FLAG_QSCALE;
        int q = QuantiserForQuality(quality);
        // Theora's scale runs the other way: 10 is its best.
        if (codec->id == AV_CODEC_ID_THEORA)
            q = std::clamp(10 - (q - 1) / 3, 0, 10);
        context->global_quality = FF_QP2LAMBDA * q;
        // The MPEG-video core takes each frame's own quality, 0 (so its best, qmin) unless
        // the writer stamps global_quality on it; pinning the range holds either way.
        if (codec->id != AV_CODEC_ID_THEORA && codec->id != AV_CODEC_ID_SNOW)
            context->qmin = context->qmax = q;
        return;
    }
    // Only a bit rate: scaled with the picture and the rate, 0.1 bit a pixel at 80,
    // doubling every 15 steps.
    const double fps = av_q2d(context->framerate.num ? context->framerate : av_inv_q(context->time_base));
    const double bitsPerPixel = 0.1 * std::exp2((Clamped(quality) - 80) / 15.0);
    const auto scaledBitRate = static_cast<int64_t>(bitsPerPixel * context->width * context->height * fps);
    if (HasPrivateOption(codec, "crf")) {
        int crf = CrfForQuality(quality);
        // HEVC's scale sits about 4 higher for the same picture; VP8/9 and AV1 count to 63.
        if (codec->id == AV_CODEC_ID_HEVC)
            crf = std::min(crf + 4, 51);
        else if (codec->id != AV_CODEC_ID_H264)
            crf = std::min(crf * 63 / 51 + 8, 63);
        av_dict_set_int(options, "crf", crf, 0);
        // libvpx caps the CRF by its bit rate (256 kbit/s unless told): VP9 takes 0 as
        // "quality only", VP8 needs a ceiling.
        if (codec->id == AV_CODEC_ID_VP9)
            context->bit_rate = 0;
        else if (codec->id == AV_CODEC_ID_VP8)
            context->bit_rate = scaledBitRate * 2;
        return;
    }
    context->bit_rate = scaledBitRate;
}

AVColorSpace MatrixPlayersAssume(int width, int height)
{
    // mpv's and SDL's guess; Chromium takes HD as BT.709 too.
    return width >= 1280 || height > 576 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

void DescribeColour(AVCodecContext* context, const AVCodec* codec)
{
    context->color_primaries = AVCOL_PRI_BT709;
    context->color_trc = AVCOL_TRC_BT709;
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(context->pix_fmt);
    if (!format)
        return;
    if (format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) {
        context->colorspace = AVCOL_SPC_RGB;
        context->color_range = AVCOL_RANGE_JPEG;
        return;
    }
    // swscale writes the yuvj and grey formats full range; the JPEG encoders want full
    // range whatever the format.
    const bool fullRange = std::string_view(format->name).rfind("yuvj", 0) == 0 || format->nb_components < 3 ||
                           codec->id == AV_CODEC_ID_MJPEG || codec->id == AV_CODEC_ID_AMV;
    context->color_range = fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    context->colorspace = fullRange ? AVCOL_SPC_BT470BG : MatrixPlayersAssume(context->width, context->height);
}

FSwsPtr MakeConverter(const AVCodecContext* context)
{
    FSwsPtr convert(sws_getContext(context->width, context->height, AV_PIX_FMT_BGR24, context->width, context->height,
                                   context->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!convert || context->colorspace == AVCOL_SPC_RGB)
        return convert;
    // swscale's own choice is BT.601 in the format's range, whatever the size.
    const int* matrix = sws_getCoefficients(context->colorspace);
    if (sws_setColorspaceDetails(convert.get(), matrix, 1, matrix, context->color_range == AVCOL_RANGE_JPEG, 0, 1 << 16,
                                 1 << 16) < 0)
        convert.reset();
    return convert;
}
