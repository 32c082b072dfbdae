// Paths the line format cannot carry as they are (a quote with a space, line
// breaks, a lone tab, a leading '?') survive a save and a load through the
// escaped spelling, while ordinary paths keep the spelling they always had.

#include "TestFiles.h"
#include "base/FSettings.h"
#include "base/FTokenFile.h"

#include <gtest/gtest.h>

namespace {

struct Spelling
{
    const char* name;
    FString path;
    const char16_t* stored; // the token in the file; null: not pinned
};

std::vector<Spelling> Spellings()
{
    return {
        {"plain", FString(u"/data/x.jpg"), u"\t/data/x.jpg\r\n"},
        {"space", FString(u"/data/Holiday 2026/a.jpg"), u"\t\"/data/Holiday 2026/a.jpg\"\r\n"},
        {"quote without space", FString(u"/data/a\"b.jpg"), u"\t/data/a\"b.jpg\r\n"},
        {"percent", FString(u"/data/100%/a.jpg"), u"\t/data/100%/a.jpg\r\n"},
        {"backslashes", FString(u"C:\\photos\\n\\x.jpg"), u"\tC:\\photos\\n\\x.jpg\r\n"},
        {"space and quotes", FString(u"/a \"b\" c"), u"\t?/a%0020\"b\"%0020c\r\n"},
        {"leading quote", FString(u"\"/data/q"), u"\t?\"/data/q\r\n"},
        {"lone quote", FString(u"\""), nullptr},
        {"newline", FString(u"/data/line\nbreak/x.jpg"), u"\t?/data/line%000Abreak/x.jpg\r\n"},
        {"CR LF", FString(u"/data/a\r\nb"), nullptr},
        {"tab", FString(u"/data/tab\there"), u"\t\"/data/tab\there\"\r\n"},
        {"lone tab", FString(u"\t"), u"\t?%0009\r\n"},
        {"outer spaces", FString(u"  /data/x  "), u"\t\"  /data/x  \"\r\n"},
        {"mark first", FString(u"?/data/%"), u"\t?\?/data/%0025\r\n"},
        {"not UTF-8", FString::FromUtf8("/data/\xff\xfe \"x\"/\xc3"), nullptr},
        {"beyond the BMP", FString::FromUtf8("/data/\xf0\x9f\x98\x80 \"x\""), nullptr},
    };
}

TEST(SettingsOddPaths, EverySpellingComesBackAndOrdinaryOnesAreWrittenAsBefore)
{
    for (const Spelling& spelling : Spellings()) {
        SCOPED_TRACE(spelling.name);
        ScratchDir dir;
        FSettings s({dir.dirF(), 1920, 1080});
        s.RecentPath[1] = spelling.path;
        s.RecentPath[2] = FString(u"/next.jpg");
        s.ExportMoviePath = spelling.path;
        ASSERT_TRUE(s.SetRotation(spelling.path, 6));
        ASSERT_TRUE(s.SetRotation(FString(u"/after.jpg"), 3));
        ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved);

        const std::string bytes = ReadBytes(dir.file("QuilloPhotoBook.ini"));
        if (spelling.stored) {
            EXPECT_NE(bytes.find(Utf16File(std::u16string(u"\r\nRecentPath1") + spelling.stored, false)),
                      std::string::npos);
        }

        FSettings back({dir.dirF(), 1920, 1080});
        back.SettingsLoad();
        EXPECT_EQ(back.RecentPath, s.RecentPath);
        EXPECT_EQ(back.ExportMoviePath, spelling.path);
        EXPECT_EQ(back.GetRotation(spelling.path), 6);
        EXPECT_EQ(back.GetRotation(FString(u"/after.jpg")), 3);
        // And saved again, byte for byte the same file.
        ASSERT_EQ(back.SettingsSave(), FSaveResult::Saved);
        EXPECT_EQ(ReadBytes(dir.file("QuilloPhotoBook.ini")), bytes);
    }
}

TEST(SettingsOddPaths, PathsTooLongForATokenAreLeftOutNotCut)
{
    ScratchDir dir;
    FSettings s({dir.dirF(), 1920, 1080});
    const FString plain = FString::FromUtf8("/" + std::string(1000, 'a'));
    // 501 characters, but a quote with spaces needs the escapes, which make it 1502.
    std::string spaced = "/";
    for (int i = 0; i < 250; ++i)
        spaced += " \"";
    const FString escaped = FString::FromUtf8(spaced);
    for (const FString& path : {plain, escaped})
        ASSERT_TRUE(s.SetRotation(path, 6));
    s.RecentPath[1] = plain;
    s.RecentPath[2] = escaped;
    s.RecentPath[3] = FString(u"/next.jpg");
    ASSERT_EQ(s.SettingsSave(), FSaveResult::Saved);
    FSettings back({dir.dirF(), 1920, 1080});
    back.SettingsLoad();
    EXPECT_TRUE(back.RecentPath[1].IsEmpty());
    EXPECT_TRUE(back.RecentPath[2].IsEmpty());
    EXPECT_EQ(back.RecentPath[3], s.RecentPath[3]);
    EXPECT_EQ(back.GetRotation(plain), 0);
    EXPECT_EQ(back.GetRotation(escaped), 0);
}

TEST(SettingsOddPaths, HandWrittenValuesThatOnlyLookEscapedStayAsTheyAre)
{
    ScratchDir dir;
    WriteBytes(dir.file("QuilloPhotoBook.ini"),
               "RecentPath0\t?%zz\r\nRecentPath1\t?/a%00\r\nRecentPath2\t?/a%0041%0042\r\n");
    FSettings s({dir.dirF(), 1920, 1080});
    s.SettingsLoad();
    EXPECT_EQ(U8(s.RecentPath[0]), "?%zz");
    EXPECT_EQ(U8(s.RecentPath[1]), "?/a%00");
    EXPECT_EQ(U8(s.RecentPath[2]), "/aAB");
}

} // namespace
