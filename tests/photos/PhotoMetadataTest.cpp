// The date a photo was taken, read from its EXIF block wherever the format keeps
// it, sorts the folder; a JPEG's colour profile is joined from its pieces. The
// files are put together byte by byte here: only the parts these readers look at.

#include "../app/AppTestSupport.h"
#include "photos/PhotoFolder.h"
#include "photos/PhotoMetadata.h"
#include "ExifBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

std::string PngChunk(const std::string& type, const std::string& data)
{
    return Be(static_cast<uint32_t>(data.size()), 4) + type + data + Be(0, 4); // the CRC is not looked at
}

// eXIf after the picture, where writers may put it.
std::string Png(const std::string& exif)
{
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", std::string(13, '\1')) + PngChunk("IDAT", "xyz") +
           PngChunk("eXIf", exif) + PngChunk("IEND", "");
}

std::string RiffChunk(const std::string& type, const std::string& data)
{
    return type + Le(static_cast<uint32_t>(data.size()), 4) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

std::string Webp(const std::string& exif)
{
    const std::string chunks =
        RiffChunk("VP8X", std::string(10, '\0')) + RiffChunk("VP8 ", "odd") + RiffChunk("EXIF", exif);
    return "RIFF" + Le(static_cast<uint32_t>(chunks.size() + 4), 4) + "WEBP" + chunks;
}

TEST(PhotoMetadata, TheDateTakenComesFromEveryContainer)
{
    const std::string block = ExifBlock("2019:05:04 10:20:30", "25", "+02:00");
    const std::pair<const char*, std::string> files[] = {
        {"JPEG", Jpeg(block)}, {"PNG", Png(block)}, {"WebP", Webp(block)}, {"TIFF", block}};
    ScratchDir dir;
    for (const auto& [what, bytes] : files) {
        WriteBytes(dir.file("photo"), bytes);
        for (const FByteReader& reader :
             {MemoryReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), FileReader(dir.fileF("photo"))}) {
            FDateTaken t;
            ASSERT_TRUE(PhotoDateTaken(reader, t)) << what;
            EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
                      std::vector<int>({2019, 5, 4, 10, 20, 30, 250}))
                << what;
            EXPECT_TRUE(t.hasOffset);
            EXPECT_EQ(t.offsetMinutes, 120) << what;
        }
        const std::vector<uint8_t> exif = FindExif(MemoryReader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        if (std::string(what) != "TIFF") {
            EXPECT_EQ(ExifOrientationFromTiff(exif.data(), exif.size()), 6) << what;
        }
    }
    // Cut off anywhere before the date's end, or with a date a camera writes when
    // it does not know one: no date, and no read past the end.
    for (size_t n = 0; n < block.find("2019:05:04") + 20; n += 3) {
        FDateTaken t;
        EXPECT_FALSE(ExifDateTaken(reinterpret_cast<const uint8_t*>(block.data()), n, t)) << n;
    }
    for (const char* unknown : {"0000:00:00 00:00:00", "    :  :     :  :  ", "2019:13:04 10:20:30"}) {
        const std::string b = ExifBlock(unknown);
        FDateTaken t;
        EXPECT_FALSE(ExifDateTaken(reinterpret_cast<const uint8_t*>(b.data()), b.size(), t)) << unknown;
    }
}

// Copies made in reverse order: their file dates say the opposite of their EXIF.
TEST(PhotoMetadata, SortByDateFollowsTheDateTakenNotTheFileTimes)
{
    TestApp t;
    const std::string folder = t.dir.file("copied");
    std::filesystem::create_directory(folder);
    const std::pair<const char*, std::string> taken[] = {
        {"c.jpg", ExifBlock("2021:07:01 12:00:00", "900", "+00:00")},
        {"a.jpg", ExifBlock("2021:07:01 12:00:00", "100", "+00:00")}, // the same second, earlier
        {"b.jpg", ExifBlock("2021:07:01 13:30:00", "", "+02:00")},    // 11:30 UTC: first of all
    };
    for (const auto& [name, exif] : taken) {
        WriteBytes(folder + "/" + name, Jpeg(exif));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    WriteBytes(folder + "/d.jpg", "no EXIF: the file's own date, the newest");
    ASSERT_TRUE(t.app.ScanFolder(FString::FromUtf8(folder + "/a.jpg"), true, 0));
    std::string order;
    for (int i = 0; i < t.app.photoCount; ++i)
        order += t.app.photoPaths[static_cast<size_t>(i)].FileNamePart().ToUtf8() + " ";
    EXPECT_EQ(order, "b.jpg a.jpg c.jpg d.jpg ");
}

TEST(PhotoMetadata, AJpegsColourProfileIsJoinedFromItsPieces)
{
    const auto app2 = [](int sequence, int count, const std::string& piece) {
        const std::string body = std::string("ICC_PROFILE") + '\0' + char(sequence) + char(count) + piece;
        return "\xFF\xE2" + Be(static_cast<uint32_t>(body.size() + 2), 2) + body;
    };
    const auto profile = [](const std::string& segments) {
        const std::string jpeg = "\xFF\xD8" + segments + "\xFF\xDA" + Be(2, 2);
        const std::vector<uint8_t> p = JpegIccProfile(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size());
        return std::string(p.begin(), p.end());
    };
    EXPECT_EQ(profile(app2(2, 2, "second") + app2(1, 2, "first ")), "first second");
    EXPECT_EQ(profile(app2(1, 3, "a") + app2(3, 3, "c")), "") << "a piece missing";
    EXPECT_EQ(profile(app2(1, 1, "a") + app2(1, 1, "b")), "") << "a piece twice";
}

} // namespace
