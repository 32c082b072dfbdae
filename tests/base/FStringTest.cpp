#include "base/FString.h"

#include <gtest/gtest.h>

namespace {

std::string U8(const FString& s) { return s.ToUtf8(); }

TEST(FString, PathParts)
{
    EXPECT_EQ(U8(FString(u"c:\\photos\\a.jpg").DirectoryPart()), "c:\\photos");
    EXPECT_EQ(U8(FString(u"a.jpg").DirectoryPart()), "a.jpg");
    EXPECT_EQ(U8(FString(u"/home/u/a.jpg").DirectoryPart()), "/home/u");
    EXPECT_EQ(U8(FString(u"c:\\photos\\").FileNamePart()), "");
    EXPECT_EQ(U8(FString(u"/home/u/a.jpg").FileNamePart()), "a.jpg");
    EXPECT_EQ(U8(FString().DirectoryPart()), "");

    EXPECT_EQ(U8(FString(u"c:\\x\\photo.jpg").ExtensionPart()), "JPG");
    EXPECT_EQ(U8(FString(u"photo.jpg?size=2").ExtensionPart()), "JPG");
    EXPECT_EQ(U8(FString(u"ab").ExtensionPart()), "");
    EXPECT_EQ(U8(FString(u"/no/dot").ExtensionPart()), "");

    FString a(u"c:\\x\\photo.jpg");
    a.SetExtension(FString(u"BMP"));
    EXPECT_EQ(U8(a), "c:\\x\\photo.BMP");
    FString b(u"c:\\x.y\\photo");
    b.SetExtension(FString(u".BMP"));
    EXPECT_EQ(U8(b), "c:\\x.y\\photo.BMP");
    FString c(u"/a.b/movie");
    c.SetExtension(FString(u"avi"));
    EXPECT_EQ(U8(c), "/a.b/movie.avi");
    FString empty;
    empty.SetExtension(FString(u"avi"));
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(FString, NumberText)
{
    EXPECT_EQ(U8(FString::FromInt(7, 2)), "07");
    EXPECT_EQ(U8(FString::FromInt(123, 3)), "123");
    EXPECT_EQ(U8(FString::FromInt(12, 3)), "012");
    EXPECT_EQ(U8(FString::FromInt(5, 3)), "005");
    EXPECT_EQ(U8(FString::FromInt(-42)), "-42");
    EXPECT_EQ(U8(FString::FromInt(255, 1, 16)), "ff");

    EXPECT_EQ(U8(FString::FromFloat(0.4f)), "0.4");
    EXPECT_EQ(U8(FString::FromFloat(25.0f)), "25");
    EXPECT_EQ(U8(FString::FromFloat(1.5707964f)), "1.5708");
    EXPECT_EQ(U8(FString::FromFloat(1234567.0f)), "1.23457e+06");
    EXPECT_EQ(U8(FString::FromFloat(3.14159f, 2)), "3.14");
    EXPECT_EQ(U8(FString::FromFloat(3.14159f, 0)), "3.14159");
    EXPECT_EQ(U8(FString::FromFloat(-0.000012f)), "-1.2e-05");

    EXPECT_FLOAT_EQ(FString(u"1.5708").ToFloat(), 1.5708f);
    EXPECT_FLOAT_EQ(FString(u"  -2.5abc").ToFloat(), -2.5f);
    EXPECT_FLOAT_EQ(FString(u"1.23457e+006").ToFloat(), 1234570.0f); // three-digit exponents read too
    EXPECT_EQ(FString(u"abc").ToFloat(), 0.0f);
    EXPECT_EQ(FString().ToFloat(), 0.0f);

    EXPECT_EQ(FString(u" 42x").ToInt(), 42);
    EXPECT_EQ(FString(u"-17").ToInt(), -17);
    EXPECT_EQ(FString(u"x1").ToInt(), 0);
    EXPECT_EQ(FString(u"99999999999").ToInt(), INT32_MAX);
    EXPECT_EQ(FString(u"-99999999999").ToInt(), INT32_MIN);
}

TEST(FString, NumbersIgnoreTheProcessLocale)
{
    // Qt sets the C library locale from the environment; a German locale must not
    // turn "1.5" into 1.
    const char* previous = setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        setlocale(LC_NUMERIC, "de_DE");
    EXPECT_FLOAT_EQ(FString(u"1.5").ToFloat(), 1.5f);
    EXPECT_EQ(U8(FString::FromFloat(0.4f)), "0.4");
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FString, Comparison)
{
    EXPECT_TRUE(FString().Equals(FString(u"")));
    EXPECT_FALSE(FString(u"a").IsGreater(FString()));
    EXPECT_FALSE(FString().IsGreater(FString(u"a")));
    EXPECT_TRUE(FString(u"b").IsGreater(FString(u"a")));
    EXPECT_TRUE(FString(u"ab").IsGreater(FString(u"a")));
    EXPECT_FALSE(FString(u"a").IsGreater(FString(u"ab")));
    // Code units compare unsigned: U+00E9 sorts after every ASCII letter.
    EXPECT_TRUE(FString(u"\u00e9").IsGreater(FString(u"z")));
    EXPECT_TRUE(FString(u"9").IsGreater(FString(u"10")));

    EXPECT_FALSE(FString(u"abc").Contains(FString()));
    EXPECT_FALSE(FString().Contains(FString(u"a")));
    EXPECT_TRUE(FString(u"abc").Contains(FString(u"bc")));
    EXPECT_FALSE(FString(u"abc").Contains(FString(u"BC")));

    EXPECT_EQ(FString(u"ab").CharAt(1), u'b');
    EXPECT_EQ(FString(u"ab").CharAt(2), u'?');
    EXPECT_EQ(FString(u"ab").CharAt(-1), u'?');
}

TEST(FString, Editing)
{
    FString a(u"aaaa");
    a.ReplaceAll(FString(u"aa"), FString(u"a"));
    EXPECT_EQ(U8(a), "a");
    FString b(u"abab");
    b.ReplaceAll(FString(u"a"), FString(u"aa")); // would never end
    EXPECT_EQ(U8(b), "abab");
    // Each round takes the first occurrence again, so replacements that create new
    // matches before the cursor are found too.
    FString c(u"aabb");
    c.ReplaceAll(FString(u"ab"), FString(u"a"));
    EXPECT_EQ(U8(c), "aa");

    FString d(u"x\r\ny\nz\rw");
    d.ReplaceLineBreaks(FString(u"|"));
    EXPECT_EQ(U8(d), "x|y|z|w");

    FString e(u"Hello World-\u00e4");
    e.ToUpper();
    EXPECT_EQ(e.Str(), u"HELLO WORLD-\u00e4");
    e.ToLower();
    EXPECT_EQ(e.Str(), u"hello world-\u00e4");

    FString f(u"one two one");
    f.RemoveFirst(FString(u"one"));
    EXPECT_EQ(U8(f), " two one");
    f.RemoveAll(FString(u"o"));
    EXPECT_EQ(U8(f), " tw ne");
    FString g(u"key=value=x");
    g.KeepAfter(FString(u"="));
    EXPECT_EQ(U8(g), "value=x");
    g.KeepBefore(FString(u"="));
    EXPECT_EQ(U8(g), "value");
    g.Truncate(10);
    EXPECT_EQ(U8(g), "value");
    g.Truncate(2);
    EXPECT_EQ(U8(g), "va");
    g.Append(char16_t(0));
    EXPECT_EQ(g.Length(), 2);

    EXPECT_EQ(U8(FString::FormatFileSize(3ull << 30)), "3 GB");
    EXPECT_EQ(U8(FString::FormatFileSize(5ull << 20)), "5 MB");
    EXPECT_EQ(U8(FString::FormatFileSize(1023)), "0 KB");
}

TEST(FString, EightBitTextIsLatin1)
{
    FString s("caf\xe9", 0);
    ASSERT_EQ(s.Length(), 4);
    EXPECT_EQ(s.CharAt(3), char16_t(0xE9));
    EXPECT_TRUE(FString(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(FString, FileNameBytesRoundTrip)
{
    const std::string names[] = {
        "plain.jpg",
        "caf\xc3\xa9 \xe2\x82\xac.jpg",   // valid UTF-8
        "\xf0\x9f\x93\xb7.png",            // outside the BMP: a surrogate pair
        "latin1-caf\xe9.jpg",              // not UTF-8 at all
        "\xc3(\xa0\xa1\xed\xa0\x80\xc0\xaf\xff", // broken sequences, surrogates, overlong
        std::string("a\xe2\x82", 3),       // cut short at the end
    };
    for (const std::string& name : names)
        EXPECT_EQ(FString::FromUtf8(name).ToUtf8(), name) << name;
    EXPECT_EQ(FString::FromUtf8("caf\xc3\xa9").Str(), u"caf\u00e9");
}

} // namespace
