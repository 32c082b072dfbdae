#include "app/FCamera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr float kMoveStep = 3.0f;
constexpr float kTurnStep = 0.03f;
constexpr float kFieldOfViewStep = 0.02f;
constexpr float kPiFloat = std::numbers::pi_v<float>;
constexpr float kNarrowestLandscape = 4.0f / 3.0f;
constexpr float kWidestLandscape = 16.0f / 9.0f;
constexpr float kAspectSlack = 0.001f;

float EaseInOut(float t)
{
    constexpr double kPi = std::numbers::pi;
    return static_cast<float>((std::sin(t * kPi - kPi / 2) + 1.0) * 0.5);
}

FCameraPose Blend(const FCameraPose& a, const FCameraPose& b, float s)
{
    FCameraPose r;
    for (int i = 0; i < FCameraPose::kValueCount; ++i)
        r[i] = a[i] + (b[i] - a[i]) * s;
    return r;
}
} // namespace

FCamera::FCamera(FCameraPresets& presets) : presets_(&presets) {}

void FCamera::SetPreset(uint32_t index, bool immediate, uint32_t now)
{
    if (index >= kCameraPresetCount)
        return;
    presetIndex = index;
    from = current;
    to = (*presets_)[index];
    if (immediate) {
        current = to;
        transitionStart = kNoTransition;
    } else {
        transitionStart = now;
    }
}

void FCamera::UpdateTransition(uint32_t now, int32_t timeZoom)
{
    if (!InTransition())
        return;
    const uint32_t duration = static_cast<uint32_t>(std::clamp(timeZoom, 1, 20)) * 1000u;
    // Unsigned difference: a clock that wrapped since the start still counts forward.
    const uint32_t elapsed = now - transitionStart;
    const float t = std::clamp(static_cast<float>(elapsed) / static_cast<float>(duration), 0.0f, 1.0f);
    const float s = EaseInOut(t);
    // At the end the view is the preset itself: from + (to - from) can miss it by a
    // rounding, and a view that is not its preset is never at rest.
    if (s >= 1.0f) {
        current = to;
        transitionStart = kNoTransition;
    } else {
        current = Blend(from, to, s);
    }
}

void FCamera::InterpolatePresets(uint32_t a, uint32_t b, float t)
{
    if (a >= kCameraPresetCount || b >= kCameraPresetCount)
        return;
    presetIndex = b;
    current = Blend((*presets_)[a], (*presets_)[b], EaseInOut(t));
}

void FCamera::StoreToPreset()
{
    if (presetIndex < kCameraPresetCount)
        (*presets_)[presetIndex] = current;
}

void FCamera::MoveForward(float step)
{
    const float d = kMoveStep * step;
    current.eyeX += std::sin(current.yaw) * std::cos(current.pitch) * d;
    current.eyeY -= std::sin(current.pitch) * d;
    current.eyeZ += std::cos(current.yaw) * std::cos(current.pitch) * d;
    StoreToPreset();
}

void FCamera::MoveSideways(float step)
{
    const float d = kMoveStep * step;
    current.eyeX += std::cos(current.yaw) * d;
    current.eyeZ -= std::sin(current.yaw) * d;
    StoreToPreset();
}

void FCamera::TurnYaw(float sign)
{
    current.yaw += kTurnStep * sign;
    StoreToPreset();
}

void FCamera::TurnPitch(float sign)
{
    current.pitch += kTurnStep * sign;
    StoreToPreset();
}

void FCamera::ChangeFieldOfView(float sign)
{
    current.fov += kFieldOfViewStep * sign;
    if (current.fov > kPiFloat)
        current.fov = kPiFloat;
    if (current.fov < 0.0f)
        current.fov = 0.0f;
    StoreToPreset();
}

FMatrix FCamera::ViewMatrix() const
{
    return CameraViewMatrix(current);
}

FMatrix FCamera::ProjectionMatrix(float aspect) const
{
    return CameraProjectionMatrix(current, aspect);
}

FMatrix CameraViewMatrix(const FCameraPose& pose)
{
    return FMatrix::Translation(-pose.eyeX, -pose.eyeY, -pose.eyeZ) * FMatrix::RotationY(-pose.yaw) *
           FMatrix::RotationX(-pose.pitch) * FMatrix::RotationZ(-pose.roll);
}

float FramedFieldOfView(float fov, float aspect)
{
    // The presets were made for landscape windows: from 4:3 on, the picture is left
    // exactly as it always was (the value itself, not one worked out again). A 4:3
    // movie of non-square pixels comes to 1.3333333 or so, a hair under 4 / 3.
    if (!(aspect > 0.0f) || aspect >= kNarrowestLandscape - kAspectSlack)
        return fov;
    // A square or taller picture keeps the width a 16:9 one shows, which holds the
    // whole spread with room to spare (4:3 cuts its near corners). Between square and
    // 4:3 the width eases from one to the other, so a window dragged narrower never
    // jumps.
    const float t = std::clamp((kNarrowestLandscape - aspect) / (kNarrowestLandscape - 1.0f), 0.0f, 1.0f);
    const float width = kNarrowestLandscape + (kWidestLandscape - kNarrowestLandscape) * t;
    return 2.0f * std::atan(std::tan(fov * 0.5f) * width / aspect);
}

FMatrix CameraProjectionMatrix(const FCameraPose& pose, float aspect)
{
    return FMatrix::PerspectiveFovLH(FramedFieldOfView(pose.fov, aspect), aspect, FCamera::kNearPlane,
                                     FCamera::kFarPlane);
}
