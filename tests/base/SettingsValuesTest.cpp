// Hand-edited settings files with values that mean nothing: they fall back to the
// defaults on load, so they are neither used nor written back.

#include "TestFiles.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SettingsValues, ValuesWithoutMeaningBecomeTheDefaults)
{
    ScratchDir dir;
    WriteBytes(dir.file("QuilloPhotoBook.ini"), "BGColour nan 0.5 0.5\r\n"
                                                "CoverColour 0.1 inf 0.1\r\n"
                                                "PaperColour 0.2 0.3 2\r\n"
                                                "Quality -4\r\n"
                                                "ExportWidth -640\r\n"
                                                "ExportHeight 0\r\n"
                                                "ExportFPS inf\r\n"
                                                "ExportPAR -1\r\n"
                                                "CameraPreset 3 nan 1 1 1 1 1 1\r\n"
                                                "TimePage 7\r\n");
    FSettings s({dir.dirF(), 1280, 1024});
    s.SettingsLoad();
    const FSettings defaults({dir.dirF(), 1280, 1024});
    EXPECT_EQ(s.BGColour, defaults.BGColour);
    EXPECT_EQ(s.CoverColour, defaults.CoverColour);
    EXPECT_EQ(s.PaperColour, defaults.PaperColour);
    EXPECT_EQ(s.Quality, defaults.Quality);
    EXPECT_EQ(s.ExportWidth, defaults.ExportWidth);
    EXPECT_EQ(s.ExportHeight, defaults.ExportHeight);
    EXPECT_EQ(s.ExportFPS, defaults.ExportFPS);
    EXPECT_EQ(s.ExportPAR, defaults.ExportPAR);
    EXPECT_EQ(s.cameraPresets[3].eyeX, defaults.cameraPresets[3].eyeX);
    EXPECT_EQ(s.TimePage, 7); // a meaningful value stays
}

} // namespace
