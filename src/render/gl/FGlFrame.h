#pragma once
// The smallest frame the device can draw: the whole back buffer cleared.

struct FGlClearColour
{
    float red, green, blue;
};

// Clears colour, depth and stencil of the current context's back buffer.
void GlClearFrame(const FGlClearColour& colour, int width, int height);
