#include "base/FString.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::string U8(const FString& s)
{
    return s.ToUtf8();
}

TEST(FString, PathParts)
{
    // path -> directory part, file name part, extension part
    const char16_t* cases[][4] = {
        {u"/p/12:30.jpg", u"/p", u"12:30.jpg", u"JPG"},
        {u"/p/a:b\\c/x\\y.jpg", u"/p/a:b\\c", u"x\\y.jpg", u"JPG"},
        {u"a.jpg", u"a.jpg", u"a.jpg", u"JPG"},
        {u"/home/u/a.jpg", u"/home/u", u"a.jpg", u"JPG"},
        {u"/photos/", u"/photos", u"", u""},
        {u"photo.jpg?size=2", u"photo.jpg?size=2", u"photo.jpg?size=2", u"JPG"},
        {u"/no/dot", u"/no", u"dot", u""},
        {u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        const FString path(c[0]);
        EXPECT_EQ(path.DirectoryPart().Str(), c[1]) << U8(path);
        EXPECT_EQ(path.FileNamePart().Str(), c[2]) << U8(path);
        EXPECT_EQ(path.ExtensionPart().Str(), c[3]) << U8(path);
    }
    EXPECT_EQ(U8(FString(u"ab").ExtensionPart()), "");

    // path, new extension -> path
    const char16_t* extensions[][3] = {
        {u"/x/photo.jpg", u"BMP", u"/x/photo.BMP"},
        {u"/x.y/photo", u".BMP", u"/x.y/photo.BMP"},
        {u"/a.b/movie", u"avi", u"/a.b/movie.avi"},
        {u"/a.b\\movie", u"avi", u"/a.avi"}, // the backslash belongs to the name
        {u"", u"avi", u""},
    };
    for (const auto& c : extensions) {
        FString path(c[0]);
        path.SetExtension(FString(c[1]));
        EXPECT_EQ(path.Str(), c[2]);
    }
}

TEST(FString, NumberText)
{
    const std::pair<FString, const char*> texts[] = {
        {FString::FromInt(7, 2), "07"},
        {FString::FromInt(123, 3), "123"},
        {FString::FromInt(5, 3), "005"},
        {FString::FromInt(-42), "-42"},
        {FString::FromInt(255, 1, 16), "ff"},
        {FString::FromFloat(0.4f), "0.4"},
        {FString::FromFloat(25.0f), "25"},
        {FString::FromFloat(1.5707964f), "1.5708"},
        {FString::FromFloat(1234567.0f), "1.23457e+06"},
        {FString::FromFloat(3.14159f, 2), "3.14"},
        {FString::FromFloat(3.14159f, 0), "3.14159"},
        {FString::FromFloat(-0.000012f), "-1.2e-05"},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(U8(text), expected);

    const std::pair<const char16_t*, float> floats[] = {
        {u"1.5708", 1.5708f}, {u"  -2.5abc", -2.5f}, {u"1.23457e+006", 1234570.0f}, // three-digit exponents read too
        {u"abc", 0.0f},       {u"", 0.0f},
    };
    for (const auto& [text, value] : floats)
        EXPECT_FLOAT_EQ(FString(text).ToFloat(), value) << U8(FString(text));
    const std::pair<const char16_t*, int32_t> ints[] = {
        {u" 42x", 42}, {u"-17", -17}, {u"x1", 0}, {u"99999999999", INT32_MAX}, {u"-99999999999", INT32_MIN}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(FString(text).ToInt(), value) << U8(FString(text));
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
    // a, b -> a is greater; an empty side never is. Code units compare unsigned:
    // U+00E9 sorts after every ASCII letter.
    const std::tuple<const char16_t*, const char16_t*, bool> greater[] = {
        {u"a", u"", false},   {u"", u"a", false},      {u"b", u"a", true}, {u"ab", u"a", true},
        {u"a", u"ab", false}, {u"\u00e9", u"z", true}, {u"9", u"10", true}};
    for (const auto& [a, b, isGreater] : greater)
        EXPECT_EQ(FString(a).IsGreater(FString(b)), isGreater) << U8(FString(a)) << " > " << U8(FString(b));

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
    e.ToUpper(); // ASCII only, as file name keys are compared
    EXPECT_EQ(e.Str(), u"HELLO WORLD-\u00e4");

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
        "caf\xc3\xa9 \xe2\x82\xac.jpg",          // valid UTF-8
        "\xf0\x9f\x93\xb7.png",                  // outside the BMP: a surrogate pair
        "latin1-caf\xe9.jpg",                    // not UTF-8 at all
        "\xc3(\xa0\xa1\xed\xa0\x80\xc0\xaf\xff", // broken sequences, surrogates, overlong
        std::string("a\xe2\x82", 3),             // cut short at the end
    };
    for (const std::string& name : names)
        EXPECT_EQ(FString::FromUtf8(name).ToUtf8(), name) << name;
    EXPECT_EQ(FString::FromUtf8("caf\xc3\xa9").Str(), u"caf\u00e9");
}

} // namespace
