#include "render/FPhotoSlot.h"

#include "render/BookGeometry.h"

#include <algorithm>
#include <utility>

bool FitPhotoSlot(FPhotoSlot& slot, std::span<const FBookVertex> pageVertices, bool lowerHalf, bool mirrorFlag,
                  int32_t width, int32_t height, int32_t rotation)
{
    if (width < 1 || height < 1 || pageVertices.size() < static_cast<size_t>(kPageVertexCount))
        return false;
    const int32_t quarterTurns = rotation & 3;
    if (quarterTurns == 1 || quarterTurns == 3)
        std::swap(width, height);

    // 64-bit so an absurd header size cannot overflow the products.
    int64_t columns = 20;
    int64_t rows = 20 * int64_t{height} / width;
    if (rows > 15) {
        rows = 15;
        columns = 15 * int64_t{width} / height;
    }
    slot.columns = static_cast<int32_t>(std::clamp<int64_t>(columns, 2, 20));
    slot.rows = static_cast<int32_t>(std::clamp<int64_t>(rows, 2, 15));
    slot.columnOffset = (kPageColumns - slot.columns) / 2;
    slot.rowOffset = (15 - slot.rows) / 2 + 2 + (lowerHalf ? 16 : 0);
    slot.rotation = rotation;

    const size_t count = static_cast<size_t>(slot.columns * slot.rows);
    // 20 x 6 and 8 x 15 hold as many vertices but not the same triangles: a
    // panorama followed by a portrait needs a mesh of its own shape.
    if (slot.photoMesh && (slot.photoMesh->columns != slot.columns || slot.photoMesh->rows != slot.rows))
        slot.photoMesh.reset();
    if (!slot.photoMesh)
        slot.photoMesh = CreateGridMesh(0, 0, 0, slot.columns, slot.rows);
    if (!slot.photoMesh || slot.photoMesh->VertexCount() != count)
        return false;

    const uint32_t white = PackColor(1, 1, 1);
    const float columnSteps = static_cast<float>(slot.columns - 1);
    const float rowSteps = static_cast<float>(slot.rows - 1);
    FGridMesh& mesh = *slot.photoMesh;
    for (int32_t j = 0; j < slot.rows; ++j)
        for (int32_t i = 0; i < slot.columns; ++i) {
            const FBookVertex& source =
                pageVertices[static_cast<size_t>((slot.rowOffset + j) * kPageColumns + slot.columnOffset + i)];
            FBookVertex& v = mesh.vertices[static_cast<size_t>(j * slot.columns + i)];
            v = source;
            v.diffuse = white;

            const float a = static_cast<float>(i) / columnSteps;
            const float b = static_cast<float>(j) / rowSteps;
            float u = 0, w = 0;
            switch (quarterTurns) {
            case 0:
                u = a;
                w = 1.0f - b;
                if (!mirrorFlag)
                    u = 1.0f - u;
                break;
            case 1:
                u = 1.0f - b;
                w = 1.0f - a;
                if (!mirrorFlag)
                    w = 1.0f - w;
                break;
            case 2:
                u = 1.0f - a;
                w = b;
                if (!mirrorFlag)
                    u = 1.0f - u;
                break;
            default:
                u = b;
                w = a;
                if (!mirrorFlag)
                    w = 1.0f - w;
                break;
            }
            if (rotation & 4)
                u = 1.0f - u;
            if (rotation & 8)
                w = 1.0f - w;
            v.u = u;
            v.v = w;
        }
    ++mesh.revision;
    return true;
}
