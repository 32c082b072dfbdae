// The export script's frame counts and order, preset matching and the preview size.

#include "export/ExportScript.h"
#include "export/FExportPreset.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

FExportSettings Settings(float fps, int page, int zoom, int view, bool transparent = true)
{
    FExportSettings s;
    s.framesPerSecond = fps;
    s.timePage = page;
    s.timeZoom = zoom;
    s.timeView = view;
    s.renderTransparentPage = transparent;
    return s;
}

std::vector<std::pair<int, int>> SpreadSteps(const std::vector<FScriptStep>& script)
{
    std::vector<std::pair<int, int>> steps;
    for (const FScriptStep& s : script)
        steps.emplace_back(s.spread, s.step);
    return steps;
}

} // namespace

TEST(ExportScript, ThreePhotosAtTenFpsOneSecondEach)
{
    const auto script = BuildExportScript(Settings(10, 1, 1, 1), 3);
    // Spread 0 opens on the transparent sheet and the right page; spread 1 turns, shows
    // the third photo (top left), goes to the left view and runs out of photos.
    const std::vector<std::pair<int, int>> expected = {{0, 8}, {0, 9}, {0, 10}, {0, 11}, {0, 12}, {0, 13}, {0, 14},
                                                       {1, 0}, {1, 1}, {1, 2},  {1, 3},  {1, 4},  {1, 8}};
    EXPECT_EQ(SpreadSteps(script), expected);
    for (const FScriptStep& s : script)
        EXPECT_EQ(s.frames, 10) << s.spread << "/" << s.step;
    EXPECT_EQ(ScriptFrameCount(script), 130);

    const auto plain = BuildExportScript(Settings(10, 1, 1, 1, false), 3);
    EXPECT_EQ(ScriptFrameCount(plain), 110);
    for (const FScriptStep& s : plain)
        EXPECT_NE(s.kind, FStepKind::TransparentTurn);
}

TEST(ExportScript, CameraPathsOfOneSpread)
{
    const auto script = BuildExportScript(Settings(25, 3, 3, 3), 2);
    ASSERT_EQ(script.size(), 7u);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 0}, {0, 6}, {6, 6}, {6, 3},
                                                                 {3, 7}, {7, 7}, {7, 0}};
    EXPECT_EQ(script[0].kind, FStepKind::TransparentTurn);
    for (size_t i = 1; i < script.size(); ++i) {
        EXPECT_EQ(std::make_pair(script[i].fromPreset, script[i].toPreset), expected[i]) << i;
        EXPECT_EQ(script[i].kind, expected[i].first == expected[i].second ? FStepKind::Hold : FStepKind::Move);
    }
    // Default times: 75 frames for every phase.
    for (const FScriptStep& s : script)
        EXPECT_EQ(s.frames, 75);
}

TEST(ExportScript, PhotoCountsAtTheEdges)
{
    // No photos: only the transparent sheet turns, and without it nothing is rendered.
    EXPECT_EQ(SpreadSteps(BuildExportScript(Settings(10, 1, 1, 1), 0)), (std::vector<std::pair<int, int>>{{0, 8}}));
    EXPECT_TRUE(BuildExportScript(Settings(10, 1, 1, 1, false), 0).empty());
    // One photo: top right only; the move to the bottom right photo is the first skip.
    EXPECT_EQ(SpreadSteps(BuildExportScript(Settings(10, 1, 1, 1), 1)),
              (std::vector<std::pair<int, int>>{{0, 8}, {0, 9}, {0, 10}, {0, 11}}));
    // Six photos: two full spreads, every photo visited once.
    const auto six = BuildExportScript(Settings(10, 1, 1, 1), 6);
    int visits = 0;
    for (const FScriptStep& s : six)
        visits += s.kind == FStepKind::Move && s.toPreset >= 4 && s.toPreset <= 7;
    EXPECT_EQ(visits, 6);
    EXPECT_EQ(ExportSpreadCount(6), 2);
    EXPECT_EQ(ExportSpreadCount(7), 3);
}

TEST(ExportScript, PhaseFramesTruncate)
{
    const FScriptTiming ntsc = ScriptTiming(Settings(29.97f, 3, 3, 3));
    EXPECT_EQ(ntsc.pageFrames, 89);
    EXPECT_EQ(ntsc.zoomFrames, 89);
    // A phase of 0 seconds keeps its steps (their state still applies) but renders nothing.
    const auto noHolds = BuildExportScript(Settings(10, 1, 1, 0), 3);
    EXPECT_EQ(noHolds.size(), 13u);
    EXPECT_EQ(ScriptFrameCount(noHolds), 90);
}

TEST(ExportScript, ValidationLimits)
{
    auto valid = [](int w, int h, float fps, float par) {
        FExportSettings s;
        s.width = w;
        s.height = h;
        s.framesPerSecond = fps;
        s.pixelAspect = par;
        return ValidateExportSettings(s);
    };
    EXPECT_TRUE(valid(64, 64, 100, 10));
    EXPECT_TRUE(valid(5000, 5000, 0.5f, 0.1f));
    EXPECT_FALSE(valid(5001, 480, 25, 1));
    EXPECT_FALSE(valid(640, 63, 25, 1));
    EXPECT_FALSE(valid(640, 480, 100.5f, 1));
    EXPECT_FALSE(valid(640, 480, 0, 1));
    EXPECT_FALSE(valid(640, 480, 25, 0));
    EXPECT_FALSE(valid(640, 480, 25, 10.5f));
}

TEST(ExportScript, SettingsCarryTheEncoderOnlyForCompressedOutput)
{
    FSettingsEnvironment environment;
    FSettings settings(environment);
    settings.EncoderName = FString(u"MPEG-4 part 2");
    settings.ExportType = 0;
    EXPECT_TRUE(ExportSettingsFrom(settings).encoderName.IsEmpty());
    settings.ExportType = 1;
    EXPECT_EQ(ExportSettingsFrom(settings).encoderName, FString(u"MPEG-4 part 2"));
}

TEST(ExportScript, PreviewHalvesUntilTheWindowFits)
{
    EXPECT_EQ(FitPreviewSize(640, 480, 16, 40, 1280, 1024), (FClientSize{640, 480}));
    EXPECT_EQ(FitPreviewSize(1920, 1080, 16, 40, 1280, 1024), (FClientSize{960, 540}));
    EXPECT_EQ(FitPreviewSize(5000, 5000, 16, 40, 1280, 1024), (FClientSize{625, 625}));
    EXPECT_EQ(FitPreviewSize(1280, 984, 0, 40, 1280, 1024), (FClientSize{1280, 984})); // exactly fits
    // A screen smaller than the frame must not spin forever.
    const FClientSize tiny = FitPreviewSize(641, 480, 100, 100, 50, 50);
    EXPECT_GE(tiny.width, 1);
    EXPECT_GE(tiny.height, 1);
}

TEST(ExportPresets, MatchingNeedsSizeAndAllThreeFiguresClose)
{
    EXPECT_EQ(FindExportPreset(640, 480, 1.3333334f, 1.0f, 25), 3);
    EXPECT_EQ(FindExportPreset(720, 486, 1.3333f, 0.9f, 29.97f), 10);
    EXPECT_EQ(FindExportPreset(720, 576, 1.3333334f, 1.0666667f, 25), 15); // the first of two equal rows
    EXPECT_EQ(FindExportPreset(640, 480, 1.3333334f, 1.0f, 29.97f), kCustomPreset);
    EXPECT_EQ(FindExportPreset(641, 480, 1.3354f, 1.0f, 25), kCustomPreset);
    EXPECT_EQ(FindExportPreset(1, 1, 1, 1, 1), kCustomPreset); // "Custom" itself never matches
}
