#include "photos/decode/FJpegDecoder.h"

#include "MediaTestImages.h"

#include <gtest/gtest.h>

TEST(FJpegDecoder, ABrokenFileLeavesNothingBehindForTheNext)
{
    // The texture loader keeps one decoder for a session: a broken header or a cut
    // file once left libjpeg mid-file, and every later photo failed with it.
    const std::string good = JpegBytes(Quadrants(48, 32));
    FJpegDecoder decoder;
    std::vector<uint8_t> pixels;
    int w = 0, h = 0;
    std::string reason;
    auto decode = [&](const std::string& jpeg, size_t size) {
        reason.clear();
        return decoder.Decode(reinterpret_cast<const uint8_t*>(jpeg.data()), size, 48, 48, pixels, w, h, &reason);
    };
    auto expectGoodStillDecodes = [&](const std::string& after) {
        ASSERT_TRUE(decode(good, good.size())) << after << ": " << reason;
        ASSERT_EQ(pixels.size(), 48u * 32 * 4);
        EXPECT_NEAR(pixels[(8 * 48 + 36) * 4 + 1], kTopRight.g, 12) << after;
    };
    // One byte changed, offset bytes after the first marker.
    const struct
    {
        const char* what;
        const char* marker;
        size_t offset;
        char value;
    } damage[] = {
        {"Huffman table class 6", "\xFF\xC4", 4, 0x60},
        {"frame without components", "\xFF\xC0", 9, 0},
        {"scan of 9 components", "\xFF\xDA", 4, 9},
        {"second SOI instead of APP0", "\xFF\xE0", 1, '\xD8'},
        {"marker length 1", "\xFF\xDB", 3, 1},
        {"APP0 running past the end", "\xFF\xE0", 2, '\xD7'}, // tables only, no frame
    };
    for (const auto& d : damage) {
        std::string bytes = good;
        ASSERT_NE(bytes.find(d.marker), std::string::npos) << d.what;
        bytes[bytes.find(d.marker) + d.offset] = d.value;
        if (decode(bytes, bytes.size()))
            EXPECT_EQ(pixels.size(), 48u * 32 * 4) << d.what;
        else
            EXPECT_EQ(reason.rfind("corrupt JPEG data: ", 0), 0u) << d.what << ": " << reason;
        expectGoodStillDecodes(std::string("after ") + d.what);
    }
    // Damage inside the scan is only a warning: a file that still ends properly is
    // shown rather than lost.
    std::string scanDamage = good;
    scanDamage.replace(good.size() - 20, 10, 10, '\x55');
    EXPECT_TRUE(decode(scanDamage, scanDamage.size())) << reason;
    // Every cut, through the headers and the scan.
    for (size_t cut = 1; cut < good.size() && !HasFatalFailure(); ++cut) {
        decode(good, cut);
        expectGoodStillDecodes("after a cut at byte " + std::to_string(cut));
    }
}
