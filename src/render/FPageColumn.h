#pragma once
// One column of a page's rest profile, seen end-on along the spine.

struct FPageColumn
{
    float x = 0;      // flat distance from the spine
    float y = 0;      // rest height
    float radius = 0; // distance from the spine axis
    float angle = 0;  // rest angle from straight up, positive towards +x
};
