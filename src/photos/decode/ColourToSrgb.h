#pragma once
// The shared colour step: whatever a file's colour description says, the book
// shows sRGB. lcms2 turns an embedded ICC profile or an nclx description into an
// sRGB picture; an sRGB or undescribed file is left alone, byte for byte.

#include "photos/decode/FColourInfo.h"

#include <cstdint>
#include <string>

// Whether colour asks for anything to be done at all.
bool NeedsConversionToSrgb(const FColourInfo& colour);

// RGBA8 pixels, width x height packed rows, turned into sRGB in place; alpha is
// kept. A profile that cannot be used leaves the pixels as they were, and says
// why in *note (the photo is still shown).
void ConvertToSrgb(uint8_t* pixels, int width, int height, const FColourInfo& colour, std::string* note = nullptr);
