#include "base/FTokenFile.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Line
{
    std::vector<std::u16string> tokens;
    std::u16string text;
};

std::vector<Line> ReadAll(const FString& path)
{
    std::vector<Line> lines;
    FTokenFile file(path, false);
    while (file.ReadLine()) {
        Line line;
        for (int i = 0; i < file.TokenCount(); ++i)
            line.tokens.push_back(file.GetToken(i).Str());
        line.text = file.GetLine().Str();
        lines.push_back(line);
    }
    return lines;
}

std::vector<Line> ReadBytesAsLines(const ScratchDir& dir, const std::string& bytes)
{
    WriteBytes(dir.file("t.txt"), bytes);
    return ReadAll(dir.fileF("t.txt"));
}

TEST(FTokenFile, SplitsTokensAndHonoursQuotes)
{
    ScratchDir dir;
    auto lines = ReadBytesAsLines(dir, "Window\t10\t20\t810\t620\r\n"
                                       "BGTexturePath\t\"/home/u/my pics/bg.jpg\"\r\n"
                                       "\"a b\"c\r\n"
                                       "ab\"cd\" e\r\n"
                                       "x \"\" y\r\n"
                                       "trailing \"\r\n"
                                       "   \r\n"
                                       "open \"never closed\r\n");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].tokens, (std::vector<std::u16string>{u"Window", u"10", u"20", u"810", u"620"}));
    EXPECT_EQ(lines[1].tokens, (std::vector<std::u16string>{u"BGTexturePath", u"/home/u/my pics/bg.jpg"}));
    EXPECT_EQ(lines[2].tokens, (std::vector<std::u16string>{u"a b", u"c"}));
    EXPECT_EQ(lines[3].tokens, (std::vector<std::u16string>{u"ab\"cd\"", u"e"}));
    EXPECT_EQ(lines[4].tokens, (std::vector<std::u16string>{u"x", u"", u"y"}));
    EXPECT_EQ(lines[5].tokens, (std::vector<std::u16string>{u"trailing"}));
    EXPECT_TRUE(lines[6].tokens.empty());
    EXPECT_EQ(lines[7].tokens, (std::vector<std::u16string>{u"open", u"never closed"}));
}

TEST(FTokenFile, EightBitAndUtf16GiveTheSameTokens)
{
    ScratchDir dir;
    const std::u16string text = u"Locale\t\"/opt/qu\u00e9 p/Fran\u00e7ais.txt\"\r\nQuality\t2\r\n";
    std::string latin1;
    for (char16_t c : text)
        latin1.push_back(static_cast<char>(c));
    auto eight = ReadBytesAsLines(dir, latin1);
    auto wide = ReadBytesAsLines(dir, Utf16File(text));
    ASSERT_EQ(eight.size(), 2u);
    ASSERT_EQ(wide.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(eight[i].tokens, wide[i].tokens);
    EXPECT_EQ(wide[0].tokens[1], u"/opt/qu\u00e9 p/Fran\u00e7ais.txt");

    // Without the mark a UTF-16 file is read byte by byte: garbage, but no crash.
    auto unmarked = ReadBytesAsLines(dir, Utf16File(u"Quality\t2\r\n", false));
    ASSERT_FALSE(unmarked.empty());
    EXPECT_NE(unmarked[0].tokens.at(0), u"Quality");
    // An odd byte count loses only the stray byte.
    auto odd = ReadBytesAsLines(dir, Utf16File(u"one\r\ntwo\r\n") + "x");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[1].text, u"two");
}

TEST(FTokenFile, LineEnds)
{
    ScratchDir dir;
    auto lines = ReadBytesAsLines(dir, "a\rb\r\r\nc\nlast");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].text, u"a");
    EXPECT_EQ(lines[1].text, u"b");
    EXPECT_EQ(lines[2].text, u""); // CR CR LF: one line, then an empty one
    EXPECT_EQ(lines[3].text, u"c");
    EXPECT_EQ(lines[4].text, u"last"); // a hand-made file's last line needs no break
    EXPECT_TRUE(ReadBytesAsLines(dir, "").empty());
    EXPECT_EQ(ReadBytesAsLines(dir, "a\r").size(), 1u);
}

TEST(FTokenFile, OverlongInputIsCutNotOverrun)
{
    ScratchDir dir;
    std::string longToken(1500, 'k');
    std::string longLine(12000, 'w');
    std::string many;
    for (int i = 0; i < 15; ++i)
        many += "t" + std::to_string(i) + " ";
    auto lines = ReadBytesAsLines(dir, longToken + " end\r\n" + longLine + "\r\n" + many + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].tokens[0].size(), 1000u);
    EXPECT_EQ(lines[0].tokens[1], u"end");
    EXPECT_EQ(lines[1].text.size(), 9999u);
    EXPECT_EQ(lines[2].tokens.size(), 10u);
    EXPECT_EQ(lines[2].tokens[9], u"t9");
    EXPECT_EQ(lines[3].text, u"next"); // the cut line did not swallow the next one
}

TEST(FTokenFile, OutOfRangeTokensAreEmptyAndIndexTenIsLogged)
{
    ScratchDir dir;
    WriteBytes(dir.file("t.txt"), "Quality\r\n");
    FTokenFile file(dir.fileF("t.txt"), false);
    ASSERT_TRUE(file.ReadLine());
    EXPECT_EQ(file.GetInt(1), 0);
    EXPECT_EQ(file.GetFloat(-1), 0.0f);
    EXPECT_FALSE(file.GetBool(3));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(file.GetToken(10).IsEmpty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Increase dMaxTokensPerLine!\n");
    EXPECT_FALSE(file.ReadLine());
}

TEST(FTokenFile, WritesUtf16WithTabsQuotesAndEscapes)
{
    ScratchDir dir;
    {
        FTokenFile out(dir.fileF("w.txt"), true);
        out.AddString(FString(u""));
        out.AddString(FString(u"key"));
        out.EndLine();
        out.AddString(FString(u"Path"));
        out.AddString(FString(u"/a b/c"));
        out.AddInt(-3);
        out.AddFloat(1.5707964f);
        out.AddBool(true);
        out.AddBool(false);
        out.EndLine();
        out.AddString(FString(u"Text"));
        out.AddString(FString(u"a\r\nb"));
        out.EndLine();
        out.AddString(FString(u"ignored"));
        out.EndLine(FString(u"override"));
        EXPECT_TRUE(out.Finish());
    }
    EXPECT_EQ(ReadBytes(dir.file("w.txt")),
              Utf16File(u"\t\"\"\tkey\r\nPath\t\"/a b/c\"\t-3\t1.5708\tY\tN\r\nText\ta\\nb\r\noverride\r\n"));

    FTokenFile in(dir.fileF("w.txt"), false);
    EXPECT_TRUE(in.ReadLine());
    EXPECT_EQ(in.GetToken(0).Str(), u"");
    EXPECT_TRUE(in.ReadLine());
    EXPECT_EQ(in.GetInt(2), -3);
    EXPECT_EQ(in.GetFloat(3), 1.5708f);
    EXPECT_TRUE(in.GetBool(4));
    EXPECT_FALSE(in.GetBool(5));
    EXPECT_TRUE(in.ReadLine());
    EXPECT_EQ(in.GetToken(1, true).Str(), u"a\r\nb");
    EXPECT_EQ(in.GetToken(1, false).Str(), u"a\\nb");
    EXPECT_EQ(in.GetLine(true).Str(), u"Text\ta\r\nb");
}

TEST(FTokenFile, ReaderWritesNothingMissingFileReadsEmptyAndWriterReportsFailure)
{
    ScratchDir dir;
    WriteBytes(dir.file("r.txt"), "keep\r\n");
    {
        FTokenFile in(dir.fileF("r.txt"), false);
        in.AddString(FString(u"x"));
        in.EndLine();
    }
    EXPECT_EQ(ReadBytes(dir.file("r.txt")), "keep\r\n");

    FTokenFile missing(dir.fileF("nothing.txt"), false);
    EXPECT_TRUE(missing.ok());
    EXPECT_FALSE(missing.opened());
    EXPECT_FALSE(missing.ReadLine());
    EXPECT_FALSE(missing.IsWide());

    // A directory opens but reads as empty.
    FTokenFile directory(dir.dirF(), false);
    EXPECT_FALSE(directory.ReadLine());

    FTokenFile out(dir.fileF("no/such/folder/w.txt"), true);
    out.AddString(FString(u"x"));
    out.EndLine();
    EXPECT_FALSE(out.Finish());
}

TEST(FileUtilities, ExistSizeAndWholeFile)
{
    ScratchDir dir;
    WriteBytes(dir.file("a.txt"), std::string("ab\0cd", 5));
    WriteBytes(dir.file("w.txt"), Utf16File(u"h\u00e9"));
    EXPECT_TRUE(FileExists(dir.fileF("a.txt")));
    EXPECT_FALSE(FileExists(dir.dirF()));
    EXPECT_FALSE(FileExists(FString()));
    EXPECT_EQ(GetFileSize64(dir.fileF("a.txt")), 5u);
    EXPECT_EQ(GetFileSize64(dir.fileF("none")), 0u);
    EXPECT_EQ(ReadWholeFile(dir.fileF("a.txt")).Str(), u"ab");
    EXPECT_EQ(ReadWholeFile(dir.fileF("w.txt")).Str(), u"h\u00e9");
    EXPECT_TRUE(ReadWholeFile(dir.fileF("none")).IsEmpty());
    EXPECT_FALSE(GetModuleDirectory().IsEmpty());
    EXPECT_TRUE(DirectoryExists(GetModuleDirectory()));

    // Names are bytes: one that is not UTF-8 still opens.
    WriteBytes(dir.file("caf\xe9-\xff.txt"), "x\r\n");
    EXPECT_TRUE(FileExists(FString::FromUtf8(dir.file("caf\xe9-\xff.txt"))));
    EXPECT_TRUE(FTokenFile(FString::FromUtf8(dir.file("caf\xe9-\xff.txt")), false).ReadLine());
}

} // namespace
