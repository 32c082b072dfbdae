#pragma once
// EXIF blocks and JPEGs that carry them, put together byte by byte for the tests:
// only the parts the metadata readers look at.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline std::string Le(uint32_t v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>(v >> (8 * i) & 0xFF);
    return s;
}
inline std::string Be(uint32_t v, int n)
{
    std::string s;
    for (int i = n - 1; i >= 0; --i)
        s += static_cast<char>(v >> (8 * i) & 0xFF);
    return s;
}

// A little-endian TIFF block: IFD0 with the orientation and the Exif IFD, which
// holds the date, its sub-seconds and its offset (each left out when empty).
inline std::string ExifBlock(const std::string& date, const std::string& sub = "", const std::string& offset = "")
{
    std::vector<std::pair<uint16_t, std::string>> texts;
    texts.push_back({0x9003, date});
    if (!offset.empty())
        texts.push_back({0x9011, offset});
    if (!sub.empty())
        texts.push_back({0x9291, sub});
    const uint32_t exifIfd = 8 + 2 + 2 * 12 + 4;
    uint32_t data = exifIfd + 2 + static_cast<uint32_t>(texts.size()) * 12 + 4;
    std::string out = "II*" + std::string(1, '\0') + Le(8, 4) + Le(2, 2);
    out += Le(0x0112, 2) + Le(3, 2) + Le(1, 4) + Le(6, 4); // Orientation 6
    out += Le(0x8769, 2) + Le(4, 2) + Le(1, 4) + Le(exifIfd, 4) + Le(0, 4);
    std::string values;
    out += Le(static_cast<uint32_t>(texts.size()), 2);
    for (const auto& [tag, text] : texts) {
        const std::string value = text + '\0';
        out += Le(tag, 2) + Le(2, 2) + Le(static_cast<uint32_t>(value.size()), 4);
        if (value.size() <= 4) {
            out += value + std::string(4 - value.size(), '\0');
        } else {
            out += Le(data + static_cast<uint32_t>(values.size()), 4);
            values += value;
        }
    }
    return out + Le(0, 4) + values;
}

// The APP1 segment of an EXIF block.
inline std::string ExifSegment(const std::string& exif)
{
    const std::string app1 = "Exif" + std::string(2, '\0') + exif;
    return "\xFF\xE1" + Be(static_cast<uint32_t>(app1.size() + 2), 2) + app1;
}

// A JPEG's head and tail around the block, no picture.
inline std::string Jpeg(const std::string& exif)
{
    return "\xFF\xD8\xFF\xE0" + Be(4, 2) + "JF" + ExifSegment(exif) + "\xFF\xD9";
}

