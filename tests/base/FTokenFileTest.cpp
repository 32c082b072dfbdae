#include "base/FTokenFile.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Tokens = std::vector<std::u16string>;

// Each line's tokens, its whole text last.
std::vector<Tokens> ReadLines(const ScratchDir& dir, const std::string& bytes)
{
    WriteBytes(dir.file("t.txt"), bytes);
    std::vector<Tokens> lines;
    FTokenFile file(dir.fileF("t.txt"), false);
    while (file.ReadLine()) {
        Tokens line;
        for (int i = 0; i < file.TokenCount(); ++i)
            line.push_back(file.GetToken(i).Str());
        line.push_back(file.GetLine().Str());
        lines.push_back(line);
    }
    return lines;
}

TEST(FTokenFile, TokensQuotesAndLineEnds)
{
    ScratchDir dir;
    const auto lines = ReadLines(dir, "\"a b\"c\r\n"
                                      "ab\"cd\" e\n"
                                      "x \"\" y\r"
                                      "trailing \"\r\r\n"
                                      "open \"never closed\r\n"
                                      "last");
    const std::vector<Tokens> expected = {
        {u"a b", u"c", u"\"a b\"c"},
        {u"ab\"cd\"", u"e", u"ab\"cd\" e"},
        {u"x", u"", u"y", u"x \"\" y"},
        {u"trailing", u"trailing \""},
        {u""}, // CR CR LF: one line, then an empty one
        {u"open", u"never closed", u"open \"never closed"},
        {u"last", u"last"}, // a hand-made file's last line needs no break
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(ReadLines(dir, "").empty());
    // Without the mark a UTF-16 file is read byte by byte: garbage, but no crash.
    EXPECT_NE(ReadLines(dir, Utf16File(u"Quality\t2\r\n", false)).at(0).at(0), u"Quality");
    // An odd byte count loses only the stray byte.
    EXPECT_EQ(ReadLines(dir, Utf16File(u"one\r\ntwo\r\n") + "x"),
              (std::vector<Tokens>{{u"one", u"one"}, {u"two", u"two"}}));
}

TEST(FTokenFile, OverlongInputIsCutNotOverrun)
{
    ScratchDir dir;
    std::string many;
    for (int i = 0; i < 15; ++i)
        many += "t" + std::to_string(i) + " ";
    const auto lines =
        ReadLines(dir, std::string(1500, 'k') + " end\r\n" + std::string(12000, 'w') + "\r\n" + many + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0][0].size(), 1000u);
    EXPECT_EQ(lines[0][1], u"end");
    EXPECT_EQ(lines[1].back().size(), 9999u);
    ASSERT_EQ(lines[2].size(), 11u); // ten tokens and the line
    EXPECT_EQ(lines[2][9], u"t9");
    EXPECT_EQ(lines[3].back(), u"next"); // the cut line did not swallow the next one

    FTokenFile file(dir.fileF("t.txt"), false);
    ASSERT_TRUE(file.ReadLine());
    EXPECT_EQ(file.GetInt(2) + file.GetFloat(-1), 0); // out of range: empty
}

TEST(FileUtilities, DirectoriesAndNamesThatAreNotUtf8)
{
    ScratchDir dir;
    WriteBytes(dir.file("caf\xe9-\xff.txt"), Utf16File(u"h\u00e9"));
    EXPECT_EQ(ReadWholeFile(FString::FromUtf8(dir.file("caf\xe9-\xff.txt"))).Str(), u"h\u00e9");
    EXPECT_FALSE(FileExists(dir.dirF()));
    EXPECT_FALSE(FTokenFile(dir.dirF(), false).ReadLine()); // a directory reads as empty
}

} // namespace
