#pragma once
// The view onto the book: a pose that rests on one of ten presets or eases from
// one pose to another, plus the manual flying moves that write back into the
// current preset. The clock is passed in (milliseconds, wrapping uint32_t).

#include "base/FCameraPose.h"
#include "render/FMatrix.h"

#include <cstdint>

class FCamera
{
public:
    static constexpr uint32_t kNoTransition = 0xFFFFFFFFu;
    static constexpr float kNearPlane = 1.0f;
    static constexpr float kFarPlane = 1000.0f;

    // The presets (normally the settings store's) must outlive the camera; moves
    // write into them.
    explicit FCamera(FCameraPresets& presets);

    // Index > 9 is ignored. Otherwise starts easing from the current pose towards
    // the preset, or jumps there when immediate.
    void SetPreset(uint32_t index, bool immediate, uint32_t now);
    // Advances a running transition; timeZoom is the TimeZoom setting in whole
    // seconds, clamped to 1..20. The transition ends once the target is reached.
    void UpdateTransition(uint32_t now, int32_t timeZoom);
    // Puts the pose between presets a and b (eased, t not clamped) for the export
    // script; a running transition is left alone.
    void InterpolatePresets(uint32_t a, uint32_t b, float t);
    void StoreToPreset();

    // Manual moves; step and sign are +1 or -1, and each stores into the preset.
    void MoveForward(float step);
    void MoveSideways(float step);
    void TurnYaw(float sign);
    void TurnPitch(float sign);
    void ChangeFieldOfView(float sign);

    bool InTransition() const { return transitionStart != kNoTransition; }

    FMatrix ViewMatrix() const;
    // aspect = client width / height, times the export's aspect factor.
    FMatrix ProjectionMatrix(float aspect) const;

    uint32_t presetIndex = 0;
    uint32_t transitionStart = kNoTransition;
    FCameraPose current;
    FCameraPose from;
    FCameraPose to;

private:
    FCameraPresets* presets_;
};

// Translation by -eye, then rotations by -yaw about y, -pitch about x, -roll about z.
FMatrix CameraViewMatrix(const FCameraPose& pose);
// The vertical field of view a picture of this aspect (width / height, pixel aspect
// included) is drawn with: the pose's own from 4:3 on, wider for narrower pictures
// so that they show the book as wide as a landscape one does.
float FramedFieldOfView(float fov, float aspect);
// Left-handed perspective with that field of view, near 1, far 1000.
FMatrix CameraProjectionMatrix(const FCameraPose& pose, float aspect);
