#pragma once
// Phones and cameras store a portrait shot as landscape pixels plus an EXIF
// Orientation tag. These read that tag from the bytes of a JPEG (APP1 "Exif")
// or a PNG (eXIf chunk) and turn decoded pixels upright. Every read is bounded
// by the buffer: the bytes come from whatever a folder holds.

#include "photos/PhotoMetadata.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The tag's value 1..8: 1 upright, 2 mirrored left to right, 3 turned half way,
// 4 mirrored top to bottom, 5 mirrored along the main diagonal, 6 to be turned a
// quarter clockwise, 7 mirrored along the other diagonal, 8 to be turned a quarter
// counter-clockwise. 1 when there is no tag or it cannot be read.
int JpegExifOrientation(const uint8_t* data, size_t size);
int PngExifOrientation(const uint8_t* data, size_t size);

// 5 to 8 exchange width and height.
inline bool OrientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// RGBA8 pixels, width x height packed rows as stored, turned upright into out
// (resized; its capacity is kept); width and height become the upright size.
void OrientPixels(const uint8_t* pixels, int& width, int& height, int orientation, std::vector<uint8_t>& out);
