#include "app/WindowRect.h"

FRect ClampWindowRect(FRect r, int32_t screenWidth, int32_t screenHeight)
{
    // Each test sees the values as changed by the ones before it.
    if (r.left < 0)
        r.left = 0;
    if (r.top < 0)
        r.top = 0;
    if (r.left >= screenWidth)
        r.left = 0;
    if (r.top >= screenHeight)
        r.top = 0;
    if (r.right - r.left < 320)
        r.right = r.left + 320;
    if (r.bottom - r.top < 240)
        r.bottom = r.top + 240;
    if (r.right - r.left > screenWidth)
        r.right = r.left + screenWidth;
    if (r.bottom - r.top > screenHeight)
        r.bottom = r.top + screenHeight;
    return r;
}
