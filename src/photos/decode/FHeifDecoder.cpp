#include "photos/decode/FHeifDecoder.h"

#include <cstring>

bool LooksLikeHeif(const uint8_t* data, size_t size)
{
    if (size < 12 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return false;
    static const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"};
    for (const char* brand : kBrands)
        if (std::memcmp(data + 8, brand, 4) == 0)
            return true;
    return false;
}

bool ReadHeifSize(const uint8_t*, size_t, int& width, int& height, std::string* reason)
{
    width = height = 0;
    if (reason)
        *reason = "HEIF is not read yet";
    return false;
}

bool DecodeHeif(const uint8_t* data, size_t size, bool, const FDecodeLimits&, std::vector<uint8_t>&, int& width,
                int& height, FColourInfo&, std::string* reason)
{
    return ReadHeifSize(data, size, width, height, reason);
}
