#include "photos/PhotoMetadata.h"

#include "base/FFile.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace {

// Far above any real metadata; a file claiming more is not believed.
constexpr size_t kMaxExifBytes = size_t(1) << 20;
constexpr size_t kMaxMetaBoxBytes = size_t(4) << 20;
// Enough for the APP segments a JPEG keeps before its picture.
constexpr size_t kJpegHead = size_t(256) << 10;
// Chunks walked to find one that may follow the picture.
constexpr int kMaxChunks = 100000;

uint32_t Be16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}
uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Some writers put the "Exif\0\0" of the JPEG segment into other formats too.
void SkipExifHeader(std::vector<uint8_t>& block)
{
    static const uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (block.size() >= sizeof kExif && std::memcmp(block.data(), kExif, sizeof kExif) == 0)
        block.erase(block.begin(), block.begin() + sizeof kExif);
}

// Calls visit(marker, body, size) for each segment before the picture's data
// until it returns false.
template <typename Visit> void ForEachJpegSegment(const uint8_t* data, size_t size, Visit visit)
{
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the picture: metadata comes before it
            return;
        const size_t length = Be16(data + at + 2);
        if (length < 2 || length > size - at - 2)
            return;
        if (!visit(marker, data + at + 4, length - 2))
            return;
        at += 2 + length;
    }
}

// A TIFF structure read through a reader, offsets counted from base.
class FTiff
{
public:
    FTiff(const FByteReader& read, uint64_t base) : read_(read), base_(base)
    {
        std::vector<uint8_t> head;
        if (!read_(base_, 8, head))
            return;
        big_ = head[0] == 'M' && head[1] == 'M';
        if (!big_ && !(head[0] == 'I' && head[1] == 'I'))
            return;
        if (U16(head.data() + 2) != 42)
            return;
        first_ = U32(head.data() + 4);
        ok_ = true;
    }
    bool Ok() const { return ok_; }
    uint32_t FirstIfd() const { return first_; }

    struct Entry
    {
        uint32_t type = 0, count = 0;
        uint8_t value[4] = {};
    };
    // The entry of tag in the directory at ifd, if it has one.
    std::optional<Entry> Find(uint32_t ifd, uint16_t tag) const
    {
        std::vector<uint8_t> bytes;
        if (ifd < 8 || !read_(base_ + ifd, 2, bytes))
            return std::nullopt;
        const uint32_t entries = std::min<uint32_t>(U16(bytes.data()), 4096);
        if (!read_(base_ + ifd + 2, static_cast<size_t>(entries) * 12, bytes))
            return std::nullopt;
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = bytes.data() + i * 12;
            if (U16(e) != tag)
                continue;
            Entry entry;
            entry.type = U16(e + 2);
            entry.count = U32(e + 4);
            std::memcpy(entry.value, e + 8, 4);
            return entry;
        }
        return std::nullopt;
    }
    // A SHORT or LONG value (LONG from a few careless writers where SHORT belongs).
    std::optional<uint32_t> Number(uint32_t ifd, uint16_t tag) const
    {
        const std::optional<Entry> e = Find(ifd, tag);
        if (!e || e->count < 1)
            return std::nullopt;
        if (e->type == 3)
            return U16(e->value);
        if (e->type == 4 || e->type == 13) // LONG, IFD
            return U32(e->value);
        return std::nullopt;
    }
    // An ASCII value, up to its first zero byte.
    std::string Text(uint32_t ifd, uint16_t tag) const
    {
        const std::optional<Entry> e = Find(ifd, tag);
        if (!e || e->type != 2 || e->count == 0 || e->count > 256)
            return std::string();
        std::vector<uint8_t> bytes;
        if (e->count <= 4)
            bytes.assign(e->value, e->value + e->count);
        else if (!read_(base_ + U32(e->value), e->count, bytes))
            return std::string();
        std::string text(bytes.begin(), bytes.end());
        return text.substr(0, text.find('\0'));
    }

private:
    uint32_t U16(const uint8_t* p) const { return big_ ? Be16(p) : uint32_t(p[0]) | uint32_t(p[1]) << 8; }
    uint32_t U32(const uint8_t* p) const { return big_ ? Be32(p) : Le32(p); }

    const FByteReader& read_;
    uint64_t base_;
    bool big_ = false;
    bool ok_ = false;
    uint32_t first_ = 0;
};

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kExifIfdTag = 0x8769;
constexpr uint16_t kDateTimeOriginalTag = 0x9003;
constexpr uint16_t kOffsetTimeOriginalTag = 0x9011;
constexpr uint16_t kSubSecTimeOriginalTag = 0x9291;

bool Digits(const std::string& text, size_t at, size_t n, int& value)
{
    if (at + n > text.size())
        return false;
    value = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool DateTakenFromTiff(const FTiff& tiff, FDateTaken& taken)
{
    if (!tiff.Ok())
        return false;
    const std::optional<uint32_t> exif = tiff.Number(tiff.FirstIfd(), kExifIfdTag);
    if (!exif)
        return false;
    // "YYYY:MM:DD HH:MM:SS"; blanks or zeros where the camera did not know.
    const std::string date = tiff.Text(*exif, kDateTimeOriginalTag);
    FDateTaken t;
    if (date.size() < 19 || !Digits(date, 0, 4, t.year) || !Digits(date, 5, 2, t.month) ||
        !Digits(date, 8, 2, t.day) || !Digits(date, 11, 2, t.hour) || !Digits(date, 14, 2, t.minute) ||
        !Digits(date, 17, 2, t.second))
        return false;
    if (t.year < 1800 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 60)
        return false;
    // Sub-seconds: the digits are a decimal fraction, however many there are.
    const std::string sub = tiff.Text(*exif, kSubSecTimeOriginalTag);
    int scale = 100;
    for (const char c : sub) {
        if (c < '0' || c > '9' || scale == 0)
            break;
        t.millisecond += (c - '0') * scale;
        scale /= 10;
    }
    // "+HH:MM" or "-HH:MM".
    const std::string offset = tiff.Text(*exif, kOffsetTimeOriginalTag);
    int hours = 0, minutes = 0;
    if (offset.size() >= 6 && (offset[0] == '+' || offset[0] == '-') && Digits(offset, 1, 2, hours) &&
        offset[3] == ':' && Digits(offset, 4, 2, minutes) && hours <= 14 && minutes < 60) {
        t.hasOffset = true;
        t.offsetMinutes = (offset[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
    }
    taken = t;
    return true;
}

std::vector<uint8_t> JpegExif(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> block;
    ForEachJpegSegment(data, size, [&](uint8_t marker, const uint8_t* body, size_t n) {
        static const uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
        // The first Exif segment decides; XMP shares the marker under another name.
        if (marker != 0xE1 || n < sizeof kExif || std::memcmp(body, kExif, sizeof kExif) != 0)
            return true;
        block.assign(body + sizeof kExif, body + n);
        return false;
    });
    return block;
}

// PNG's eXIf and WebP's EXIF may follow the picture: every chunk header is walked
// (each one a jump). first: where the chunks start; bigEndian lengths for PNG,
// little-endian ones padded to even lengths for WebP's RIFF.
std::vector<uint8_t> ChunkExif(const FByteReader& read, uint64_t first, bool png)
{
    std::vector<uint8_t> header, block;
    uint64_t at = first;
    for (int i = 0; i < kMaxChunks && read(at, 8, header); ++i) {
        const uint32_t length = png ? Be32(header.data()) : Le32(header.data() + 4);
        const uint8_t* type = header.data() + (png ? 4 : 0);
        const uint64_t data = at + 8;
        if (std::memcmp(type, png ? "eXIf" : "EXIF", 4) == 0) {
            if (length > kMaxExifBytes || !read(data, length, block))
                return {};
            SkipExifHeader(block);
            return block;
        }
        if (png && std::memcmp(type, "IEND", 4) == 0)
            break;
        at = data + length + (png ? 4 : (length & 1));
    }
    return {};
}

// ISO base media boxes: the box of type at [from, end), its contents' [start, end).
bool FindBox(const FByteReader& read, uint64_t from, uint64_t end, const char* type, uint64_t& start,
             uint64_t& boxEnd)
{
    std::vector<uint8_t> header;
    for (int i = 0; i < kMaxChunks && from + 8 <= end && read(from, 8, header); ++i) {
        uint64_t size = Be32(header.data());
        uint64_t headerSize = 8;
        if (size == 1) {
            if (!read(from + 8, 8, header))
                return false;
            size = uint64_t(Be32(header.data())) << 32 | Be32(header.data() + 4);
            headerSize = 16;
            if (!read(from, 8, header)) // the type again
                return false;
        } else if (size == 0) {
            size = end - from;
        }
        if (size < headerSize || size > end - from)
            return false;
        if (std::memcmp(header.data() + 4, type, 4) == 0) {
            start = from + headerSize;
            boxEnd = from + size;
            return true;
        }
        from += size;
    }
    return false;
}

// The Exif item of a HEIF or AVIF file: its number from the item infos, its bytes
// where the item locations put them.
std::vector<uint8_t> HeifExif(const FByteReader& read, uint64_t fileEnd)
{
    uint64_t metaStart = 0, metaEnd = 0;
    if (!FindBox(read, 0, fileEnd, "meta", metaStart, metaEnd) || metaEnd - metaStart > kMaxMetaBoxBytes)
        return {};
    std::vector<uint8_t> meta;
    if (!read(metaStart, static_cast<size_t>(metaEnd - metaStart), meta) || meta.size() < 4)
        return {};
    const FByteReader inMeta = MemoryReader(meta.data(), meta.size());
    const uint64_t end = meta.size();
    uint64_t start = 0, stop = 0;
    // meta is a full box: its version and flags come first.
    if (!FindBox(inMeta, 4, end, "iinf", start, stop) || stop - start < 6)
        return {};
    const uint8_t* p = meta.data() + start;
    const uint8_t version = p[0];
    uint64_t at = start + (version == 0 ? 6 : 8);
    std::optional<uint32_t> exifItem;
    uint64_t infeStart = 0, infeEnd = 0;
    while (!exifItem && FindBox(inMeta, at, stop, "infe", infeStart, infeEnd)) {
        const uint8_t* e = meta.data() + infeStart;
        const size_t n = static_cast<size_t>(infeEnd - infeStart);
        if (n >= 12 && e[0] == 2 && std::memcmp(e + 8, "Exif", 4) == 0)
            exifItem = Be16(e + 4);
        else if (n >= 14 && e[0] == 3 && std::memcmp(e + 10, "Exif", 4) == 0)
            exifItem = Be32(e + 4);
        at = infeEnd;
    }
    if (!exifItem || !FindBox(inMeta, 4, end, "iloc", start, stop) || stop - start < 8)
        return {};
    const uint8_t* l = meta.data() + start;
    const uint8_t* lEnd = meta.data() + stop;
    const uint8_t ilocVersion = l[0];
    const int offsetSize = l[4] >> 4, lengthSize = l[4] & 15, baseSize = l[5] >> 4;
    const int indexSize = ilocVersion == 1 || ilocVersion == 2 ? (l[5] & 15) : 0;
    const uint8_t* q = l + 6;
    auto number = [&](int bytes, uint64_t& value) {
        value = 0;
        if (bytes != 0 && bytes != 4 && bytes != 8)
            return false;
        if (lEnd - q < bytes)
            return false;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | *q++;
        return true;
    };
    uint64_t items = 0;
    if (ilocVersion < 2) { // a 16-bit count
        if (lEnd - q < 2)
            return {};
        items = Be16(q);
        q += 2;
    } else if (!number(4, items)) {
        return {};
    }
    for (uint64_t i = 0; i < items && i < 65536; ++i) {
        uint64_t id = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (ilocVersion < 2) {
            if (lEnd - q < 2)
                return {};
            id = Be16(q);
            q += 2;
        } else if (!number(4, id)) {
            return {};
        }
        if (ilocVersion == 1 || ilocVersion == 2) {
            if (lEnd - q < 2)
                return {};
            method = Be16(q) & 15;
            q += 2;
        }
        if (lEnd - q < 2)
            return {};
        reference = Be16(q);
        q += 2;
        if (!number(baseSize, base) || lEnd - q < 2)
            return {};
        extents = Be16(q);
        q += 2;
        std::vector<uint8_t> item, piece;
        for (uint64_t x = 0; x < extents; ++x) {
            uint64_t index = 0, offset = 0, length = 0;
            if (!number(indexSize, index) || !number(offsetSize, offset) || !number(lengthSize, length))
                return {};
            if (id != *exifItem)
                continue;
            // Only items in the file itself; a zero length runs to its end.
            if (method != 0 || reference != 0 || base + offset > fileEnd)
                return {};
            if (length == 0)
                length = fileEnd - base - offset;
            if (length > kMaxExifBytes || item.size() + length > kMaxExifBytes || !read(base + offset, length, piece))
                return {};
            item.insert(item.end(), piece.begin(), piece.end());
        }
        if (id != *exifItem)
            continue;
        // The item begins with where its TIFF header lies after these four bytes.
        if (item.size() < 4)
            return {};
        const uint64_t skip = 4 + uint64_t(Be32(item.data()));
        if (skip >= item.size())
            return {};
        item.erase(item.begin(), item.begin() + static_cast<ptrdiff_t>(skip));
        SkipExifHeader(item);
        return item;
    }
    return {};
}

} // namespace

FByteReader MemoryReader(const uint8_t* data, size_t size)
{
    FByteReader reader;
    reader.size = data ? size : 0;
    reader.read = [data](uint64_t offset, size_t length, std::vector<uint8_t>& out) {
        out.assign(data + offset, data + offset + length);
        return true;
    };
    return reader;
}

FByteReader FileReader(const FString& path)
{
    auto file = std::make_shared<FFile>(path, false);
    FByteReader reader;
    reader.size = file->ok() ? static_cast<uint64_t>(file->Size()) : 0;
    reader.read = [file](uint64_t offset, size_t length, std::vector<uint8_t>& out) {
        if (!file->Seek(static_cast<int64_t>(offset)))
            return false;
        out.resize(length);
        return length == 0 || file->Read(out.data(), length);
    };
    return reader;
}

std::vector<uint8_t> FindExif(const FByteReader& read)
{
    std::vector<uint8_t> head;
    if (!read(0, 12, head))
        return {};
    static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (head[0] == 0xFF && head[1] == 0xD8) {
        if (!read(0, static_cast<size_t>(std::min<uint64_t>(read.size, kJpegHead)), head))
            return {};
        return JpegExif(head.data(), head.size());
    }
    if (std::memcmp(head.data(), kPng, sizeof kPng) == 0)
        return ChunkExif(read, sizeof kPng, true);
    if (std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "WEBP", 4) == 0)
        return ChunkExif(read, 12, false);
    if (std::memcmp(head.data() + 4, "ftyp", 4) == 0)
        return HeifExif(read, read.size);
    return {};
}

int ExifOrientationFromTiff(const uint8_t* data, size_t size)
{
    if (!data)
        return 1;
    const FByteReader read = MemoryReader(data, size);
    const FTiff tiff(read, 0);
    if (!tiff.Ok())
        return 1;
    const std::optional<uint32_t> value = tiff.Number(tiff.FirstIfd(), kOrientationTag);
    return value && *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
}

bool ExifDateTaken(const uint8_t* data, size_t size, FDateTaken& taken)
{
    if (!data)
        return false;
    const FByteReader read = MemoryReader(data, size);
    return DateTakenFromTiff(FTiff(read, 0), taken);
}

bool ExifThumbnail(const uint8_t* data, size_t size, size_t& offset, size_t& length)
{
    if (!data)
        return false;
    const FByteReader read = MemoryReader(data, size);
    const FTiff tiff(read, 0);
    if (!tiff.Ok())
        return false;
    // IFD1, the thumbnail's, follows IFD0's entries.
    std::vector<uint8_t> bytes;
    const uint32_t ifd0 = tiff.FirstIfd();
    if (!read(ifd0, 2, bytes))
        return false;
    const uint32_t entries = data[0] == 'M' ? Be16(bytes.data()) : uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8;
    if (!read(ifd0 + 2 + uint64_t(entries) * 12, 4, bytes))
        return false;
    const uint32_t ifd1 = data[0] == 'M' ? Be32(bytes.data()) : Le32(bytes.data());
    const std::optional<uint32_t> at = tiff.Number(ifd1, 0x0201), n = tiff.Number(ifd1, 0x0202);
    if (!at || !n || *n < 4 || *at > size || *n > size - *at)
        return false;
    offset = *at;
    length = *n;
    return data[offset] == 0xFF && data[offset + 1] == 0xD8;
}

bool PhotoDateTaken(const FByteReader& read, FDateTaken& taken)
{
    const FTiff tiff(read, 0);
    if (tiff.Ok())
        return DateTakenFromTiff(tiff, taken);
    const std::vector<uint8_t> exif = FindExif(read);
    return ExifDateTaken(exif.data(), exif.size(), taken);
}

std::vector<uint8_t> JpegIccProfile(const uint8_t* data, size_t size)
{
    static const uint8_t kIcc[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    std::map<int, std::pair<const uint8_t*, size_t>> pieces;
    int count = 0;
    bool consistent = true;
    ForEachJpegSegment(data, size, [&](uint8_t marker, const uint8_t* body, size_t n) {
        if (marker != 0xE2 || n < sizeof kIcc + 2 || std::memcmp(body, kIcc, sizeof kIcc) != 0)
            return true;
        const int sequence = body[sizeof kIcc], total = body[sizeof kIcc + 1];
        if (sequence < 1 || total < 1 || (count != 0 && total != count) || pieces.count(sequence))
            consistent = false;
        count = total;
        pieces[sequence] = {body + sizeof kIcc + 2, n - sizeof kIcc - 2};
        return true;
    });
    std::vector<uint8_t> profile;
    if (!consistent || count == 0 || static_cast<int>(pieces.size()) != count)
        return profile;
    for (const auto& [sequence, piece] : pieces) {
        if (sequence > count)
            return {};
        profile.insert(profile.end(), piece.first, piece.first + piece.second);
    }
    return profile;
}
