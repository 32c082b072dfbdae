#pragma once
// Everything one frame of the book shows, as plain values: the app composes it
// from its state, the GL renderer only reads it, and picking lays out the same
// pages from it. Nothing here points back into the application.

#include "base/FColour.h"
#include "render/FGpuTexture.h"
#include "render/FMatrix.h"
#include "render/FVector3.h"

#include <array>
#include <cstdint>
#include <span>

// A photo on one face of a page. No texture: nothing is drawn in that place.
struct FFramePhoto
{
    const FGpuTexture* texture = nullptr;
    int32_t width = 0; // the picture's own size in pixels
    int32_t height = 0;
    int32_t rotation = 0; // RotationCode
    int32_t index = -1;   // in the photo list; -1 for none
    float effectTime = 0; // seconds, for the photo's effect

    bool IsDrawn() const { return texture != nullptr && width > 0 && height > 0; }
};

// One draw of a page object (0 left, 1 and 2 the turning sheet's faces, 3 right,
// 4 the transparent sheet) at a turn position, bent as direction says; photo 0
// lies in the lower band, photo 1 in the upper one.
struct FFramePage
{
    int32_t page = 0;
    float position = 0;
    int32_t direction = 0;
    std::array<FFramePhoto, 2> photos{};
};

inline constexpr int32_t kFramePageCount = 5;
inline constexpr int32_t kLeftPage = 0;
inline constexpr int32_t kTurningPageFront = 1;
inline constexpr int32_t kTurningPageBack = 2;
inline constexpr int32_t kRightPage = 3;
inline constexpr int32_t kTransparentPage = 4;

struct FFrame
{
    FMatrix world = FMatrix::Identity();
    FMatrix view = FMatrix::Identity();
    FMatrix projection = FMatrix::Identity();
    FVector3 eye{};
    FVector3 light{};
    // To the export's render target instead of the screen.
    bool toRenderTarget = false;
    bool wireframe = false;

    FColour background{};
    FColour cover{};
    FColour paper{};
    bool shinyPaper = false;
    bool shinyPhotos = false;
    bool lightenPhotos = false;
    // Keeps the loaded effect; false drops it (its path was forgotten).
    bool effect = false;

    const FGpuTexture* backgroundTexture = nullptr;
    const FGpuTexture* coverTexture = nullptr;
    const FGpuTexture* paperTexture = nullptr;
    const FGpuTexture* transparentPaperTexture = nullptr;

    // In drawing order; the transparent sheet may appear twice.
    std::array<FFramePage, 6> pages{};
    int32_t pageCount = 0;
    // Page objects that cast stencil shadows, once all pages are laid out.
    std::array<int32_t, 4> shadowCasters{};
    int32_t shadowCasterCount = 0;
    bool shadows = false;
    // Where the transparent sheet lies once this frame is drawn.
    float transparentPosition = 0;

    std::span<const FFramePage> Pages() const { return {pages.data(), static_cast<size_t>(pageCount)}; }
    std::span<const int32_t> ShadowCasters() const
    {
        return {shadowCasters.data(), static_cast<size_t>(shadowCasterCount)};
    }
};
