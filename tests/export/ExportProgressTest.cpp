// The remaining-time estimate over made-up frame times: silent while it has too
// little to go on, close to the truth by halfway, and calm when frame times wobble.

#include "base/FString.h"
#include "export/ExportProgress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

// A book's script as the export plays it: 12 photos, turns of 3 s, zooms and views of 2 s at 25 fps.
std::vector<FScriptStep> BookScript()
{
    FExportSettings settings;
    settings.timePage = 3, settings.timeZoom = 2, settings.timeView = 2;
    return BuildExportScript(settings, 12);
}

TEST(ProgressEstimator, SilentAtFirstNearTheTruthByHalfwayAndCalm)
{
    const std::vector<FScriptStep> holds = {{0, 0, FStepKind::Hold, 1000}};
    const struct
    {
        const char* name;
        std::vector<FScriptStep> script;
        uint32_t startUpMs;                            // before the first frame: textures, the file
        std::function<uint32_t(int, FStepKind)> frameMs; // how long frame i of a kind of step takes
        double tolerance;                              // of the true remaining time from halfway on, give or take 0.25 s
        bool steady = true;                            // frame times wobble around one mean throughout
    } cases[] = {
        {"steady", holds, 3000, [](int, FStepKind) { return 40u; }, 0.02},
        {"alternating fast and slow", holds, 3000, [](int i, FStepKind) { return i % 2 ? 10u : 70u; }, 0.05},
        {"every tenth frame slow", holds, 500, [](int i, FStepKind) { return i % 10 ? 20u : 200u; }, 0.05},
        {"slow frames, seconds each", holds, 0, [](int, FStepKind) { return 2500u; }, 0.02},
        {"one 3 s stall at a third", holds, 0, [](int i, FStepKind) { return i == 333 ? 3000u : 30u; }, 0.2, false},
        // A short export whose frames get faster once everything is loaded and
        // compiled (a sanitizer build: 12 ms, then 6, then 5).
        {"faster after the first seconds", {{0, 0, FStepKind::Hold, 575}}, 150,
         [](int i, FStepKind) { return i < 130 ? 12u : i < 260 ? 6u : 5u; }, 0.2, false},
        // Turns cost three times what the camera's steps do, and a new spread's
        // photos load after each turn.
        {"a book: turns dearer than holds", BookScript(), 2000,
         [](int, FStepKind kind) {
             return kind == FStepKind::PageTurn || kind == FStepKind::TransparentTurn ? 90u : 30u;
         },
         0.05},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int total = static_cast<int>(ScriptFrameCount(c.script));
        std::vector<uint32_t> at(static_cast<size_t>(total) + 1);
        at[0] = c.startUpMs;
        int i = 0;
        for (const FScriptStep& step : c.script)
            for (int f = 0; f < step.frames; ++f, ++i)
                at[i + 1] = at[i] + c.frameMs(i + 1, step.kind);
        FProgressEstimator estimator(c.script, 25.0f);
        double previous = -1;
        for (int frame = 1; frame <= total; ++frame) {
            const FExportProgress p = estimator.Next(frame, at[frame]);
            // Silent until a frame after the first seconds is counted.
            const uint32_t before = at[frame - 1] - at[1];
            if (frame < total &&
                (before < FProgressEstimator::kWarmUpMs || frame - 2 < FProgressEstimator::kWarmUpFrames)) {
                EXPECT_TRUE(p.Estimating()) << frame;
                continue;
            }
            ASSERT_FALSE(p.Estimating()) << frame;
            const double truth = at[total] - at[frame];
            if (frame >= total / 2)
                EXPECT_NEAR(p.remainingMs, truth, c.tolerance * truth + 250) << frame;
            // Once a fifth is done, from one frame to the next the estimate moves by
            // little more than the frame took.
            if (previous >= 0 && frame > total / 5 && c.steady) {
                EXPECT_LT(std::abs(p.remainingMs - previous), 0.05 * previous + (at[frame] - at[frame - 1]) + 250)
                    << frame;
            }
            previous = static_cast<double>(p.remainingMs);
        }
    }
}

TEST(ExportProgress, FiguresLineAndJson)
{
    FExportProgress p;
    p.frame = 130, p.total = 310, p.framesPerSecond = 25, p.elapsedMs = 12'345, p.bytes = 1'048'576;
    EXPECT_EQ(p.Percent(), 41);
    EXPECT_DOUBLE_EQ(p.MovieSecondsDone(), 5.2);
    EXPECT_DOUBLE_EQ(p.MovieSecondsTotal(), 12.4);
    EXPECT_EQ(ExportProgressLine(p).ToUtf8(), "41% frame 130 of 310, elapsed 0:12, remaining estimating...");
    EXPECT_EQ(ExportProgressJson(p).ToUtf8(),
              "{\"frame\":130,\"total\":310,\"elapsed\":12.345,\"remaining\":null,\"bytes\":1048576}");
    p.remainingMs = 3'723'004;
    EXPECT_EQ(ExportProgressLine(p).ToUtf8(), "41% frame 130 of 310, elapsed 0:12, remaining 1:02:03");
    EXPECT_EQ(ExportProgressJson(p).ToUtf8(),
              "{\"frame\":130,\"total\":310,\"elapsed\":12.345,\"remaining\":3723.004,\"bytes\":1048576}");
    const struct
    {
        double seconds;
        const char* text;
    } clocks[] = {{0, "0:00"}, {42.9, "0:42"}, {408, "6:48"}, {3600, "1:00:00"}, {-5, "0:00"}};
    for (const auto& c : clocks)
        EXPECT_EQ(FormatClock(c.seconds).ToUtf8(), c.text) << c.seconds;
}
