#include "export/ffmpeg/FEncoderList.h"

#include "export/ffmpeg/EncoderSetup.h"
#include "export/ffmpeg/FFmpegPtr.h"

#include <algorithm>
#include <cstring>

namespace {
// Wrappers around devices that the capability flag does not always mark (omx carries none).
bool IsHardwareEncoder(const AVCodec* codec)
{
    if (codec->capabilities & AV_CODEC_CAP_HARDWARE)
        return true;
    static const char* const kDeviceNames[] = {"vaapi", "nvenc", "qsv", "v4l2m2m", "amf", "vulkan", "omx"};
    for (const char* device : kDeviceNames)
        if (std::strstr(codec->name, device))
            return true;
    return false;
}

// Encoders the muxer accepts whose movies do not come back as they went in.
bool RoundTrips(FMovieContainer container, const AVCodec* codec)
{
    // Uncompressed is offered as no encoder at all; as an encoder into AVI its rows
    // came out upside down.
    if (codec->id == AV_CODEC_ID_RAWVIDEO)
        return false;
    // VC-2 (Dirac) codes every frame grey below a few bits a pixel, at any size.
    if (codec->id == AV_CODEC_ID_DIRAC)
        return false;
    // libtheora codes a frame equal to the one before as an empty packet, which FFmpeg's
    // decoder skips: every still hold of the book lost frames (42 of 52 came back).
    if (codec->id == AV_CODEC_ID_THEORA)
        return false;
    // Matroska refuses RealVideo's header.
    if ((codec->id == AV_CODEC_ID_RV10 || codec->id == AV_CODEC_ID_RV20) && container == FMovieContainer::Mkv)
        return false;
    return true;
}

template <typename Visit> void ForEachSoftwareVideoEncoder(Visit visit)
{
    void* state = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&state))
        if (codec->type == AVMEDIA_TYPE_VIDEO && av_codec_is_encoder(codec) && !IsHardwareEncoder(codec))
            if (!visit(codec))
                return;
}
} // namespace

FString EncoderFriendlyName(const AVCodec* codec)
{
    return FString::FromUtf8(codec->long_name && codec->long_name[0] ? codec->long_name : codec->name);
}

bool ContainerCarriesEncoder(FMovieContainer container, const AVCodec* codec)
{
    const AVOutputFormat* muxer = av_guess_format(MuxerName(container), nullptr, nullptr);
    return muxer && codec && avformat_query_codec(muxer, codec->id, FF_COMPLIANCE_NORMAL) == 1;
}

bool ListEncoders(std::vector<FEncoderNames>& encoders, FMovieContainer container)
{
    encoders.clear();
    ForEachSoftwareVideoEncoder([&](const AVCodec* codec) {
        if (ContainerCarriesEncoder(container, codec) && RoundTrips(container, codec))
            encoders.push_back({FString::FromUtf8(codec->name), EncoderFriendlyName(codec)});
        return encoders.size() < kMaxEncoders;
    });
    // u16string ordering is code unit by code unit with the shorter prefix first.
    std::stable_sort(encoders.begin(), encoders.end(), [](const FEncoderNames& a, const FEncoderNames& b) {
        return a.friendly.Str() < b.friendly.Str();
    });
    // Two FFmpeg encoders can share a long name (ProRes); a name picks the first anyway.
    encoders.erase(std::unique(encoders.begin(), encoders.end(),
                               [](const FEncoderNames& a, const FEncoderNames& b) { return a.friendly == b.friendly; }),
                   encoders.end());
    return !encoders.empty();
}

bool ListEncoders(std::vector<FString>& names, FMovieContainer container)
{
    std::vector<FEncoderNames> encoders;
    ListEncoders(encoders, container);
    names.clear();
    for (const FEncoderNames& encoder : encoders)
        names.push_back(encoder.friendly);
    return !names.empty();
}

const AVCodec* BestH264Encoder()
{
    const AVCodec* found = nullptr;
    ForEachSoftwareVideoEncoder([&](const AVCodec* codec) {
        // libx264rgb stores RGB, which few players show.
        if (codec->id == AV_CODEC_ID_H264 && std::strcmp(codec->name, "libx264rgb") != 0)
            found = codec;
        return found == nullptr;
    });
    return found;
}

const AVCodec* FindEncoderByName(const FString& name)
{
    if (name.IsEmpty())
        return nullptr;
    const AVCodec* found = nullptr;
    ForEachSoftwareVideoEncoder([&](const AVCodec* codec) {
        if (EncoderFriendlyName(codec) == name)
            found = codec;
        return found == nullptr;
    });
    if (found)
        return found;
    const std::string shortName = name.ToUtf8();
    ForEachSoftwareVideoEncoder([&](const AVCodec* codec) {
        if (shortName == codec->name)
            found = codec;
        return found == nullptr;
    });
    return found;
}
