#include "base/FLocale.h"

#include "TestFiles.h"
#include "base/FTokenFile.h"

#include <gtest/gtest.h>

namespace {

FString Normalised(FString s)
{
    s.ReplaceLineBreaks(FString(u"\n"));
    return s;
}

std::string Latin1Lines(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const auto& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

TEST(FLocale, BuiltInTableIsCompleteAndLookupIsBounded)
{
    FLocale locale;
    for (uint32_t n = 0; n < kLocaleTextCount; ++n)
        EXPECT_FALSE(locale.GetText(n).IsEmpty()) << n;
    EXPECT_EQ(U8(locale.GetText(70)), "Now switching to built-in English");
    EXPECT_TRUE(locale.GetText(100).IsEmpty());
    EXPECT_TRUE(locale.GetText(static_cast<uint32_t>(-1)).IsEmpty());
    EXPECT_NE(locale.GetText(48).Str().find(u"mouse.\n\nWhen"), std::u16string::npos);
}

TEST(FLocale, FileOverridesUpToTheFirstEmptyLine)
{
    ScratchDir dir;
    WriteBytes(dir.file("l.txt"), Latin1Lines({"Datei", "Ordner w\xe4hlen", "", "Beenden"}));
    FLocale locale;
    ASSERT_TRUE(locale.LocaleLoad(dir.fileF("l.txt")));
    EXPECT_EQ(U8(locale.GetText(0)), "Datei");
    EXPECT_EQ(locale.GetText(1).Str(), u"Ordner w\u00e4hlen");
    EXPECT_EQ(U8(locale.GetText(2)), "Recent Folders");
    EXPECT_EQ(U8(locale.GetText(3)), "Exit");

    // Loading another file starts from English again, not from the last file.
    WriteBytes(dir.file("m.txt"), Latin1Lines({"Fichier"}));
    ASSERT_TRUE(locale.LocaleLoad(dir.fileF("m.txt")));
    EXPECT_EQ(U8(locale.GetText(1)), "Select Folder");
}

TEST(FLocale, EscapesBecomeLineBreaksAndWholeLinesAreKept)
{
    ScratchDir dir;
    WriteBytes(dir.file("l.txt"), Latin1Lines({"one\\ntwo", "one<NEW LINE>two", "  \"quoted\"\tand tabbed "}));
    FLocale locale;
    ASSERT_TRUE(locale.LocaleLoad(dir.fileF("l.txt")));
    EXPECT_EQ(locale.GetText(0).Str(), u"one\r\ntwo");
    EXPECT_EQ(locale.GetText(1).Str(), u"one\r\ntwo");
    EXPECT_EQ(locale.GetText(2).Str(), u"  \"quoted\"\tand tabbed ");
}

TEST(FLocale, UnreadableFileLeavesEnglishAndStillSucceeds)
{
    ScratchDir dir;
    FLocale locale;
    EXPECT_TRUE(locale.LocaleLoad(dir.fileF("missing.txt")));
    EXPECT_EQ(U8(locale.GetText(70)), "Now switching to built-in English");
    WriteBytes(dir.file("bin.txt"), std::string("\0\0\0\0", 4));
    EXPECT_TRUE(locale.LocaleLoad(dir.fileF("bin.txt")));
    EXPECT_FALSE(locale.GetText(0).IsEmpty());
}

TEST(ShippedLocales, EnglishFileRepeatsTheBuiltInTable)
{
    const FString path(PHOTOBOOK_SOURCE_MEDIA "/Locales/English.txt", 0);
    FLocale builtIn, fromFile;
    ASSERT_TRUE(fromFile.LocaleLoad(path));
    FTokenFile raw(path, false);
    EXPECT_FALSE(raw.IsWide());
    for (uint32_t n = 0; n < kLocaleTextCount; ++n)
        EXPECT_EQ(Normalised(fromFile.GetText(n)), Normalised(builtIn.GetText(n))) << n;
}

TEST(ShippedLocales, TranslationsCoverEveryText)
{
    for (const char* name : {"German.txt", "French.txt"}) {
        const FString path = FString(PHOTOBOOK_SOURCE_MEDIA "/Locales/", 0).Concat(FString(name, 0));
        ASSERT_TRUE(FileExists(path)) << name;
        // Count the file's own lines: every text must come from the file, none
        // may fall back to English because of a gap.
        FTokenFile file(path, false);
        int lines = 0;
        while (file.ReadLine()) {
            EXPECT_FALSE(file.GetLine().IsEmpty()) << name << " line " << lines + 1;
            ++lines;
        }
        EXPECT_EQ(lines, kLocaleTextCount) << name;
        FLocale locale;
        ASSERT_TRUE(locale.LocaleLoad(path));
        EXPECT_NE(U8(locale.GetText(0)), "File") << name;
        EXPECT_NE(locale.GetText(48).Str().find(u"\r\n\r\n"), std::u16string::npos) << name;
    }
}

} // namespace
