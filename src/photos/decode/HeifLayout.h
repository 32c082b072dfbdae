#pragma once
// What a HEIF file's grids and overlays would make libheif do, read from the
// boxes before libheif composes them. libheif (1.15) allocates a grid's canvas
// by the size the grid's own description declares, whatever its ispe says, and
// decodes every tile reference however large or many: 60 bytes changed in a
// small photo made it take 6 GB and a minute.

#include "photos/decode/FColourInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Checks every grid and overlay item in the file: its canvas within limits and
// equal to its ispe, at most a few thousand tiles, the tiles' area not far above
// the canvas. False with *reason (after kind, e.g. "HEIC"). A file whose boxes
// cannot be walked passes: libheif then says what is wrong with it.
bool CheckHeifLayout(const uint8_t* data, size_t size, const FDecodeLimits& limits, const char* kind,
                     std::string* reason);
