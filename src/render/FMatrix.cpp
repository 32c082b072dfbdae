#include "render/FMatrix.h"

#include <cmath>
#include <utility>

FMatrix FMatrix::Identity()
{
    return Scaling(1, 1, 1);
}

FMatrix FMatrix::Translation(float x, float y, float z)
{
    FMatrix r = Identity();
    r(3, 0) = x;
    r(3, 1) = y;
    r(3, 2) = z;
    return r;
}

FMatrix FMatrix::Scaling(float x, float y, float z)
{
    FMatrix r;
    r(0, 0) = x;
    r(1, 1) = y;
    r(2, 2) = z;
    r(3, 3) = 1;
    return r;
}

FMatrix FMatrix::RotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    FMatrix r = Identity();
    r(1, 1) = c;
    r(1, 2) = s;
    r(2, 1) = -s;
    r(2, 2) = c;
    return r;
}

FMatrix FMatrix::RotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    FMatrix r = Identity();
    r(0, 0) = c;
    r(0, 2) = -s;
    r(2, 0) = s;
    r(2, 2) = c;
    return r;
}

FMatrix FMatrix::RotationZ(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    FMatrix r = Identity();
    r(0, 0) = c;
    r(0, 1) = s;
    r(1, 0) = -s;
    r(1, 1) = c;
    return r;
}

FMatrix FMatrix::PerspectiveFovLH(float fov, float aspect, float nearPlane, float farPlane)
{
    const float yScale = 1.0f / std::tan(fov * 0.5f);
    const float xScale = yScale / aspect;
    const float depth = farPlane / (farPlane - nearPlane);
    FMatrix r;
    r(0, 0) = xScale;
    r(1, 1) = yScale;
    r(2, 2) = depth;
    r(2, 3) = 1;
    r(3, 2) = -nearPlane * depth;
    return r;
}

FMatrix operator*(const FMatrix& a, const FMatrix& b)
{
    FMatrix r;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a(row, k) * b(k, column);
            r(row, column) = sum;
        }
    return r;
}

FVector4 Transform(FVector4 v, const FMatrix& m)
{
    return {v.x * m(0, 0) + v.y * m(1, 0) + v.z * m(2, 0) + v.w * m(3, 0),
            v.x * m(0, 1) + v.y * m(1, 1) + v.z * m(2, 1) + v.w * m(3, 1),
            v.x * m(0, 2) + v.y * m(1, 2) + v.z * m(2, 2) + v.w * m(3, 2),
            v.x * m(0, 3) + v.y * m(1, 3) + v.z * m(2, 3) + v.w * m(3, 3)};
}

FVector3 TransformCoord(FVector3 p, const FMatrix& m)
{
    const FVector4 r = Transform({p.x, p.y, p.z, 1}, m);
    if (r.w == 0)
        return {r.x, r.y, r.z};
    return {r.x / r.w, r.y / r.w, r.z / r.w};
}

FVector3 TransformNormal(FVector3 d, const FMatrix& m)
{
    const FVector4 r = Transform({d.x, d.y, d.z, 0}, m);
    return {r.x, r.y, r.z};
}

bool Inverse(const FMatrix& a, FMatrix* out)
{
    // Gauss-Jordan with partial pivoting, in double so near-singular view
    // matrices of extreme poses still invert cleanly.
    double w[4][8];
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            w[row][column] = a(row, column);
            w[row][column + 4] = row == column ? 1.0 : 0.0;
        }
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row)
            if (std::fabs(w[row][column]) > std::fabs(w[pivot][column]))
                pivot = row;
        if (w[pivot][column] == 0.0)
            return false;
        if (pivot != column)
            for (int k = 0; k < 8; ++k)
                std::swap(w[pivot][k], w[column][k]);
        const double scale = 1.0 / w[column][column];
        for (int k = 0; k < 8; ++k)
            w[column][k] *= scale;
        for (int row = 0; row < 4; ++row) {
            if (row == column)
                continue;
            const double factor = w[row][column];
            for (int k = 0; k < 8; ++k)
                w[row][k] -= factor * w[column][k];
        }
    }
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            (*out)(row, column) = static_cast<float>(w[row][column + 4]);
    return true;
}
