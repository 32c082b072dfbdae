#include "photos/decode/ColourToSrgb.h"

bool NeedsConversionToSrgb(const FColourInfo&)
{
    return false;
}

void ConvertToSrgb(uint8_t*, int, int, const FColourInfo&, std::string*) {}
