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

TEST_F(CameraTest, TransitionEasesOverTimeZoomThenStops)
{
    camera.SetPreset(0, true, 0);
    camera.SetPreset(1, false, 5000);
    camera.UpdateTransition(5000 + 750, 3);
    ExpectPoseNear(camera.current, Lerp(presets[0], presets[1], 0.1464466f), 1e-4f);
    camera.UpdateTransition(5000 + 1500, 3);
    ExpectPoseNear(camera.current, Lerp(presets[0], presets[1], 0.5f));
    camera.UpdateTransition(5000 + 2999, 3);
    EXPECT_TRUE(camera.InTransition());
    camera.UpdateTransition(5000 + 3000, 3);
    EXPECT_FALSE(camera.InTransition());
    ExpectPoseNear(camera.current, presets[1]);
    camera.UpdateTransition(5000 + 1500, 3); // resting: nothing moves
    ExpectPoseNear(camera.current, presets[1]);
}

TEST_F(CameraTest, TransitionDurationIsClampedAndClockWrapsUnsigned)
{
    camera.SetPreset(0, true, 0);
    camera.SetPreset(1, false, 100);
    camera.UpdateTransition(100 + 500, 0); // TimeZoom 0 lasts 1 s
    ExpectPoseNear(camera.current, Lerp(presets[0], presets[1], 0.5f));

    camera.SetPreset(1, false, 0xFFFFFFFFu - 9999); // 10 s before the clock wraps
    camera.UpdateTransition(10000, 50);             // 20 s later; TimeZoom 50 lasts 20 s
    EXPECT_FALSE(camera.InTransition());

    // A clock running backwards reads as a huge unsigned delay: the move ends.
    camera.SetPreset(0, false, 50000);
    camera.UpdateTransition(49000, 3);
    EXPECT_FALSE(camera.InTransition());
    ExpectPoseNear(camera.current, presets[0]);
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
}

TEST_F(CameraTest, ManualMovesFollowTheViewAndStoreIntoThePreset)
{
    camera.SetPreset(1, true, 0); // pitch pi/2: looking straight down
    const FCameraPose before = camera.current;
    camera.MoveForward(1);
    EXPECT_NEAR(camera.current.eyeY, before.eyeY - 3, 1e-5);
    EXPECT_NEAR(camera.current.eyeX, before.eyeX, 1e-5);
    EXPECT_NEAR(camera.current.eyeZ, before.eyeZ, 1e-5);

    camera.current.yaw = std::numbers::pi_v<float> / 2; // facing +x, so right is -z
    camera.MoveSideways(1);
    EXPECT_NEAR(camera.current.eyeZ, before.eyeZ - 3, 1e-5);
    EXPECT_EQ(presets[1], camera.current);
    EXPECT_EQ(presets[0], DefaultCameraPresets()[0]);

    camera.current.fov = 0.01f;
    camera.ChangeFieldOfView(-1);
    EXPECT_EQ(camera.current.fov, 0.0f);
    camera.current.fov = 3.13f;
    camera.ChangeFieldOfView(1);
    EXPECT_EQ(presets[1].fov, std::numbers::pi_v<float>);
}

TEST_F(CameraTest, MoveDuringTransitionIsOverwrittenUntilItEnds)
{
    camera.SetPreset(0, true, 0);
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

TEST_F(CameraTest, FrontPresetSeesTheSpineMiddleAtTheCentre)
{
    camera.SetPreset(0, true, 0);
    const FMatrix view = camera.ViewMatrix();
    const FVector3 inView = TransformCoord({0, 0, 54.7f}, view);
    EXPECT_GT(inView.z, 0);
    const FVector3 onScreen = TransformCoord(inView, camera.ProjectionMatrix(4.0f / 3.0f));
    EXPECT_NEAR(onScreen.x, 0, 0.05);
    EXPECT_NEAR(onScreen.y, 0, 0.05);
    // The right page is on the right of the picture, the top edge above the bottom.
    EXPECT_GT(TransformCoord({50, 0, 54.7f}, view).x, 0);
    EXPECT_GT(TransformCoord({0, 0, 109.375f}, view).y, TransformCoord({0, 0, 0}, view).y);

    FCameraPose turned;
    turned.yaw = std::numbers::pi_v<float> / 2; // yaw turns towards +x
    EXPECT_NEAR(TransformCoord({10, 0, 0}, CameraViewMatrix(turned)).z, 10, 1e-5);
    turned = {};
    turned.roll = std::numbers::pi_v<float> / 2;
    EXPECT_NEAR(TransformCoord({0, 1, 5}, CameraViewMatrix(turned)).y, 0, 1e-5);
}
