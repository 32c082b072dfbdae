#pragma once
// 4x4 float matrix in the Direct3D convention the book's drawing rules are written
// in: row vectors (p' = p·M), so A * B applies A first; left-handed; clip depth
// 0..w. The GL backend uploads m unchanged and converts depth at draw time.

#include "render/FVector3.h"

#include <array>

struct FVector4
{
    float x = 0, y = 0, z = 0, w = 0;

    bool operator==(const FVector4&) const = default;
};

struct FMatrix
{
    // Row-major: m[row * 4 + column]; the translation lies in m[12..14].
    std::array<float, 16> m{};

    float& operator()(int row, int column) { return m[row * 4 + column]; }
    float operator()(int row, int column) const { return m[row * 4 + column]; }
    bool operator==(const FMatrix&) const = default;

    static FMatrix Identity();
    static FMatrix Translation(float x, float y, float z);
    static FMatrix Scaling(float x, float y, float z);
    static FMatrix RotationX(float angle);
    static FMatrix RotationY(float angle);
    static FMatrix RotationZ(float angle);
    // Vertical field of view fov, aspect = width / height.
    static FMatrix PerspectiveFovLH(float fov, float aspect, float nearPlane, float farPlane);
};

FMatrix operator*(const FMatrix& a, const FMatrix& b);

FVector4 Transform(FVector4 v, const FMatrix& m);
// Position with w = 1, divided by the resulting w (unless that is 0).
FVector3 TransformCoord(FVector3 p, const FMatrix& m);
// Direction with w = 0: no translation.
FVector3 TransformNormal(FVector3 d, const FMatrix& m);

// False, and *out untouched, for a singular matrix. Picking needs the inverse view.
bool Inverse(const FMatrix& a, FMatrix* out);
