#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FFmpegPtr.h"

#include "../base/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(EncoderList, OffersSoftwareAviEncodersByFriendlyName)
{
    std::vector<FString> names;
    ASSERT_TRUE(ListEncoders(names));
    EXPECT_LE(names.size(), static_cast<size_t>(kMaxEncoders));
    const FString mpeg4 = EncoderFriendlyName(avcodec_find_encoder_by_name("mpeg4"));
    EXPECT_NE(std::find(names.begin(), names.end(), mpeg4), names.end());

    for (const FString& name : names) {
        const AVCodec* codec = FindEncoderByName(name);
        ASSERT_NE(codec, nullptr) << U8(name);
        EXPECT_EQ(EncoderFriendlyName(codec), name);
        EXPECT_EQ(codec->type, AVMEDIA_TYPE_VIDEO);
        EXPECT_FALSE(codec->capabilities & AV_CODEC_CAP_HARDWARE) << codec->name;
        for (const char* device : {"vaapi", "nvenc", "qsv", "v4l2m2m", "amf", "vulkan", "omx"})
            EXPECT_EQ(std::string(codec->name).find(device), std::string::npos) << codec->name;
        EXPECT_TRUE(AviCarriesEncoder(codec)) << codec->name;
    }

    // Scripts may name an encoder by FFmpeg's short name; anything else must match exactly.
    EXPECT_EQ(FindEncoderByName(FString(u"mpeg4")), avcodec_find_encoder_by_name("mpeg4"));
    EXPECT_EQ(FindEncoderByName(FString::FromUtf8(U8(mpeg4).substr(1))), nullptr);
    EXPECT_EQ(FindEncoderByName(FString()), nullptr);
}
