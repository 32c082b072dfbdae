#pragma once
// Our own Truevision TGA reader. TGA has no magic number, so the header is
// validated strictly before anything else is believed, and every read is bounded
// by the input: a hostile file fails, it never reads or writes out of bounds.
// Standard library only, so the fuzzer builds it alone.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FTgaHeader
{
    int idLength = 0;
    int colourMapType = 0;
    int imageType = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    int width = 0;
    int height = 0;
    int pixelBits = 0;
    int descriptor = 0;
};

// False when the 18 header bytes do not describe an image this reader takes
// (types 1, 2, 3 and their RLE forms 9, 10, 11); *reason says why.
bool ParseTgaHeader(const uint8_t* data, size_t size, FTgaHeader& header, std::string* reason);

// True when the data ends with the TGA 2.0 footer signature.
bool HasTgaFooter(const uint8_t* data, size_t size);

// Decodes a whole file held in memory to RGBA8, top row first, into pixels
// (resized to width * height * 4; its capacity is reused). Images with more than
// maxPixels pixels or a side above maxSide are refused before any allocation.
// 32-bit pixels and 16-bit grey-with-alpha keep their alpha; all others are opaque.
bool DecodeTga(const uint8_t* data, size_t size, int64_t maxPixels, int maxSide, std::vector<uint8_t>& pixels,
               int& width, int& height, std::string* reason);
