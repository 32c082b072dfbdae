#pragma once
// Where one photo lies on a page: a whole number of page grid cells centred in
// the upper (rows 2..16) or lower (rows 18..32) band, and its own grid mesh that
// copies the page's bent positions and normals.

#include "render/FBookVertex.h"
#include "render/FGridMesh.h"

#include <cstdint>
#include <optional>
#include <span>

struct FPhotoSlot
{
    int32_t columnOffset = 0; // first page column covered
    int32_t rowOffset = 0;    // first page row covered
    int32_t columns = 0;      // 2..20
    int32_t rows = 0;         // 2..15
    int32_t rotation = 0;     // RotationCode: quarter turns in bits 0-1, mirror u bit 2, mirror v bit 3
    std::optional<FGridMesh> photoMesh;
};

// Fits a width x height photo (before rotation) into the slot and refills its mesh
// from the page grid (32 x 35 vertices). mirrorFlag is the page's flipNormals: a
// flipped page is seen from the other side, so the picture is mirrored back.
// False, with nothing to draw, for an empty photo or a too-small page array.
bool FitPhotoSlot(FPhotoSlot& slot, std::span<const FBookVertex> pageVertices, bool lowerHalf, bool mirrorFlag,
                  int32_t width, int32_t height, int32_t rotation);
