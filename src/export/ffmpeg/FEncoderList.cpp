#include "export/ffmpeg/FEncoderList.h"

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

bool AviCarriesEncoder(const AVCodec* codec)
{
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    return avi && codec && avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) == 1;
}

bool ListEncoders(std::vector<FString>& names)
{
    names.clear();
    ForEachSoftwareVideoEncoder([&](const AVCodec* codec) {
        if (AviCarriesEncoder(codec))
            names.push_back(EncoderFriendlyName(codec));
        return names.size() < kMaxEncoders;
    });
    // u16string ordering is code unit by code unit with the shorter prefix first.
    std::sort(names.begin(), names.end(), [](const FString& a, const FString& b) { return a.Str() < b.Str(); });
    return !names.empty();
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
