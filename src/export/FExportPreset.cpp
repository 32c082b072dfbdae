#include "export/FExportPreset.h"

#include <cmath>

namespace {

constexpr float k4x3 = 4.0f / 3.0f;
constexpr float k16x9 = 16.0f / 9.0f;
constexpr float kNtsc = 29.97f;
constexpr float kPal = 25.0f;
constexpr float k1x1 = 1.0f;
constexpr float k9x16 = 9.0f / 16.0f;

FExportPreset Row(const char* name, int32_t width, int32_t height, float displayAspect, float fps)
{
    return {name, width, height, displayAspect, PixelAspectFor(displayAspect, width, height), fps};
}

std::array<FExportPreset, kExportPresetCount> BuildPresets()
{
    return {{
        {"Custom", 1, 1, 1.0f, 1.0f, 1.0f},
        Row("Computer 4:3 - 320 x 240", 320, 240, k4x3, kPal),
        Row("Computer 4:3 - 500 x 375", 500, 375, k4x3, kPal),
        Row("Computer 4:3 - 640 x 480", 640, 480, k4x3, kPal),
        Row("Computer 4:3 - 800 x 600", 800, 600, k4x3, kPal),
        Row("Computer 16:9 - 640 x 360 Widescreen", 640, 360, k16x9, kPal),
        Row("Computer 16:9 - 1024 x 576 Widescreen", 1024, 576, k16x9, kPal),
        Row("NTSC VCD", 352, 240, k4x3, kNtsc),
        Row("NTSC SVCD", 480, 480, k4x3, kNtsc),
        Row("NTSC DVD", 720, 480, k4x3, kNtsc),
        Row("NTSC D1", 720, 486, k4x3, kNtsc),
        Row("NTSC DVD Widescreen", 720, 480, k16x9, kNtsc),
        Row("NTSC DV Square Pixel", 720, 540, k4x3, kNtsc),
        Row("PAL VCD", 352, 288, k4x3, kPal),
        Row("PAL SVCD", 480, 576, k4x3, kPal),
        Row("PAL DVD", 720, 576, k4x3, kPal),
        Row("PAL D1", 720, 576, k4x3, kPal),
        Row("PAL DVD Widescreen", 720, 576, k16x9, kPal),
        Row("PAL DV Square Pixel", 768, 576, k4x3, kPal),
        Row("HDV 1280 x 720", 1280, 720, k16x9, kPal),
        Row("HDV 1440 x 1080", 1440, 1080, k16x9, kPal),
        Row("HDV 1920 x 1080", 1920, 1080, k16x9, kPal),
        Row("UHD 4K 3840 x 2160", 3840, 2160, k16x9, kPal),
        Row("Full HD 1920 x 1080 (50 fps)", 1920, 1080, k16x9, 50.0f),
        Row("Square 1080 x 1080", 1080, 1080, k1x1, kPal),
        Row("Vertical 1080 x 1920 (phones)", 1080, 1920, k9x16, kPal),
    }};
}

} // namespace

const std::array<FExportPreset, kExportPresetCount>& ExportPresets()
{
    static const std::array<FExportPreset, kExportPresetCount> presets = BuildPresets();
    return presets;
}

float PixelAspectFor(float displayAspect, int32_t width, int32_t height)
{
    // The product is kept wider than float and rounded once at the end; rounding each
    // step gives 0.9 for NTSC D1 and 0.88888896 for NTSC DVD, not the table's values.
    return static_cast<float>(static_cast<double>(displayAspect) * height / width);
}

float DisplayAspectFor(int32_t width, int32_t height, float pixelAspect)
{
    if (height == 0)
        return 0.0f;
    return static_cast<float>(width) * pixelAspect / static_cast<float>(height);
}

int FindExportPreset(int32_t width, int32_t height, float displayAspect, float pixelAspect, float framesPerSecond)
{
    const auto& presets = ExportPresets();
    for (int i = 1; i < kExportPresetCount; ++i) {
        const FExportPreset& p = presets[static_cast<size_t>(i)];
        if (p.width == width && p.height == height && std::fabs(p.displayAspect - displayAspect) < 0.01f &&
            std::fabs(p.pixelAspect - pixelAspect) < 0.01f && std::fabs(p.framesPerSecond - framesPerSecond) < 0.01f)
            return i;
    }
    return kCustomPreset;
}
