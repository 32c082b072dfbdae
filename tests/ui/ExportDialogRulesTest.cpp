#include "export/FExportPreset.h"
#include "ui/ExportDialogRules.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>

namespace {

const auto S = [](const char16_t* text) { return FString(text); };
const auto U = [](const FString& s) { return s.ToUtf8(); };

TEST(ExportRatio, FormatFindsTheSimplestFractionAndParseReadsItBack)
{
    // 1 is not 2:2 or 39:39; 64/45 needs a numerator above 39, so it stays a number.
    const std::pair<float, const char*> formatted[] = {
        {1.3333334f, "4:3"}, {0.90909094f, "10:11"}, {1.0f, "1:1"}, {1.4222223f, "1.42222"}, {0.0f, "0"},
    };
    for (const auto& [ratio, text] : formatted)
        EXPECT_EQ(U(FormatRatio(ratio)), text) << ratio;

    EXPECT_FLOAT_EQ(ParseRatio(S(u"1.5:0.5")), 3.0f);
    for (const char16_t* text : {u"16:", u":9", u"0:9", u"4:-3", u"abc"}) // half typed or nonsense
        EXPECT_EQ(ParseRatio(S(text)), 0.0f) << U(S(text));
    // The field is read through 31 characters: what lies beyond is not seen.
    EXPECT_FLOAT_EQ(ReadRatioField(S(u"4:0000000000000000000000000000003")), 0.0f);
}

TEST(ExportRatio, FloatFieldLeavesCloseValuesAsTyped)
{
    EXPECT_EQ(U(FloatFieldText(S(u""), 25.0f).value()), "25");
    EXPECT_FALSE(FloatFieldText(S(u"29.9705"), 29.97f));
    EXPECT_EQ(U(FloatFieldText(S(u"25"), 29.97f).value()), "29.97");
    EXPECT_EQ(U(FloatFieldText(S(u"abc"), 0.0f).value_or(S(u"kept"))), "kept");
}

TEST(ExportDialogRules, OkClampsAndReplaces)
{
    // Typed: width height fps par page zoom view, and the radio chosen; stored: the same
    // fields and the export type (-1, none chosen, keeps the stored 1; 2 is MP4).
    const std::pair<std::array<const char16_t*, 7>, int> typed[] = {
        {{u"20", u"6000", u"0", u"11", u"0", u"99", u"5"}, 1},
        {{u"abc", u"-5", u"29.97", u"4:3", u"20", u"21", u"1"}, 0},
        {{u"5000", u"64", u"100", u"10", u"x", u"", u"2"}, -1},
        {{u"640", u"480", u"25", u"1", u"3", u"3", u"3"}, 2},
    };
    const char* stored[] = {"64 5000 10 1 1 20 5 1", "64 64 29.97 1.33333 20 20 1 0", "5000 64 100 10 1 1 2 1",
                            "640 480 25 1 3 3 3 2"};
    for (size_t i = 0; i < std::size(typed); ++i) {
        const auto& [t, type] = typed[i];
        FSettings settings{FSettingsEnvironment{}};
        settings.ExportType = 1;
        FExportDialogFields f{S(t[0]), S(t[1]), S(t[2]), S(u"99:1"), S(t[3]), S(t[4]), S(t[5]), S(t[6]), type};
        StoreExportDialogFields(f, settings);
        std::ostringstream got;
        got << settings.ExportWidth << ' ' << settings.ExportHeight << ' ' << settings.ExportFPS << ' '
            << settings.ExportPAR << ' ' << settings.TimePage << ' ' << settings.TimeZoom << ' ' << settings.TimeView
            << ' ' << settings.ExportType;
        EXPECT_EQ(got.str(), stored[i]);
    }
}

// Each preset chosen in the list, stored by OK and opened again shows as itself; a
// 1920 x 1080 movie at 25 fps stays the HDV row and at 50 fps is the Full HD one.
TEST(ExportDialogRules, PresetsChosenStoredAndOpenedAgainShowAsThemselves)
{
    struct Case
    {
        const char* name;
        const char* fields; // width height dar par fps, as the dialog fills them
    };
    const Case cases[] = {
        {"Computer 4:3 - 640 x 480", "640 480 4:3 1:1 25"},
        {"NTSC DVD Widescreen", "720 480 16:9 32:27 29.97"},
        {"HDV 1920 x 1080", "1920 1080 16:9 1:1 25"},
        {"UHD 4K 3840 x 2160", "3840 2160 16:9 1:1 25"},
        {"Full HD 1920 x 1080 (50 fps)", "1920 1080 16:9 1:1 50"},
        {"Square 1080 x 1080", "1080 1080 1:1 1:1 25"},
        {"Vertical 1080 x 1920 (phones)", "1080 1920 9:16 1:1 25"},
    };
    for (const auto& [name, fields] : cases) {
        int row = 0;
        while (row < kExportPresetCount && std::string(ExportPresets()[static_cast<size_t>(row)].name) != name)
            ++row;
        ASSERT_LT(row, kExportPresetCount) << name << " is not in the list";
        const auto fill = PresetFill(row, S(u"12"));
        ASSERT_TRUE(fill) << name;
        EXPECT_EQ(U(fill->width) + ' ' + U(fill->height) + ' ' + U(fill->displayAspect) + ' ' + U(fill->pixelAspect) +
                      ' ' + U(fill->fps.value_or(S(u"?"))),
                  fields);
        FSettings settings{FSettingsEnvironment{}};
        StoreExportDialogFields({fill->width, fill->height, *fill->fps, fill->displayAspect, fill->pixelAspect, S(u"3"),
                                 S(u"3"), S(u"3"), 2},
                                settings);
        EXPECT_EQ(ExportDialogPresetFor(settings), row) << name;
    }
}

TEST(ExportDialogRules, MovieIsPreselectedAsMp4OnlyForSomeoneWhoNeverExported)
{
    // Stored path and type -> the radio the dialog opens on.
    const struct
    {
        const char16_t* path;
        int type;
        int shown;
    } cases[] = {
        {u"", 0, 2}, {u"d:\\Temp\\QuilloPhotoBook.avi", 0, 2}, {u"", 1, 1},
        {u"/v/trip.avi", 0, 0}, {u"/v/trip.avi", 1, 1}, {u"/v/trip.mp4", 2, 2}, {u"/v/trip.avi", 7, -1},
    };
    for (const auto& c : cases) {
        FSettings settings{FSettingsEnvironment{}};
        settings.ExportMoviePath = S(c.path);
        settings.ExportType = c.type;
        EXPECT_EQ(ExportDialogFieldsFrom(settings).exportType, c.shown) << U(S(c.path)) << ' ' << c.type;
    }
}

TEST(ExportDialogRules, LengthIsTheFramesTheExportRendersForThePhotos)
{
    // Four photos make two spreads: 3 turns (two of them the transparent sheet's), 8
    // camera moves and 5 holds. No photos leave the first spread's sheet alone.
    const struct
    {
        int photos;
        const char16_t* fps;
        const char16_t* page;
        const char16_t* zoom;
        const char16_t* view;
        bool sheet;
        const char* text;
    } cases[] = {
        {4, u"25", u"1", u"1", u"1", true, "Length 0:16 (400 frames)"},
        {4, u"10", u"3", u"3", u"3", true, "Length 0:48 (480 frames)"},
        {4, u"29.97", u"20", u"20", u"20", true, "Length 5:20 (9584 frames)"},
        {4, u"abc", u"1", u"1", u"1", true, "Length 0:16 (160 frames)"}, // an unreadable rate exports at 10
        {0, u"25", u"1", u"1", u"1", true, "Length 0:01 (25 frames)"},
        {0, u"25", u"1", u"1", u"1", false, "Length 0:00 (0 frames)"},
        {0, u"1", u"1", u"1", u"1", true, "Length 0:01 (1 frame)"},
    };
    for (const auto& c : cases) {
        FSettings settings{FSettingsEnvironment{}};
        settings.RenderTransparentPage = c.sheet;
        FExportDialogFields fields = ExportDialogFieldsFrom(settings);
        fields.fps = S(c.fps);
        fields.timePage = S(c.page);
        fields.timeZoom = S(c.zoom);
        fields.timeView = S(c.view);
        EXPECT_EQ(U(MovieLengthText(fields, settings, c.photos)), c.text) << c.photos << ' ' << U(S(c.fps));
    }
}

TEST(EncoderEntries, KnownEncodersFirstByTheirNamesThenTheRestThenUncompressed)
{
    // As listed (sorted by friendly name), and as shown.
    const std::vector<FEncoderNames> listed = {
        {S(u"a64multi"), S(u"Multicolor charset for Commodore 64")},
        {S(u"libaom-av1"), S(u"libaom AV1")},
        {S(u"libvpx-vp9"), S(u"libvpx VP9")},
        {S(u"libx264"), S(u"libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10")},
        {S(u"libx265"), S(u"libx265 H.265 / HEVC")},
        {S(u"mpeg4"), S(u"MPEG-4 part 2")},
        {S(u"mjpeg"), S(u"MJPEG (Motion JPEG)")},
        {S(u"libsvtav1"), S(u"SVT-AV1(Scalable Video Technology for AV1) encoder")},
    };
    const char* shown[] = {"H.264 (libx264)", "H.265 (libx265)", "VP9 (libvpx-vp9)", "AV1 (libaom-av1)",
                           "AV1 (libsvtav1)", "MPEG-4 (mpeg4)", "Multicolor charset for Commodore 64",
                           "MJPEG (Motion JPEG)", "Full Frames (Uncompressed)"};
    const FEncoderEntries e = EncoderEntries(listed, S(u"MPEG-4 part 2"));
    ASSERT_EQ(e.entries.size(), std::size(shown));
    for (size_t i = 0; i < std::size(shown); ++i)
        EXPECT_EQ(U(e.entries[i]), shown[i]);
    // The stored name stays the friendly one; the uncompressed entry clears it (the
    // writer compresses with any name), no row keeps it.
    EXPECT_EQ(e.selected, 5);
    EXPECT_EQ(U(ChosenEncoder(e, 0, S(u""))), "libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10");
    EXPECT_EQ(U(ChosenEncoder(e, 8, S(u"MPEG-4 part 2"))), "");
    EXPECT_EQ(U(ChosenEncoder(e, -1, S(u"MPEG-4 part 2"))), "MPEG-4 part 2");

    EXPECT_EQ(EncoderEntries(listed, S(u"mpeg-4 part 2")).selected, 8); // exact match only
    std::vector<FEncoderNames> many(70, {S(u"x"), S(u"x")});
    EXPECT_EQ(EncoderEntries(many, S(u"")).entries.size(), 65u);
}

TEST(ExportMusic, APathTheSettingsCannotKeepIsRefusedByNameTheRestKeepTheirOrder)
{
    std::vector<FString> files = {S(u"/m/a.mp3")};
    const FString tooLong = FString::FromUtf8("/" + std::string(2000, 'x') + ".mp3");
    const FString refused = AddMusicFiles(files, {S(u"/m/b.ogg"), tooLong, S(u"/m/c.flac")});
    EXPECT_EQ(files, (std::vector{S(u"/m/a.mp3"), S(u"/m/b.ogg"), S(u"/m/c.flac")}));
    EXPECT_EQ(refused, tooLong + S(u": the path is too long to be kept in the settings."));
    // Moves stop at either end.
    EXPECT_EQ(MoveMusicFile(files, 0, -1), 0);
    EXPECT_EQ(MoveMusicFile(files, 2, 1), 2);
    EXPECT_EQ(MoveMusicFile(files, 0, 1), 1);
    EXPECT_EQ(files.front(), S(u"/m/b.ogg"));
}

} // namespace
