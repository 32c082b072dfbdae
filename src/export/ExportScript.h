#pragma once
// What a movie export plays: for every spread a fixed row of page turns, camera
// moves onto each photo and holds, each lasting a whole number of frames. Worked
// out up front from the settings and the photo count, so the driver only walks it.

#include "base/FSettings.h"
#include "base/FString.h"

#include <cstdint>
#include <vector>

// Everything an export reads, copied out of the settings store so nothing below the
// app reaches for it.
struct FExportSettings
{
    int32_t width = 640;
    int32_t height = 480;
    float pixelAspect = 1.0f;
    float framesPerSecond = 25.0f;
    int32_t timePage = 3; // seconds
    int32_t timeZoom = 3;
    int32_t timeView = 3;
    // Empty = uncompressed, or H.264 when h264 is set (the container's own choice
    // where it cannot hold H.264).
    FString encoderName;
    bool h264 = false;
    // 1..100: what the encoder trades for file size (a quantiser, CRF or bit rate).
    int32_t quality = kDefaultExportQuality;
    bool renderTransparentPage = true;
    // Audio files played in order under the movie, looped or cut to its length.
    std::vector<FString> musicFiles;
};

// The encoder is used only for compressed output (ExportType 1); ExportType 2 is
// H.264 (an MP4 unless the file's name says otherwise).
FExportSettings ExportSettingsFrom(const FSettings& settings);

// 64..5000 pixels each way, 0 < fps <= 100, 0 < pixel aspect <= 10.
bool ValidateExportSettings(const FExportSettings& settings);

inline constexpr int32_t kExportMinSize = 64;
inline constexpr int32_t kExportMaxSize = 5000;
inline constexpr float kExportMaxFps = 100.0f;
inline constexpr float kExportMaxPixelAspect = 10.0f;

struct FScriptTiming
{
    int32_t pageFrames = 0;
    int32_t zoomFrames = 0;
    int32_t viewFrames = 0;
};

// trunc(seconds x fps) for each phase: 3 s at 29.97 fps is 89 frames.
FScriptTiming ScriptTiming(const FExportSettings& settings);

enum class FStepKind
{
    PageTurn,        // step 0
    TransparentTurn, // step 8
    Hold,            // camera stays on one preset
    Move,            // camera eases from one preset to another
};

struct FScriptStep
{
    int32_t spread = 0;
    int32_t step = 0; // 0..14 within the spread
    FStepKind kind = FStepKind::Hold;
    int32_t frames = 0;
    uint32_t fromPreset = 0;
    uint32_t toPreset = 0;
};

inline constexpr int32_t kScriptStepCount = 15;
// The camera preset the script starts each spread from and comes back to: the
// whole book from the front.
inline constexpr uint32_t kFrontView = 0;
inline constexpr int32_t kTransparentStep = 8;

// Spreads of a book of photoCount photos (SpreadCount).
int32_t ExportSpreadCount(int32_t photoCount);

// The steps an export runs, in order. Steps that are skipped (camera steps past the
// last photo, the transparent turn when that page is off) are left out; steps of 0
// frames stay in, since their page and camera state still applies.
std::vector<FScriptStep> BuildExportScript(const FExportSettings& settings, int32_t photoCount);

int64_t ScriptFrameCount(const std::vector<FScriptStep>& script);

// Progress through a step of n frames: i / (n - 1). A single frame shows where the
// step ends (t = 1) rather than dividing by zero. A slideshow asks between frames:
// its last frame's time, up to where the next step starts, stays at 1.
float StepProgress(float i, int32_t n);

struct FClientSize
{
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FClientSize&) const = default;
};

// The preview window's client size for a width x height movie: halved (integer
// division) until it fits the screen with the window's frame around it. Never below
// one pixel, however small the screen.
FClientSize FitPreviewSize(int32_t width, int32_t height, int32_t frameWidth, int32_t frameHeight, int32_t screenWidth,
                           int32_t screenHeight);
