#pragma once
// One view onto the book: eye position, yaw, pitch, roll (radians) and the
// vertical field of view (radians). The settings keep ten of them as presets.

#include <array>

struct FCameraPose
{
    float eyeX = 0, eyeY = 0, eyeZ = 0;
    float yaw = 0, pitch = 0, roll = 0;
    float fov = 0;

    static constexpr int kValueCount = 7;
    float& operator[](int i) { return (&eyeX)[i]; }
    float operator[](int i) const { return (&eyeX)[i]; }
    bool operator==(const FCameraPose&) const = default;
};

inline constexpr int kCameraPresetCount = 10;
using FCameraPresets = std::array<FCameraPose, kCameraPresetCount>;

// The ten views a fresh installation starts with (also restored by "Reset All
// Settings"): front, top, left, right, the four photo positions, two side views.
const FCameraPresets& DefaultCameraPresets();
