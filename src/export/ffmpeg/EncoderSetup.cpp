#include "export/ffmpeg/EncoderSetup.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

const char* MuxerName(FMovieContainer container)
{
    switch (container) {
    case FMovieContainer::Mp4: return "mp4";
    case FMovieContainer::Mkv: return "matroska";
    case FMovieContainer::Avi: break;
    }
    return "avi";
}

void SetMuxerOptions(FMovieContainer, AVDictionary**) {}

const AVCodec* DefaultEncoder(FMovieContainer container)
{
    return container == FMovieContainer::Avi ? nullptr : avcodec_find_encoder(AV_CODEC_ID_MPEG4);
}

void ConfigureEncoder(AVCodecContext* context, const AVCodec* codec, int, AVDictionary**)
{
    context->pix_fmt = codec->pix_fmts
                           ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr)
                           : AV_PIX_FMT_BGR24;
}
