#pragma once
// What a file says of its pixels' colour: an embedded ICC profile, or the code
// points of an nclx description (ISO/IEC 23091-2, as HEIF and AVIF carry them).
// Nothing at all means sRGB, as it always has.

#include <cstddef>
#include <cstdint>
#include <vector>

struct FColourInfo
{
    std::vector<uint8_t> icc; // the profile's bytes; empty when there is none
    // nclx code points; 0 where the file gives none. Colour primaries: 1 BT.709 (sRGB's),
    // 9 BT.2020, 11 DCI-P3, 12 Display P3. Transfer: 1, 6, 14, 15 BT.709's curve, 13 sRGB,
    // 8 linear, 16 PQ, 18 HLG.
    int primaries = 0;
    int transfer = 0;

    bool Empty() const { return icc.empty() && primaries == 0 && transfer == 0; }
};

// What every format's decoder is held to. A file that declares more than maxPixels
// pixels or a side over maxSide is refused before anything is allocated for it, and
// what a library allocates on its own stays within memoryBytes.
struct FDecodeLimits
{
    int64_t maxPixels = 120'000'000;
    int maxSide = 32768;
    size_t memoryBytes = size_t(1) << 30;
};
