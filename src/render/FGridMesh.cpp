#include "render/FGridMesh.h"

#include "render/FBookVertex.h"
#include "render/FVector3.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<FGridMesh> CreateGridMesh(float cx, float cy, float cz, int32_t nc, int32_t nr)
{
    if (nc < 2 || nr < 2)
        return std::nullopt;
    const int64_t vertexCount = int64_t{nc} * nr;
    if (vertexCount > int64_t{std::numeric_limits<uint16_t>::max()} + 1)
        return std::nullopt;

    FGridMesh mesh;
    mesh.columns = nc;
    mesh.rows = nr;
    mesh.vertices.resize(static_cast<size_t>(vertexCount));
    const uint32_t white = PackColor(1, 1, 1);
    const float columnSteps = static_cast<float>(nc - 1);
    const float rowSteps = static_cast<float>(nr - 1);
    for (int32_t row = 0; row < nr; ++row)
        for (int32_t col = 0; col < nc; ++col) {
            FBookVertex& v = mesh.vertices[static_cast<size_t>(row * nc + col)];
            v.x = cx - 250.0f + static_cast<float>(col) * 500.0f / columnSteps;
            v.y = cy;
            v.z = cz - 250.0f + static_cast<float>(row) * 500.0f / rowSteps;
            v.nx = 0;
            v.ny = 1;
            v.nz = 0;
            v.diffuse = white;
            v.u = static_cast<float>(col) / columnSteps;
            v.v = 1.0f - static_cast<float>(row) / rowSteps;
        }

    mesh.indices.reserve(static_cast<size_t>(6 * (nc - 1) * (nr - 1)));
    for (int32_t row = 0; row < nr - 1; ++row)
        for (int32_t col = 0; col < nc - 1; ++col) {
            const auto a = static_cast<uint16_t>(row * nc + col);
            const auto b = static_cast<uint16_t>(a + 1);
            const auto c = static_cast<uint16_t>(a + nc);
            const auto d = static_cast<uint16_t>(a + nc + 1);
            mesh.indices.insert(mesh.indices.end(), {a, b, c, b, d, c});
        }
    return mesh;
}

namespace {
FVector3 PositionOf(const FBookVertex& v)
{
    return {v.x, v.y, v.z};
}

// Tiny components come from rounding noise on nearly flat quads; dropping them
// keeps such quads' normals from tilting at random.
FVector3 CutCross(FVector3 a, FVector3 b)
{
    constexpr float kCut = 1.0f / 16384.0f;
    FVector3 c = Cross(a, b);
    if (std::fabs(c.x) < kCut)
        c.x = 0;
    if (std::fabs(c.y) < kCut)
        c.y = 0;
    if (std::fabs(c.z) < kCut)
        c.z = 0;
    return c;
}

void AddNormal(FBookVertex& v, FVector3 n)
{
    v.nx += n.x;
    v.ny += n.y;
    v.nz += n.z;
}
} // namespace

void ComputeGridNormals(std::span<FBookVertex> vertices, int32_t nc, int32_t nr, bool flip)
{
    if (nc < 1 || nr < 1 || vertices.size() < static_cast<size_t>(nc) * static_cast<size_t>(nr))
        return;
    const size_t count = static_cast<size_t>(nc) * static_cast<size_t>(nr);
    for (size_t i = 0; i < count; ++i)
        vertices[i].nx = vertices[i].ny = vertices[i].nz = 0;

    for (int32_t row = 0; row < nr - 1; ++row)
        for (int32_t col = 0; col < nc - 1; ++col) {
            FBookVertex& v00 = vertices[static_cast<size_t>(row * nc + col)];
            FBookVertex& v10 = vertices[static_cast<size_t>(row * nc + col + 1)];
            FBookVertex& v01 = vertices[static_cast<size_t>((row + 1) * nc + col)];
            FBookVertex& v11 = vertices[static_cast<size_t>((row + 1) * nc + col + 1)];
            const FVector3 p00 = PositionOf(v00), p10 = PositionOf(v10);
            const FVector3 p01 = PositionOf(v01), p11 = PositionOf(v11);

            const FVector3 na = Normalize(CutCross(p10 - p00, p01 - p00));
            AddNormal(v00, na);
            AddNormal(v10, na);
            AddNormal(v01, na);
            const FVector3 nb = Normalize(CutCross(p01 - p11, p10 - p11));
            AddNormal(v10, nb);
            AddNormal(v01, nb);
            AddNormal(v11, nb);
        }

    for (size_t i = 0; i < count; ++i) {
        FBookVertex& v = vertices[i];
        FVector3 n = Normalize({v.nx, v.ny, v.nz});
        if (flip)
            n = -n;
        v.nx = n.x;
        v.ny = n.y;
        v.nz = n.z;
    }
}

bool UploadVertices(FGridMesh& mesh, std::span<const FBookVertex> vertices)
{
    if (mesh.vertices.size() != vertices.size())
        return false;
    std::copy(vertices.begin(), vertices.end(), mesh.vertices.begin());
    ++mesh.revision;
    return true;
}
