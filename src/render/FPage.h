#pragma once
// One deformable page surface: a 32 x 35 vertex grid that bends from its rest
// place on the right (turn position 0) over the spine onto the left (TurnEnd),
// with two photo slots that follow the bend. The book keeps five of them.

#include "base/FColour.h"
#include "render/BookGeometry.h"
#include "render/FBookVertex.h"
#include "render/FGridMesh.h"
#include "render/FPageColumn.h"
#include "render/FPhotoSlot.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A photo to lay on a page: its texture's size in pixels and its RotationCode.
struct FPhotoSource
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t rotation = 0;

    bool operator==(const FPhotoSource&) const = default;
};

// What the renderer needs to draw a page after DrawPage has brought its
// geometry up to date. The texture and shininess come from its own records.
struct FPageDraw
{
    float position = 0;   // eased turn position the page was drawn at
    bool rebuilt = false; // DeformPage ran for this draw
    bool lit = true;
    float red = 1, green = 1, blue = 1, alpha = 1;
    FCull cull = FCull::CounterClockwise;
    bool depthTest = false;           // less-or-equal when set, always-pass otherwise
    std::array<bool, 2> photoDrawn{}; // per slot, set by DrawPageWithPhotos
};

class FPage
{
public:
    static constexpr int32_t kNoDirection = 100;

    struct FColumnPoint
    {
        float x = 0, y = 0;
    };

    FPage(bool flipNormals, bool transparent);

    // Column k at local turn amount t (clamped to 0..1): rest place at 0, mirrored
    // onto the left at 1.
    FColumnPoint ColumnPosition(int32_t k, float t) const;

    // Rebuilds vertices for builtPosition, bent as direction (+1 forward, -1
    // back, anything else flat delays) dictates, and uploads them to pageMesh.
    void DeformPage(int32_t direction);

    // Eases t, creates pageMesh if missing and rebuilds the grid only when the
    // eased position or the direction differs from the last build.
    FPageDraw DrawPage(float t, int32_t deformDirection, const FColour& paperColour);

    // DrawPage, then fits photoA into slot 0 (lower band) and photoB into slot 1
    // (upper band); a null source is a photo without texture and is skipped.
    FPageDraw DrawPageWithPhotos(float t, int32_t deformDirection, const FColour& paperColour,
                                 const FPhotoSource* photoA, const FPhotoSource* photoB);

    // Device loss: meshes go, and the next draw rebuilds the grid.
    void ReleaseMeshes();

    std::array<FPageColumn, kPageColumns> columns{};
    bool flipNormals = false;
    bool transparent = false;
    std::vector<FBookVertex> vertices;
    std::optional<FGridMesh> pageMesh;
    std::array<FPhotoSlot, 2> photoSlot{};
    std::vector<std::array<float, 3>> outline; // shadow-volume points, filled by the shadow code
    float builtPosition = 0;
    int32_t cachedDirection = kNoDirection;
    // Bumped by every DeformPage, so a slot is fitted again only after a bend.
    uint32_t vertexRevision = 0;

private:
    // What each slot was last fitted to, and on which vertices.
    struct FFitted
    {
        FPhotoSource source;
        uint32_t vertexRevision = 0;
        uint32_t meshRevision = 0; // the slot mesh's, in case it was refilled elsewhere
    };
    std::array<std::optional<FFitted>, 2> fitted_{};
};
