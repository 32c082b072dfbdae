#pragma once
// The output formats offered by the export settings dialog: row 0 is "Custom",
// then the usual computer, DVD, VCD and HDV frame sizes, then the sizes of today's
// screens and phones (4K, 50 fps, square, vertical). Rows are only ever added at
// the end: a row's number is what the dialog's list shows.

#include "base/FString.h"

#include <array>
#include <cstdint>

struct FExportPreset
{
    const char* name = "";
    int32_t width = 1;
    int32_t height = 1;
    float displayAspect = 1.0f;
    float pixelAspect = 1.0f;
    float framesPerSecond = 1.0f;
};

inline constexpr int kExportPresetCount = 26;
inline constexpr int kCustomPreset = 0;

// Built once, never changed.
const std::array<FExportPreset, kExportPresetCount>& ExportPresets();

// Pixel aspect that makes a width x height frame show at displayAspect, in single
// precision the way the table holds it (NTSC D1 holds 0.90000004, not 0.9).
float PixelAspectFor(float displayAspect, int32_t width, int32_t height);

// Display aspect of a width x height frame of this pixel aspect; 0 when height is 0.
float DisplayAspectFor(int32_t width, int32_t height, float pixelAspect);

// The first preset other than "Custom" with this size whose display aspect, pixel
// aspect and frame rate each lie within 0.01; kCustomPreset when none does.
int FindExportPreset(int32_t width, int32_t height, float displayAspect, float pixelAspect, float framesPerSecond);
