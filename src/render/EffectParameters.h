#pragma once
// The 22 names every effect may declare and the values the book hands them before
// each photo draw. An effect declares any subset; the rest are simply not set.
// Matrices stay row-major row-vector ones: uploaded untransposed, GLSL's
// "Matrix * vec4(p, 1)" is the book's p·M.

#include "render/FMatrix.h"
#include "render/FVector3.h"

#include <array>
#include <cstdint>

enum class FEffectParameterKind
{
    Texture,
    Vector, // vec4
    Matrix, // mat4
    Float,
};

struct FEffectParameterInfo
{
    const char* name;
    FEffectParameterKind kind;
};

inline constexpr int kEffectParameterCount = 22;
inline constexpr int kEffectTexture0 = 0;
inline constexpr int kEffectTexture1 = 1;
inline constexpr int kEffectTime = 21;

// In the order of the contract: MyTexture0, MyTexture1, MyTextureResolution0, ...
const std::array<FEffectParameterInfo, kEffectParameterCount>& EffectParameterTable();

// What a draw knows of the scene.
struct FEffectScene
{
    FMatrix world = FMatrix::Identity();
    FMatrix view = FMatrix::Identity();
    FMatrix projection = FMatrix::Identity();
    FVector3 lightPosition{};
    FVector3 eyePosition{};
};

// One value per parameter: vectors in data[0..3], floats in data[0], matrices in
// all 16 (row-major); textures carry nothing here.
struct FEffectValue
{
    std::array<float, 16> data{};
};

using FEffectValues = std::array<FEffectValue, kEffectParameterCount>;

FEffectValues ComputeEffectValues(const FEffectScene& scene, const std::array<float, 4>& textureResolution, float time);
