#pragma once
// TIFF through libtiff, read from memory: the first page, 8 or 16 bits, RGB, grey
// or palette, striped or tiled, compressed as libtiff knows (LZW, Deflate, JPEG,
// PackBits). The Orientation tag and the colour profile come back untouched; the
// shared step turns the picture upright. Safe to use from several threads at once.

#include "photos/decode/FColourInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The first page's declared size, without decoding; false with *reason.
bool ReadTiffSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason);

// Decodes the first page to RGBA8 (alpha not multiplied in), top row first as
// stored (not turned), into pixels (resized to width * height * 4; on failure empty,
// width and height 0). orientation: the tag's value 1..8, 1 without one. Refused by
// limits before decoding, and before the picture is allocated when its strips or
// tiles lie past the file's end or are too few bytes for its size; libtiff's own
// allocations stay within limits.memoryBytes / 2 each.
bool DecodeTiff(const uint8_t* data, size_t size, const FDecodeLimits& limits, std::vector<uint8_t>& pixels,
                int& width, int& height, int& orientation, FColourInfo& colour, std::string* reason);
