#pragma once
// Which mesh lies under the mouse: a ray from the last frame's matrices against
// the CPU copy of a mesh's triangles.

#include "render/FGridMesh.h"
#include "render/FMatrix.h"

// Distance along the ray to the nearest triangle hit (in units of dir's length),
// or -1 when the ray misses every triangle.
float IntersectMesh(const FGridMesh& mesh, FVector3 origin, FVector3 dir);

// The ray through client pixel (x, y) in mesh space, then IntersectMesh; -1 for
// no mesh or no hit.
float PickMesh(const FGridMesh* mesh, float x, float y, float clientWidth, float clientHeight, const FMatrix& world,
               const FMatrix& view, const FMatrix& projection);
