#include "render/EffectParameters.h"

#include <algorithm>

namespace {

using K = FEffectParameterKind;

constexpr std::array<FEffectParameterInfo, kEffectParameterCount> kTable = {{
    {"MyTexture0", K::Texture},
    {"MyTexture1", K::Texture},
    {"MyTextureResolution0", K::Vector},
    {"MyTextureResolution1", K::Vector},
    {"UVBounds0", K::Vector},
    {"UVBounds1", K::Vector},
    {"World", K::Matrix},
    {"View", K::Matrix},
    {"Projection", K::Matrix},
    {"WorldView", K::Matrix},
    {"ViewProjection", K::Matrix},
    {"WorldViewProjection", K::Matrix},
    {"WorldInverseTranspose", K::Matrix},
    {"AmbientCol", K::Vector},
    {"DiffuseCol", K::Vector},
    {"SpecularCol", K::Vector},
    {"LightPos", K::Vector},
    {"LightPosModelSpace", K::Vector},
    {"Power", K::Float},
    {"EyePos", K::Vector},
    {"EyePosModelSpace", K::Vector},
    {"Time", K::Float},
}};

FEffectValue Vector(float x, float y, float z, float w)
{
    FEffectValue v;
    v.data[0] = x;
    v.data[1] = y;
    v.data[2] = z;
    v.data[3] = w;
    return v;
}

FEffectValue Vector(const FVector4& v)
{
    return Vector(v.x, v.y, v.z, v.w);
}

FEffectValue Matrix(const FMatrix& m)
{
    FEffectValue v;
    std::copy(m.m.begin(), m.m.end(), v.data.begin());
    return v;
}

} // namespace

const std::array<FEffectParameterInfo, kEffectParameterCount>& EffectParameterTable()
{
    return kTable;
}

FEffectValues ComputeEffectValues(const FEffectScene& scene, const std::array<float, 4>& textureResolution, float time)
{
    // A singular world would leave nothing sensible to transform by: keep the
    // world-space values then.
    FMatrix worldInverse = FMatrix::Identity();
    Inverse(scene.world, &worldInverse);
    FMatrix worldInverseTranspose = scene.world;
    worldInverseTranspose.m[12] = worldInverseTranspose.m[13] = worldInverseTranspose.m[14] = 0;

    const FVector4 light{scene.lightPosition.x, scene.lightPosition.y, scene.lightPosition.z, 1};
    const FVector4 eye{scene.eyePosition.x, scene.eyePosition.y, scene.eyePosition.z, 1};
    const FMatrix worldView = scene.world * scene.view;

    FEffectValues values;
    values[2] = Vector(textureResolution[0], textureResolution[1], textureResolution[2], textureResolution[3]);
    values[3] = Vector(0, 0, 0, 0);
    values[4] = Vector(0, 1, 0, 1);
    values[5] = Vector(0, 1, 0, 1);
    values[6] = Matrix(scene.world);
    values[7] = Matrix(scene.view);
    values[8] = Matrix(scene.projection);
    values[9] = Matrix(worldView);
    values[10] = Matrix(scene.view * scene.projection);
    values[11] = Matrix(worldView * scene.projection);
    values[12] = Matrix(worldInverseTranspose);
    values[13] = Vector(1, 1, 1, 1);
    values[14] = Vector(1, 1, 1, 1);
    values[15] = Vector(1, 1, 1, 1);
    values[16] = Vector(light);
    values[17] = Vector(Transform(light, worldInverse));
    values[18].data[0] = 1000;
    values[19] = Vector(eye);
    values[20] = Vector(Transform(eye, worldInverse));
    values[kEffectTime].data[0] = time;
    return values;
}
