#pragma once
// PNG through libpng, row by row. Rows are box-averaged as they arrive down to
// no less than the size the caller needs, so a small texture of a huge PNG costs
// memory for the texture, not for the image (a few kilobytes of PNG can hold
// 100 megapixels). 16-bit samples are cut to 8 on the way in. No state between
// calls: safe to use from several threads at once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The declared size, without decoding; false with *reason for a broken header.
bool ReadPngSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason);

// Decodes to RGBA8, top row first, reduced by whole factors across and down to
// no less than minWidth x minHeight (full size when the image is not larger).
// pixels is resized to width * height * 4 and keeps its capacity. Images with
// more than maxPixels pixels or a side above maxSide are refused before any
// allocation. Interlaced images keep only their odd rows when reduced, and are
// decoded whole first at full height: libpng spreads each row over seven passes.
// icc, when given, receives the embedded colour profile (iCCP), or is emptied.
bool DecodePng(const uint8_t* data, size_t size, int minWidth, int minHeight, int64_t maxPixels, int maxSide,
               std::vector<uint8_t>& pixels, int& width, int& height, std::string* reason,
               std::vector<uint8_t>* icc = nullptr);
