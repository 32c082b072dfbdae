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
    // fields and the export type (-1, none chosen, keeps the stored 1).
    const std::pair<std::array<const char16_t*, 7>, int> typed[] = {
        {{u"20", u"6000", u"0", u"11", u"0", u"99", u"5"}, 1},
        {{u"abc", u"-5", u"29.97", u"4:3", u"20", u"21", u"1"}, 0},
        {{u"5000", u"64", u"100", u"10", u"x", u"", u"2"}, -1},
    };
    const char* stored[] = {"64 5000 10 1 1 20 5 1", "64 64 29.97 1.33333 20 20 1 0", "5000 64 100 10 1 1 2 1"};
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

TEST(EncoderEntries, UncompressedEntryLastAndSelectedWhenNothingMatches)
{
    const std::vector<FString> names = {S(u"FFmpeg video codec #1"), S(u"MPEG-4 part 2"), S(u"Motion JPEG")};
    FEncoderEntries e = EncoderEntries(names, S(u"MPEG-4 part 2"));
    ASSERT_EQ(e.entries.size(), 4u);
    EXPECT_EQ(U(e.entries.back()), "Full Frames (Uncompressed)");
    EXPECT_EQ(e.selected, 1);
    // The uncompressed entry clears the stored name: the writer compresses with any name.
    EXPECT_EQ(U(ChosenEncoder(e, 3, S(u"MPEG-4 part 2"))), "");
    EXPECT_EQ(U(ChosenEncoder(e, -1, S(u"MPEG-4 part 2"))), "MPEG-4 part 2");

    EXPECT_EQ(EncoderEntries(names, S(u"mpeg-4 part 2")).selected, 3); // exact match only

    std::vector<FString> many(70, S(u"x"));
    EXPECT_EQ(EncoderEntries(many, S(u"")).entries.size(), 65u);
}

} // namespace
