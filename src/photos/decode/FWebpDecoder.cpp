#include "photos/decode/FWebpDecoder.h"

bool ReadWebpSize(const uint8_t*, size_t, int& width, int& height, std::string* reason)
{
    width = height = 0;
    if (reason)
        *reason = "WebP is not read yet";
    return false;
}

bool DecodeWebp(const uint8_t* data, size_t size, int, int, const FDecodeLimits&, std::vector<uint8_t>&, int& width,
                int& height, FColourInfo&, std::string* reason)
{
    return ReadWebpSize(data, size, width, height, reason);
}
