#pragma once
// Three floats for positions, normals and directions; the arithmetic stays in
// float32 so geometry built from it rounds the same way everywhere.

#include <cmath>

struct FVector3
{
    float x = 0, y = 0, z = 0;

    bool operator==(const FVector3&) const = default;
};

inline FVector3 operator+(FVector3 a, FVector3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline FVector3 operator-(FVector3 a, FVector3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline FVector3 operator-(FVector3 a)
{
    return {-a.x, -a.y, -a.z};
}
inline FVector3 operator*(FVector3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}

inline float Dot(FVector3 a, FVector3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline FVector3 Cross(FVector3 a, FVector3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float Length(FVector3 a)
{
    return std::sqrt(Dot(a, a));
}

// A zero vector stays zero instead of turning into NaNs.
inline FVector3 Normalize(FVector3 a)
{
    const float length = Length(a);
    return length > 0 ? FVector3{a.x / length, a.y / length, a.z / length} : FVector3{};
}
