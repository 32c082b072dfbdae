#pragma once
// An indexed triangle grid as plain arrays: what the renderer uploads into a
// vertex and a 16-bit index buffer, and the CPU copy picking intersects.

#include "render/FBookVertex.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct FGridMesh
{
    int32_t columns = 0;
    int32_t rows = 0;
    std::vector<FBookVertex> vertices; // row by row: index = row * columns + column
    std::vector<uint16_t> indices;     // three per triangle
    // Bumped whenever the vertices are rewritten, so the renderer knows when to
    // upload them again without comparing arrays.
    uint32_t revision = 0;

    size_t VertexCount() const { return vertices.size(); }
    size_t FaceCount() const { return indices.size() / 3; }
};

// Flat grid of nc x nr vertices in the plane y = cy, 500 x 500 units centred on
// (cx, cz), normals up, white without alpha. None when the grid has no triangle or
// more vertices than 16-bit indices reach.
std::optional<FGridMesh> CreateGridMesh(float cx, float cy, float cz, int32_t nc, int32_t nr);

// Averaged face normals of an nc x nr vertex grid, negated when flip is set. A grid
// laid out like CreateGridMesh's gets normals pointing down (-y) unflipped. Does
// nothing when the array is smaller than the grid.
void ComputeGridNormals(std::span<FBookVertex> vertices, int32_t nc, int32_t nr, bool flip);

// Copies the vertices into the mesh only when the counts match exactly; returns
// whether it did. The mesh keeps its columns, rows and triangles, so the vertices
// must come in its shape: a grid of another shape needs a mesh of its own.
bool UploadVertices(FGridMesh& mesh, std::span<const FBookVertex> vertices);
