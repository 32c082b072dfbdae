#pragma once
// WebP through libwebp: lossy and lossless, with alpha, and the first frame of an
// animation. The colour profile (ICCP chunk) comes back untouched. Safe to use from
// several threads at once.

#include "photos/decode/FColourInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The declared size (of the canvas), without decoding; false with *reason.
bool ReadWebpSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason);

// Decodes to RGBA8 (alpha not multiplied in), top row first, scaled down while
// decoding to no less than minWidth x minHeight when the picture is larger (aspect
// kept), else at full size. An animation's first frame comes composed on its
// canvas, at the canvas's full size. pixels is resized to width * height * 4; on
// failure it is empty, width and height 0. Refused by limits before decoding.
bool DecodeWebp(const uint8_t* data, size_t size, int minWidth, int minHeight, const FDecodeLimits& limits,
                std::vector<uint8_t>& pixels, int& width, int& height, FColourInfo& colour, std::string* reason);
