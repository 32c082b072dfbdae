#include "render/RenderTargetSize.h"

#include <limits>

int32_t WidenToPowerOfTwo(int32_t size)
{
    int64_t power = 2;
    while (power < size)
        power *= 2;
    return power > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int32_t>(power);
}

FRenderTargetSize RenderTargetSizeForFactor(int32_t width, int32_t height, int32_t factor,
                                            const FRenderTargetLimits& limits)
{
    // 64-bit products: a silly frame size must fail the limits, not wrap into them.
    const auto scale = [factor](int32_t side) {
        const int64_t value = int64_t{side} * factor;
        return value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                           : static_cast<int32_t>(value);
    };
    FRenderTargetSize size{factor, scale(width), scale(height)};
    if (limits.powerOfTwoRequired) {
        size.width = WidenToPowerOfTwo(size.width);
        size.height = WidenToPowerOfTwo(size.height);
    }
    return size;
}

bool FitsRenderTargetLimits(const FRenderTargetSize& size, const FRenderTargetLimits& limits)
{
    if (size.width < 1 || size.height < 1)
        return false;
    for (int32_t limit : {limits.maxTextureSize, limits.maxRenderbufferSize, limits.sizeLimit})
        if (limit > 0 && (size.width > limit || size.height > limit))
            return false;
    return true;
}

FRenderTargetSize SearchRenderTargetSize(int32_t width, int32_t height, const FRenderTargetLimits& limits,
                                         const std::function<bool(const FRenderTargetSize&)>& create)
{
    if (width < 1 || height < 1)
        return {};
    for (int32_t factor = kLargestSupersamplingFactor; factor >= 1; --factor) {
        const FRenderTargetSize size = RenderTargetSizeForFactor(width, height, factor, limits);
        if (FitsRenderTargetLimits(size, limits) && create(size))
            return size;
    }
    return {};
}
