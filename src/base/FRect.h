#pragma once
// A rectangle in pixels, right and bottom exclusive, as window places are stored.

#include <cstdint>

struct FRect
{
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const FRect&) const = default;
};
