#pragma once
// The size of the supersampled export target: the movie frame times the largest
// factor of 4, 3, 2, 1 the device can serve. Pure, so the fallback order can be
// tested without a device that runs out of room.

#include <cstdint>
#include <functional>

struct FRenderTargetLimits
{
    int32_t maxTextureSize = 0;      // 0: no limit known
    int32_t maxRenderbufferSize = 0; // 0: no limit known
    // An extra cap on either side (0: none). Tests set it to force the fallback;
    // nothing else needs it.
    int32_t sizeLimit = 0;
    // Devices that only take power-of-two textures get their sizes widened.
    bool powerOfTwoRequired = false;
};

struct FRenderTargetSize
{
    int32_t factor = 0; // 0: no factor worked
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FRenderTargetSize&) const = default;
};

inline constexpr int32_t kLargestSupersamplingFactor = 4;

// The smallest power of two at least size; sizes below 3 become 2.
int32_t WidenToPowerOfTwo(int32_t size);

// width x height times factor, widened when the device requires powers of two.
FRenderTargetSize RenderTargetSizeForFactor(int32_t width, int32_t height, int32_t factor,
                                            const FRenderTargetLimits& limits);

// Whether a size stays within every limit (and is at least 1 x 1).
bool FitsRenderTargetLimits(const FRenderTargetSize& size, const FRenderTargetLimits& limits);

// Tries factors 4, 3, 2, 1: sizes beyond the limits are skipped without asking,
// the others go to create, and the first it accepts is the result. Factor 0 (and
// size 0 x 0) when none worked.
FRenderTargetSize SearchRenderTargetSize(int32_t width, int32_t height, const FRenderTargetLimits& limits,
                                         const std::function<bool(const FRenderTargetSize&)>& create);
