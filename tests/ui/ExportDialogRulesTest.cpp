// The export dialogs' decisions: ratio text both ways, field refreshes, the reactions
// to typing, presets and what OK stores.

#include "export/FExportPreset.h"
#include "ui/ExportDialogRules.h"

#include <gtest/gtest.h>

namespace {

FString S(const char16_t* text)
{
    return FString(text);
}
std::string U(const FString& s)
{
    return s.ToUtf8();
}

} // namespace

TEST(ExportRatio, FormatFindsTheSimplestFractionAndParseReadsItBack)
{
    // 1 is not 2:2 or 39:39; 64/45 needs a numerator above 39, so it stays a number.
    const std::pair<float, const char*> formatted[] = {
        {1.3333334f, "4:3"}, {0.90909094f, "10:11"},  {1.1851852f, "32:27"},
        {1.0f, "1:1"},       {1.4222223f, "1.42222"}, {0.0f, "0"},
    };
    for (const auto& [ratio, text] : formatted)
        EXPECT_EQ(U(FormatRatio(ratio)), text) << ratio;

    EXPECT_FLOAT_EQ(ParseRatio(S(u"16:9")), 16.0f / 9.0f);
    EXPECT_FLOAT_EQ(ParseRatio(S(u"1.5:0.5")), 3.0f);
    EXPECT_FLOAT_EQ(ParseRatio(S(u"1.5")), 1.5f);
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
    struct Case
    {
        const char16_t *width, *height, *fps, *par, *page, *zoom, *view;
        int type;
        int32_t wantWidth, wantHeight;
        float wantFps, wantPar;
        int32_t wantPage, wantZoom, wantView;
        int wantType;
    };
    const Case cases[] = {
        {u"20", u"6000", u"0", u"11", u"0", u"99", u"5", 1, 64, 5000, 10.0f, 1.0f, 1, 20, 5, 1},
        {u"abc", u"-5", u"29.97", u"4:3", u"20", u"21", u"1", 0, 64, 64, 29.97f, 4.0f / 3.0f, 20, 20, 1, 0},
        {u"5000", u"64", u"100", u"10", u"x", u"", u"2", -1, 5000, 64, 100.0f, 10.0f, 1, 1, 2, 1},
    };
    for (const Case& c : cases) {
        FSettings settings{FSettingsEnvironment{}};
        settings.ExportType = 1;
        FExportDialogFields f;
        f.width = S(c.width);
        f.height = S(c.height);
        f.fps = S(c.fps);
        f.pixelAspect = S(c.par);
        f.displayAspect = S(u"99:1"); // never stored
        f.timePage = S(c.page);
        f.timeZoom = S(c.zoom);
        f.timeView = S(c.view);
        f.exportType = c.type;
        StoreExportDialogFields(f, settings);
        SCOPED_TRACE(U(f.width) + " " + U(f.fps) + " " + U(f.pixelAspect));
        EXPECT_EQ(settings.ExportWidth, c.wantWidth);
        EXPECT_EQ(settings.ExportHeight, c.wantHeight);
        EXPECT_FLOAT_EQ(settings.ExportFPS, c.wantFps);
        EXPECT_FLOAT_EQ(settings.ExportPAR, c.wantPar);
        EXPECT_EQ(settings.TimePage, c.wantPage);
        EXPECT_EQ(settings.TimeZoom, c.wantZoom);
        EXPECT_EQ(settings.TimeView, c.wantView);
        EXPECT_EQ(settings.ExportType, c.wantType);
    }
}

TEST(EncoderEntries, UncompressedEntryLastAndSelectedWhenNothingMatches)
{
    const std::vector<FString> names = {S(u"FFmpeg video codec #1"), S(u"MPEG-4 part 2"), S(u"Motion JPEG")};
    FEncoderEntries e = EncoderEntries(names, S(u"MPEG-4 part 2"));
    ASSERT_EQ(e.entries.size(), 4u);
    EXPECT_EQ(U(e.entries.back()), "Full Frames (Uncompressed)");
    EXPECT_EQ(e.selected, 1);
    EXPECT_EQ(U(ChosenEncoder(e, 2, S(u"MPEG-4 part 2"))), "Motion JPEG");
    // The uncompressed entry keeps the stored name.
    EXPECT_EQ(U(ChosenEncoder(e, 3, S(u"MPEG-4 part 2"))), "MPEG-4 part 2");

    EXPECT_EQ(EncoderEntries(names, S(u"mpeg-4 part 2")).selected, 3); // exact match only

    std::vector<FString> many(70, S(u"x"));
    EXPECT_EQ(EncoderEntries(many, S(u"")).entries.size(), 65u);
}
