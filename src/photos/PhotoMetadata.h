#pragma once
// What photo files say of themselves beside their pixels, read from their bytes
// by hand: the EXIF block (the orientation, the date the photo was taken) wherever
// the format keeps it, and a JPEG's ICC profile. Every read is bounded: the bytes
// come from whatever a folder holds.

#include "base/FString.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A file's or a buffer's bytes, read where they are asked for: length bytes at
// offset into out; false past the end.
struct FByteReader
{
    uint64_t size = 0;
    std::function<bool(uint64_t offset, size_t length, std::vector<uint8_t>& out)> read;
    bool operator()(uint64_t offset, size_t length, std::vector<uint8_t>& out) const
    {
        return read && offset <= size && length <= size - offset && read(offset, length, out);
    }
};
FByteReader MemoryReader(const uint8_t* data, size_t size);
// The file's bytes as they are asked for (a few small reads, however large it is).
FByteReader FileReader(const FString& path);

// The EXIF block (a TIFF structure) of a JPEG (APP1 "Exif"), PNG (eXIf chunk),
// WebP (EXIF chunk), TIFF (the file itself) or HEIF/AVIF file (its Exif item);
// empty when the file has none or is none of these.
std::vector<uint8_t> FindExif(const FByteReader& read);

// The Orientation tag (1..8) of an EXIF block; 1 when it has none.
int ExifOrientationFromTiff(const uint8_t* data, size_t size);

struct FDateTaken
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int millisecond = 0;   // from the sub-seconds, when given
    bool hasOffset = false; // the offset from UTC is known (else: local time where it was taken)
    int offsetMinutes = 0;
};
// DateTimeOriginal (with SubSecTimeOriginal and OffsetTimeOriginal) of an EXIF
// block; false when it has none or an impossible one.
bool ExifDateTaken(const uint8_t* data, size_t size, FDateTaken& taken);
// The same for a whole file of any of the formats above, TIFF included.
bool PhotoDateTaken(const FByteReader& read, FDateTaken& taken);

// Where the thumbnail a camera keeps in an EXIF block (a small JPEG) lies within
// the block; false when there is none.
bool ExifThumbnail(const uint8_t* data, size_t size, size_t& offset, size_t& length);

// The ICC profile a JPEG carries in its APP2 "ICC_PROFILE" segments, joined in
// their order; empty when there is none or its pieces do not add up.
std::vector<uint8_t> JpegIccProfile(const uint8_t* data, size_t size);
