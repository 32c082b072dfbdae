#include "ui/DialogRules.h"

#include <gtest/gtest.h>


namespace {


TEST(DialogRules, SpeedFieldsAreClampedToOneThroughTwenty)
{
    const struct
    {
        const char16_t* typed;
        int32_t stored;
    } cases[] = {
        {u"0", 1}, {u"20", 20}, {u"21", 20}, {u"-3", 1}, {u"", 1}, {u"abc", 1}, {u"7x", 7}, {u"  12", 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeedFromField(FString(c.typed)), c.stored) << FString(c.typed).ToUtf8();
}

TEST(DialogRules, OnlyTheFirstSevenCharactersOfAFieldCount)
{
    // "0000012" fits; the digit after the seventh is cut off.
    EXPECT_EQ(ReadNumberField(FString(u"00000123")), 12);
    EXPECT_EQ(ReadNumberField(FString(u"12345678")), 1234567);
    // Seven blanks leave nothing to read, so a long padded entry is 0 and becomes 1.
    EXPECT_EQ(SpeedFromField(FString(u"       5")), 1);
    EXPECT_FLOAT_EQ(ReadFloatField(FString(u"1.0925926")), 1.09259f);
    EXPECT_FLOAT_EQ(ReadFloatField(FString(u"29.97fps")), 29.97f);
    EXPECT_FLOAT_EQ(ReadFloatField(FString(u"fast")), 0.0f);
}

TEST(DialogRules, TextsAreComparedOverTheFirst512Characters)
{
    EXPECT_TRUE(TextDiffers(FString(u"OK"), FString(u"Ok")));
    std::u16string longText(512, u'a');
    EXPECT_FALSE(TextDiffers(FString(longText + u"b"), FString(longText + u"c")));
    EXPECT_TRUE(TextDiffers(FString(longText.substr(1) + u"b"), FString(longText.substr(1) + u"c")));
}

TEST(DialogRules, ColourComponentsRoundTripWithoutDrifting)
{
    // The chooser is opened and confirmed many times: no channel may creep down.
    for (int v = 0; v <= 255; ++v) {
        int channel = v;
        for (int pass = 0; pass < 3; ++pass)
            channel = ColourComponentToInt(ColourComponentFromInt(channel));
        EXPECT_EQ(channel, v);
    }
    EXPECT_EQ(ColourComponentToInt(0.999f), 254); // truncated, not rounded
    EXPECT_EQ(ColourToRgb(FColour{0.2f, 0.4f, 0.6f}), (FRgb{51, 102, 153}));
}

TEST(DialogRules, CustomColoursOutOfRangeAreIgnored)
{
    FCustomColours& colours = FCustomColours::Process();
    colours.Reset();
    colours.Set(16, 0x000000);
    colours.Set(-1, 0x000000);
    for (int i = -1; i <= kCustomColourCount; ++i)
        EXPECT_EQ(colours.Get(i), 0xFFFFFFu) << i;
}

TEST(DialogRules, OnlyWebPagesAreOpenedAsDocuments)
{
    const struct
    {
        const char16_t* path;
        bool accepted;
    } cases[] = {
        {u"/opt/book/media/WWW/QuilloPhotoBookManual.html", true},
        {u"/a/b.Php", true},
        {u"/a/page.php?lang=de&x=1.jpg", true}, // the query does not count
        {u"/a/b.html.exe", false},
        {u"/a/b.shtml", false},
        {u"/a/b.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOpenableDocument(FString(c.path)), c.accepted) << FString(c.path).ToUtf8();
    EXPECT_EQ(UserGuidePath(FString(u"/opt/book")).ToUtf8(), "/opt/book/media/WWW/QuilloPhotoBookManual.html");
}

} // namespace
