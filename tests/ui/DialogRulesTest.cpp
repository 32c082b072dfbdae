#include "ui/DialogRules.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogRules, FieldsReadSevenCharactersAndSpeedsClampToOneThroughTwenty)
{
    // The digit after the seventh is cut off; seven blanks leave nothing to read: 0, so 1.
    const std::pair<const char16_t*, int32_t> speeds[] = {
        {u"0", 1}, {u"21", 20}, {u"-3", 1}, {u"abc", 1}, {u"7x", 7}, {u"  12", 12}, {u"00000123", 12}, {u"       5", 1},
    };
    for (const auto& [typed, stored] : speeds)
        EXPECT_EQ(SpeedFromField(FString(typed)), stored) << FString(typed).ToUtf8();
    EXPECT_EQ(ReadNumberField(FString(u"12345678")), 1234567);
    EXPECT_FLOAT_EQ(ReadFloatField(FString(u"1.0925926")), 1.09259f);
    EXPECT_FLOAT_EQ(ReadFloatField(FString(u"fast")), 0.0f);
}

TEST(DialogRules, OnlyWebPagesAreOpenedAsDocuments)
{
    const struct
    {
        const char16_t* path;
        bool accepted;
    } cases[] = {
        {u"/opt/book/media/WWW/QuilloPhotoBookManual.html", true},
        {u"/a/page.Php?lang=de&x=1.jpg", true}, // the query does not count
        {u"/a/b.html.exe", false},
        {u"/a/b.shtml", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOpenableDocument(FString(c.path)), c.accepted) << FString(c.path).ToUtf8();
}

} // namespace
