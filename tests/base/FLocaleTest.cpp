#include "base/FLocale.h"

#include "TestFiles.h"
#include "base/FTokenFile.h"

#include <gtest/gtest.h>

namespace {

TEST(FLocale, FileOverridesUpToTheFirstEmptyLine)
{
    ScratchDir dir;
    WriteBytes(dir.file("l.txt"), "Ordner w\xe4hlen\r\none\\ntwo\r\none<NEW LINE>two\r\n \"q\"\t \r\n\r\nx\r\n");
    FLocale locale;
    EXPECT_TRUE(locale.GetText(kLocaleTextCount).IsEmpty() && locale.GetText(static_cast<uint32_t>(-1)).IsEmpty());
    ASSERT_TRUE(locale.LocaleLoad(dir.fileF("l.txt")));
    // Whole lines are kept; the empty line ends the file's texts.
    const char16_t* expected[] = {u"Ordner w\u00e4hlen", u"one\r\ntwo", u"one\r\ntwo", u" \"q\"\t "};
    for (uint32_t n = 0; n < std::size(expected); ++n)
        EXPECT_EQ(locale.GetText(n).Str(), expected[n]) << n;
    EXPECT_EQ(U8(locale.GetText(5)), "Next Page");
}

// English must repeat the built-in table; every translation line must hold a
// text, none may fall back to English because of a gap.
TEST(ShippedLocales, EnglishRepeatsTheBuiltInTableTranslationsCoverEveryText)
{
    FLocale builtIn;
    for (const char* name : {"English.txt", "German.txt", "French.txt"}) {
        const FString path = FString(PHOTOBOOK_SOURCE_MEDIA "/Locales/", 0).Concat(FString(name, 0));
        FTokenFile file(path, false);
        int lines = 0;
        for (; file.ReadLine(); ++lines)
            EXPECT_FALSE(file.GetLine().IsEmpty()) << name << " line " << lines + 1;
        EXPECT_EQ(lines, kLocaleTextCount) << name;
    }
    FLocale english;
    ASSERT_TRUE(english.LocaleLoad(FString(PHOTOBOOK_SOURCE_MEDIA "/Locales/English.txt", 0)));
    for (uint32_t n = 0; n < kLocaleTextCount; ++n) {
        FString file = english.GetText(n), table = builtIn.GetText(n);
        file.ReplaceLineBreaks(FString(u"\n"));
        table.ReplaceLineBreaks(FString(u"\n"));
        EXPECT_EQ(file, table) << n;
    }
}

} // namespace
