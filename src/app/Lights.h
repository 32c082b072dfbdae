#pragma once
// The four fixed places of the one point light. Not stored in the settings: every
// run starts with the left light.

#include "render/FVector3.h"

#include <array>
#include <cstdint>

enum class FLight : int32_t
{
    Left = 1,
    Right = 2,
    Top = 3,
    Front = 4,
};

inline constexpr FLight kStartLight = FLight::Left;

inline constexpr std::array<FVector3, 4> kLightPositions{{
    {-200, 200, 50},
    {200, 200, 50},
    {0, 300, 100},
    {0, 100, -100},
}};

inline constexpr FVector3 LightPosition(FLight light)
{
    return kLightPositions[static_cast<size_t>(static_cast<int32_t>(light) - 1)];
}
