#pragma once
// A colour of the book's surfaces: 0..1 channels, as the settings store them.

struct FColour
{
    float red = 0, green = 0, blue = 0;
    bool operator==(const FColour&) const = default;
};
