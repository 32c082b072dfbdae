#pragma once
// The draw states of the book in the fixed-function terms its drawing rules use
// (material, light, cull, blend, depth), as plain values. The GL backend turns
// them into uniforms and GL state; keeping them here lets tests check the rules
// without a device.

#include "render/BookGeometry.h"
#include "render/FVector3.h"

#include <cstdint>

struct FColourValue
{
    float red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const FColourValue&) const = default;
};

struct FMaterial
{
    FColourValue diffuse;
    FColourValue ambient;
    FColourValue specular;
    FColourValue emissive;
    float power = 0;
    bool operator==(const FMaterial&) const = default;
};

enum class FLightType : int32_t
{
    Point = 1,
    Spot = 2,
    Directional = 3,
};

struct FLightRecord
{
    FLightType type = FLightType::Point;
    FColourValue diffuse;
    FColourValue specular;
    FColourValue ambient;
    FVector3 position;
    FVector3 direction;
    float range = 0;
    float falloff = 0;
    float attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
    float theta = 0, phi = 0;
};

// Diffuse = ambient = the colour; shiny adds white specular of power 1000.
FMaterial MakeMaterial(float r, float g, float b, float a, bool shiny);
// White light at (x, y, z), no attenuation, range 10000; direction is the
// normalised position (unused by a point light, kept as the record has it).
FLightRecord MakeLight(FLightType type, float x, float y, float z);

enum class FDepthFunc : int32_t
{
    LessEqual,
    Always,
};

// Everything one mesh draw sets. Depth writes are always on.
struct FDrawStates
{
    FCull cull = FCull::CounterClockwise;
    bool lighting = false;
    bool vertexColour = true;     // diffuse from the vertex instead of the material
    bool modulateTexture = false; // stage 0: texture x diffuse, else diffuse alone
    bool alphaBlend = false;
    bool specular = false;
    FDepthFunc depthFunc = FDepthFunc::LessEqual;
    FMaterial material;
};

// The state rules of a mesh draw: blending exactly when alpha is not 1.0, and
// then no culling, since a see-through sheet shows both faces.
FDrawStates ComputeDrawStates(bool lit, bool textured, bool shiny, const FColourValue& colour, FCull cull,
                              bool depthTest);

// 0..1 channels to a 32-bit colour with alpha 255 (each channel trunc(255 x value),
// low 8 bits), as the ambient light and the clear colour take it.
uint32_t ColourToArgb(float r, float g, float b);
FColourValue ArgbToColour(uint32_t argb);
