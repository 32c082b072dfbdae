#include "photos/decode/FTiffDecoder.h"

bool ReadTiffSize(const uint8_t*, size_t, int& width, int& height, std::string* reason)
{
    width = height = 0;
    if (reason)
        *reason = "TIFF is not read yet";
    return false;
}

bool DecodeTiff(const uint8_t* data, size_t size, const FDecodeLimits&, std::vector<uint8_t>&, int& width,
                int& height, int& orientation, FColourInfo&, std::string* reason)
{
    orientation = 1;
    return ReadTiffSize(data, size, width, height, reason);
}
