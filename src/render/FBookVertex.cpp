#include "render/FBookVertex.h"

namespace {
// Truncates towards zero, then clamps; NaN counts as 0. Clamping in float first
// keeps the conversion defined for huge inputs and gives the same result.
uint32_t ToChannel(float value, uint32_t highest)
{
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= static_cast<float>(highest))
        return highest;
    return static_cast<uint32_t>(scaled);
}

uint32_t PackRgb(float r, float g, float b)
{
    return (ToChannel(r, 255) << 16) | (ToChannel(g, 255) << 8) | ToChannel(b, 255);
}
} // namespace

uint32_t PackColor(float r, float g, float b)
{
    return PackRgb(r, g, b);
}

uint32_t PackColorAlpha(float r, float g, float b, float transparency)
{
    // Opaque deliberately ends up as 254, not 255: page vertices have always
    // carried 0xFE and nothing downstream may start treating them differently.
    const uint32_t alpha = transparency <= 0.0f ? 254 : ToChannel(1.0f - transparency, 254);
    return (alpha << 24) | PackRgb(r, g, b);
}
