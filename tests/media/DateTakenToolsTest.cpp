// The date taken survives the tools that make today's photo files: heif-enc,
// avifenc and cwebp carry a JPEG's EXIF block into HEIC, AVIF and WebP files,
// and it is found there.

#include "../base/TestFiles.h"
#include "../photos/ExifBytes.h"
#include "MediaTestImages.h"
#include "photos/PhotoMetadata.h"

namespace {

TEST(DateTakenTools, HeicAvifAndWebpKeepTheDateTheirJpegHad)
{
    ScratchDir dir;
    const std::string jpeg = JpegBytes(Quadrants(64, 48));
    WriteBytes(dir.file("source.jpg"), jpeg.substr(0, 2) + ExifSegment(ExifBlock("2018:02:03 04:05:06", "7")) +
                                           jpeg.substr(2));
    const std::pair<const char*, std::string> tools[] = {
        {"photo.heic", "heif-enc -q 60 " + dir.file("source.jpg") + " -o " + dir.file("photo.heic")},
        {"photo.avif", "avifenc -s 10 " + dir.file("source.jpg") + " " + dir.file("photo.avif")},
        {"photo.webp", "cwebp -quiet -metadata exif " + dir.file("source.jpg") + " -o " + dir.file("photo.webp")},
    };
    for (const auto& [name, command] : tools) {
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
        FDateTaken t;
        ASSERT_TRUE(PhotoDateTaken(FileReader(dir.fileF(name)), t)) << name;
        EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
                  std::vector<int>({2018, 2, 3, 4, 5, 6, 700}))
            << name;
    }
}

} // namespace
