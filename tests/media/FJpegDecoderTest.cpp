#include "photos/decode/FJpegDecoder.h"

#include "MediaTestImages.h"

#include <gtest/gtest.h>

namespace {

bool DecodeBytes(FJpegDecoder& decoder, const std::string& jpeg, size_t size, int target, std::vector<uint8_t>& pixels,
                 int& w, int& h, std::string* reason = nullptr)
{
    return decoder.Decode(reinterpret_cast<const uint8_t*>(jpeg.data()), size, target, target, pixels, w, h, reason);
}

// The file with one byte changed, offset bytes after the first marker; empty when
// there is no such marker.
std::string Damaged(std::string jpeg, const char* marker, size_t offset, uint8_t value)
{
    const size_t at = jpeg.find(marker);
    if (at == std::string::npos)
        return {};
    jpeg[at + offset] = static_cast<char>(value);
    return jpeg;
}

} // namespace

TEST(FJpegDecoder, ABrokenFileLeavesNothingBehindForTheNext)
{
    // The texture loader keeps one decoder for a session: a broken header or a cut
    // file once left libjpeg mid-file, and every later photo failed with it.
    const std::string good = JpegBytes(Quadrants(48, 32));
    const std::pair<const char*, std::string> damage[] = {
        {"Huffman table class 6", Damaged(good, "\xFF\xC4", 4, 0x60)},
        {"quantisation table number 15", Damaged(good, "\xFF\xDB", 4, 0x0F)},
        {"frame without components", Damaged(good, "\xFF\xC0", 9, 0)},
        {"sample precision 3", Damaged(good, "\xFF\xC0", 4, 3)},
        {"scan of 9 components", Damaged(good, "\xFF\xDA", 4, 9)},
        {"second SOI instead of APP0", Damaged(good, "\xFF\xE0", 1, 0xD8)},
        {"marker length 1", Damaged(good, "\xFF\xDB", 3, 1)},
        {"APP0 running past the end", Damaged(good, "\xFF\xE0", 2, 0xD7)}, // tables only, no frame
    };
    FJpegDecoder decoder;
    std::vector<uint8_t> pixels;
    int w = 0, h = 0;
    auto expectGoodStillDecodes = [&](const std::string& what) {
        std::string reason;
        ASSERT_TRUE(DecodeBytes(decoder, good, good.size(), 48, pixels, w, h, &reason)) << what << ": " << reason;
        ASSERT_EQ(pixels.size(), 48u * 32 * 4);
        EXPECT_NEAR(pixels[(8 * 48 + 36) * 4 + 1], kTopRight.g, 12) << what;
    };
    for (const auto& [what, bytes] : damage) {
        ASSERT_FALSE(bytes.empty()) << what;
        std::string reason;
        if (DecodeBytes(decoder, bytes, bytes.size(), 48, pixels, w, h, &reason))
            EXPECT_EQ(pixels.size(), 48u * 32 * 4) << what;
        else
            EXPECT_EQ(reason.rfind("corrupt JPEG data: ", 0), 0u) << what << ": " << reason;
        expectGoodStillDecodes(std::string("after ") + what);
    }
    // Damage inside the scan is only a warning: a file that still ends properly is
    // shown rather than lost.
    std::string scanDamage = good;
    scanDamage.replace(good.size() - 20, 10, 10, '\x55');
    EXPECT_TRUE(DecodeBytes(decoder, scanDamage, scanDamage.size(), 48, pixels, w, h));
    // Every cut, through the headers and the scan.
    for (size_t cut = 1; cut < good.size(); ++cut) {
        DecodeBytes(decoder, good, cut, 48, pixels, w, h);
        expectGoodStillDecodes("after a cut at byte " + std::to_string(cut));
        if (HasFatalFailure())
            return;
    }
}
