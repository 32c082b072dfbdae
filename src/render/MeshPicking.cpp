#include "render/MeshPicking.h"

#include <cmath>

namespace {

// Moeller-Trumbore, both faces: picking must find a page whichever way it is wound.
bool IntersectTriangle(FVector3 origin, FVector3 dir, FVector3 a, FVector3 b, FVector3 c, float& t)
{
    const FVector3 e1 = b - a;
    const FVector3 e2 = c - a;
    const FVector3 p = Cross(dir, e2);
    const float det = Dot(e1, p);
    if (std::fabs(det) < 1e-12f)
        return false;
    const float inv = 1.0f / det;
    const FVector3 s = origin - a;
    const float u = Dot(s, p) * inv;
    if (u < 0.0f || u > 1.0f)
        return false;
    const FVector3 q = Cross(s, e1);
    const float v = Dot(dir, q) * inv;
    if (v < 0.0f || u + v > 1.0f)
        return false;
    t = Dot(e2, q) * inv;
    return t >= 0.0f;
}

} // namespace

float IntersectMesh(const FGridMesh& mesh, FVector3 origin, FVector3 dir)
{
    float nearest = -1.0f;
    const size_t count = mesh.indices.size() / 3 * 3;
    for (size_t i = 0; i < count; i += 3) {
        const uint16_t ia = mesh.indices[i], ib = mesh.indices[i + 1], ic = mesh.indices[i + 2];
        if (ia >= mesh.vertices.size() || ib >= mesh.vertices.size() || ic >= mesh.vertices.size())
            continue;
        const FBookVertex& a = mesh.vertices[ia];
        const FBookVertex& b = mesh.vertices[ib];
        const FBookVertex& c = mesh.vertices[ic];
        float t;
        if (IntersectTriangle(origin, dir, {a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}, t) &&
            (nearest < 0.0f || t < nearest))
            nearest = t;
    }
    return nearest;
}

float PickMesh(const FGridMesh* mesh, float x, float y, float clientWidth, float clientHeight, const FMatrix& world,
               const FMatrix& view, const FMatrix& projection)
{
    if (!mesh || clientWidth <= 0 || clientHeight <= 0)
        return -1.0f;
    const FVector3 viewDir{(2.0f * x / clientWidth - 1.0f) / projection(0, 0),
                           -(2.0f * y / clientHeight - 1.0f) / projection(1, 1), 1.0f};
    FMatrix inverseView, inverseWorld;
    if (!Inverse(view, &inverseView) || !Inverse(world, &inverseWorld))
        return -1.0f;
    FVector3 origin = TransformCoord({0, 0, 0}, inverseView);
    FVector3 dir = TransformNormal(viewDir, inverseView);
    origin = TransformCoord(origin, inverseWorld);
    dir = TransformNormal(dir, inverseWorld);
    return IntersectMesh(*mesh, origin, dir);
}
