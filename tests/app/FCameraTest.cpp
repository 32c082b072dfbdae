#include "app/FCamera.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {
FCameraPose Lerp(const FCameraPose& a, const FCameraPose& b, float s)
{
    FCameraPose r;
    for (int i = 0; i < FCameraPose::kValueCount; ++i)
        r[i] = a[i] + (b[i] - a[i]) * s;
    return r;
}

void ExpectPoseNear(const FCameraPose& actual, const FCameraPose& expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < FCameraPose::kValueCount; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "value " << i;
}

struct CameraTest : ::testing::Test
{
    FCameraPresets presets = DefaultCameraPresets();
    FCamera camera{presets};
};
} // namespace

TEST_F(CameraTest, TransitionEasesOverTimeZoomWithItsClampsAndUnsignedClock)
{
    camera.SetPreset(0, true, 0);
    camera.SetPreset(1, false, 5000);
    // ms after the start, TimeZoom -> eased share of the way (TimeZoom 0 lasts 1 s)
    const float steps[][3] = {{750, 3, 0.1464466f}, {1500, 3, 0.5f}, {2999, 3, 1.0f}, {500, 0, 0.5f}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s[0]);
        camera.UpdateTransition(5000 + static_cast<uint32_t>(s[0]), static_cast<int32_t>(s[1]));
        ExpectPoseNear(camera.current, Lerp(presets[0], presets[1], s[2]), 1e-4f);
        EXPECT_TRUE(camera.InTransition());
    }
    camera.UpdateTransition(5000 + 3000, 3);
    EXPECT_FALSE(camera.InTransition());
    camera.UpdateTransition(5000 + 1500, 3); // resting: nothing moves
    ExpectPoseNear(camera.current, presets[1]);

    camera.SetPreset(0, false, 0xFFFFFFFFu - 9999); // 10 s before the clock wraps
    camera.UpdateTransition(10000, 50);             // 20 s later; TimeZoom 50 lasts 20 s
    EXPECT_FALSE(camera.InTransition());
    // A clock running backwards reads as a huge unsigned delay: the move ends.
    camera.SetPreset(1, false, 50000);
    camera.UpdateTransition(49000, 3);
    EXPECT_FALSE(camera.InTransition());
    ExpectPoseNear(camera.current, presets[1]);

    // A move ends on its view exactly: from this depth, from + (to - from) misses the
    // photo view's depth by a rounding.
    camera.current.eyeZ = 10.348041534423828f;
    presets[6].eyeZ = 80.422798156738281f;
    camera.SetPreset(6, false, 0);
    camera.UpdateTransition(3000, 3);
    EXPECT_TRUE(camera.current == presets[6]) << camera.current.eyeZ;
}

TEST_F(CameraTest, RedirectedTransitionStartsFromTheReachedPose)
{
    camera.SetPreset(0, true, 0);
    camera.SetPreset(1, false, 0);
    camera.UpdateTransition(1500, 3);
    const FCameraPose midway = camera.current;
    camera.SetPreset(2, false, 1500);
    camera.UpdateTransition(1500, 3);
    EXPECT_EQ(camera.current, midway);

    camera.SetPreset(10, true, 0);
    EXPECT_EQ(camera.presetIndex, 2u);
    EXPECT_TRUE(camera.InTransition());

    camera.InterpolatePresets(3, 5, 2.0f); // unclamped t: the ease swings back to a
    EXPECT_EQ(camera.presetIndex, 5u);
    EXPECT_TRUE(camera.InTransition());
    ExpectPoseNear(camera.current, presets[3], 1e-4f);

    // A manual move during a transition lands in the preset but is overwritten
    // until the transition ends.
    camera.SetPreset(1, false, 0);
    camera.UpdateTransition(1000, 3);
    camera.MoveForward(1);
    const FCameraPose moved = camera.current;
    EXPECT_EQ(presets[1], moved);
    camera.UpdateTransition(1100, 3);
    EXPECT_NE(camera.current, moved);
    camera.UpdateTransition(3000, 3);
    ExpectPoseNear(camera.current, DefaultCameraPresets()[1], 1e-4f);
}

TEST_F(CameraTest, ManualMovesFollowTheViewAndStoreIntoThePreset)
{
    camera.SetPreset(1, true, 0); // pitch pi/2: looking straight down
    const FCameraPose before = camera.current;
    camera.MoveForward(1);
    EXPECT_NEAR(camera.current.eyeY, before.eyeY - 3, 1e-5);
    EXPECT_NEAR(camera.current.eyeZ, before.eyeZ, 1e-5);

    camera.current.yaw = std::numbers::pi_v<float> / 2; // facing +x, so right is -z
    camera.MoveSideways(1);
    EXPECT_NEAR(camera.current.eyeZ, before.eyeZ - 3, 1e-5);
    EXPECT_EQ(presets[1], camera.current);

    camera.current.fov = 0.01f;
    camera.ChangeFieldOfView(-1);
    EXPECT_EQ(camera.current.fov, 0.0f);
    camera.current.fov = 3.13f;
    camera.ChangeFieldOfView(1);
    EXPECT_EQ(presets[1].fov, std::numbers::pi_v<float>);
}
