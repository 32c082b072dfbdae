#pragma once
// The CPU copy of a rendered frame: rows top to bottom, four bytes per pixel in
// the order B, G, R, X (X unused), as the movie conversion reads it.

#include <cstddef>
#include <cstdint>
#include <vector>

struct FRenderTargetCopy
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0; // bytes per row, width * 4
    std::vector<uint8_t> pixels;

    const uint8_t* Row(int32_t y) const { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch); }
};
