#include "render/FRenderStates.h"

FMaterial MakeMaterial(float r, float g, float b, float a, bool shiny)
{
    FMaterial material;
    material.diffuse = {r, g, b, a};
    material.ambient = {r, g, b, a};
    if (shiny) {
        material.specular = {1, 1, 1, 1};
        material.power = 1000;
    }
    return material;
}

FLightRecord MakeLight(FLightType type, float x, float y, float z)
{
    FLightRecord light;
    light.type = type;
    light.diffuse = {1, 1, 1, 0};
    light.specular = {1, 1, 1, 1};
    light.position = {x, y, z};
    light.direction = Normalize(FVector3{x, y, z});
    light.range = 10000;
    light.falloff = 1;
    light.attenuation0 = 1;
    return light;
}

FDrawStates ComputeDrawStates(bool lit, bool textured, bool shiny, const FColourValue& colour, FCull cull,
                              bool depthTest)
{
    FDrawStates states;
    states.cull = cull;
    states.lighting = lit;
    states.vertexColour = !lit;
    states.modulateTexture = textured;
    states.alphaBlend = colour.alpha != 1.0f;
    if (states.alphaBlend)
        states.cull = FCull::None;
    states.specular = shiny;
    states.depthFunc = depthTest ? FDepthFunc::LessEqual : FDepthFunc::Always;
    states.material = MakeMaterial(colour.red, colour.green, colour.blue, colour.alpha, shiny);
    return states;
}

uint32_t ColourToArgb(float r, float g, float b)
{
    const auto channel = [](float value) {
        return static_cast<uint32_t>(static_cast<int32_t>(value * 255.0f)) & 0xFFu;
    };
    return 0xFF000000u | channel(r) << 16 | channel(g) << 8 | channel(b);
}

FColourValue ArgbToColour(uint32_t argb)
{
    return {static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>(argb >> 24) / 255.0f};
}
