#include "app/WindowRect.h"

#include <cstdint>

FRect ClampWindowRect(FRect r, int32_t screenWidth, int32_t screenHeight)
{
    // Each test sees the values as changed by the ones before it. Widths are
    // taken in 64 bits: a hand-edited "Window 100 100 -2147483648 ..." must not
    // overflow.
    auto span = [](int32_t from, int32_t to) { return int64_t{to} - int64_t{from}; };
    if (r.left < 0)
        r.left = 0;
    if (r.top < 0)
        r.top = 0;
    if (r.left >= screenWidth)
        r.left = 0;
    if (r.top >= screenHeight)
        r.top = 0;
    if (span(r.left, r.right) < 320)
        r.right = r.left + 320;
    if (span(r.top, r.bottom) < 240)
        r.bottom = r.top + 240;
    if (span(r.left, r.right) > screenWidth)
        r.right = r.left + screenWidth;
    if (span(r.top, r.bottom) > screenHeight)
        r.bottom = r.top + screenHeight;
    return r;
}
