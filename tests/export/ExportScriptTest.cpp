// The export script's frame counts and order, its chapters, the limits and the preview size.

#include "export/ExportScript.h"
#include "export/MovieChapters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

FExportSettings Settings(float fps, int page, int zoom, int view, bool transparent = true)
{
    FExportSettings s;
    s.framesPerSecond = fps, s.timePage = page, s.timeZoom = zoom, s.timeView = view;
    s.renderTransparentPage = transparent;
    return s;
}

// "spread/step" of every step, space separated.
std::string SpreadSteps(const std::vector<FScriptStep>& script)
{
    std::string steps;
    for (const FScriptStep& s : script)
        steps += std::to_string(s.spread) + "/" + std::to_string(s.step) + " ";
    return steps;
}

} // namespace

TEST(ExportScript, StepsAndFrames)
{
    // Spread 0 opens on the transparent sheet and the right page; spread 1 turns, shows
    // the third photo (top left), goes to the left view and runs out of photos.
    const auto script = BuildExportScript(Settings(10, 1, 1, 1), 3);
    EXPECT_EQ(SpreadSteps(script), "0/8 0/9 0/10 0/11 0/12 0/13 0/14 1/0 1/1 1/2 1/3 1/4 1/8 ");
    EXPECT_EQ(ScriptFrameCount(script), 130);
    EXPECT_EQ(ScriptFrameCount(BuildExportScript(Settings(10, 1, 1, 1, false), 3)), 110);
    // No photos: only the transparent sheet turns, and without it nothing is rendered.
    EXPECT_EQ(SpreadSteps(BuildExportScript(Settings(10, 1, 1, 1), 0)), "0/8 ");
    EXPECT_TRUE(BuildExportScript(Settings(10, 1, 1, 1, false), 0).empty());
    EXPECT_EQ(ScriptTiming(Settings(29.97f, 3, 3, 3)).pageFrames, 89);
    // A phase of 0 seconds keeps its steps (their state still applies) but renders nothing.
    const auto noHolds = BuildExportScript(Settings(10, 1, 1, 0), 3);
    EXPECT_TRUE(noHolds.size() == 13u && ScriptFrameCount(noHolds) == 90);
}

TEST(ExportScript, ChaptersStartWhereTheirSpreadsFramesStart)
{
    const struct
    {
        FExportSettings settings;
        int photos;
        std::string chapters; // "<first frame> <title>|" each
    } cases[] = {
        // The first spread opens on frame 0; every later one where its page turn starts.
        {Settings(10, 1, 0, 0), 9, "0 Page 1 of 3|10 Page 2 of 3|30 Page 3 of 3|"},
        {Settings(10, 1, 1, 1), 3, "0 Page 1 of 2|70 Page 2 of 2|"},
        // Without the transparent sheet the first spread has no frames: the movie opens
        // on the second spread's turn.
        {Settings(10, 1, 0, 0, false), 9, "0 Page 2 of 3|10 Page 3 of 3|"},
        {Settings(10, 1, 1, 1), 0, "0 Page 1 of 1|"},
        {Settings(10, 1, 1, 1, false), 0, ""},
    };
    for (const auto& c : cases) {
        std::string chapters;
        for (const FMovieChapter& chapter : MovieChapters(BuildExportScript(c.settings, c.photos), c.photos, FLocale()))
            chapters += std::to_string(chapter.frame) + " " + chapter.title.ToUtf8() + "|";
        EXPECT_EQ(chapters, c.chapters) << c.photos;
    }
}

TEST(ExportScript, ValidationLimitsAndPreviewSize)
{
    auto valid = [](int w, int h, float fps, float par) {
        FExportSettings s = Settings(fps, 1, 1, 1);
        s.width = w, s.height = h, s.pixelAspect = par;
        return ValidateExportSettings(s);
    };
    EXPECT_TRUE(valid(64, 64, 100, 10) && valid(5000, 5000, 0.5f, 0.1f));
    EXPECT_FALSE(valid(5001, 480, 25, 1) || valid(640, 63, 25, 1));
    EXPECT_FALSE(valid(640, 480, 100.5f, 1) || valid(640, 480, 0, 1) || valid(640, 480, 25, 10.5f));

    EXPECT_EQ(FitPreviewSize(1920, 1080, 16, 40, 1280, 1024), (FClientSize{960, 540}));
    EXPECT_EQ(FitPreviewSize(1280, 984, 0, 40, 1280, 1024), (FClientSize{1280, 984})); // exactly fits
    // A screen smaller than the frame must not spin forever.
    const FClientSize tiny = FitPreviewSize(641, 480, 100, 100, 50, 50);
    EXPECT_TRUE(tiny.width >= 1 && tiny.height >= 1);
}
