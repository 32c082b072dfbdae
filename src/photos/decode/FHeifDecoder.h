#pragma once
// HEIF (HEIC) and AVIF through libheif: the primary image with its grid, overlay
// and alpha resolved and the container's rotation and mirroring (irot, imir)
// applied, 8 to 12 bits, monochrome or colour; of a sequence the first picture.
// The colr box comes back untouched: an ICC profile byte for byte, else the nclx
// primaries and transfer. Safe to use from several threads at once.

#include "photos/decode/FColourInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Whether the bytes start like a HEIF or AVIF file: an ftyp box whose major or
// compatible brands name HEIC, AVIF or plain HEIF (mif1, msf1).
bool LooksLikeHeif(const uint8_t* data, size_t size);

// The primary image's size as shown (after rotation), without decoding; false with *reason.
bool ReadHeifSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason);

// Decodes the primary image to RGBA8, top row first, upright, into pixels (resized
// to width * height * 4). thumbnail: its stored thumbnail instead, if it has one
// (false with *reason when not). Refused by limits before decoding. When the
// picture is more than twice minWidth x minHeight an 8-bit one comes back reduced
// by a whole factor, to no less than that: averaged before its colour conversion,
// which then costs a fraction.
bool DecodeHeif(const uint8_t* data, size_t size, bool thumbnail, const FDecodeLimits& limits,
                std::vector<uint8_t>& pixels, int& width, int& height, FColourInfo& colour, std::string* reason,
                int minWidth = 0, int minHeight = 0);
