#include "base/FString.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(FString, PathParts)
{
    // path -> directory part, file name part, extension part
    const char16_t* cases[][4] = {
        {u"/p/a:b\\c/x\\y.jpg", u"/p/a:b\\c", u"x\\y.jpg", u"JPG"},
        {u"a.jpg", u"a.jpg", u"a.jpg", u"JPG"},
        {u"/photos/", u"/photos", u"", u""},
        {u"/no/dot", u"/no", u"dot", u""},
        {u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        const FString path(c[0]);
        EXPECT_EQ(path.DirectoryPart().Str() + u"|" + path.FileNamePart().Str() + u"|" + path.ExtensionPart().Str(),
                  std::u16string(c[1]) + u"|" + c[2] + u"|" + c[3])
            << U8(path);
    }

    // path, new extension -> path
    const char16_t* extensions[][3] = {
        {u"/x/photo.jpg", u"BMP", u"/x/photo.BMP"},
        {u"/x.y/photo", u".BMP", u"/x.y/photo.BMP"},
        {u"/a.b\\movie", u"avi", u"/a.avi"}, // the backslash belongs to the name
        {u"", u"avi", u""},
    };
    for (const auto& c : extensions) {
        FString path(c[0]);
        path.SetExtension(FString(c[1]));
        EXPECT_EQ(path.Str(), c[2]);
    }
}

TEST(FString, NumberTextIgnoresTheProcessLocale)
{
    // Qt sets the C library locale from the environment; a German locale must not
    // turn "1.5" into 1.
    const char* previous = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        setlocale(LC_NUMERIC, "de_DE");
    EXPECT_EQ(U8(FString::FromFloat(0.4f)) + " " + U8(FString::FromFloat(1234567.0f)), "0.4 1.23457e+06");
    const std::pair<const char16_t*, float> floats[] = {
        {u"  -2.5abc", -2.5f}, {u"1.23457e+006", 1234570.0f}, {u"abc", 0.0f}, {u"", 0.0f}};
    for (const auto& [text, value] : floats)
        EXPECT_FLOAT_EQ(FString(text).ToFloat(), value) << U8(FString(text));
    const std::pair<const char16_t*, int32_t> ints[] = {
        {u" 42x", 42}, {u"x1", 0}, {u"99999999999", INT32_MAX}, {u"-99999999999", INT32_MIN}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(FString(text).ToInt(), value) << U8(FString(text));
    setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FString, ComparingReplacingAndFileNameBytes)
{
    // a, b -> a is greater; an empty side never is. Code units compare unsigned.
    const std::tuple<const char16_t*, const char16_t*, bool> greater[] = {
        {u"a", u"", false}, {u"", u"a", false}, {u"ab", u"a", true}, {u"a", u"ab", false}, {u"\u00e9", u"z", true}};
    for (const auto& [a, b, isGreater] : greater)
        EXPECT_EQ(FString(a).IsGreater(FString(b)), isGreater) << U8(FString(a)) << " > " << U8(FString(b));
    EXPECT_EQ(FString(u"ab").CharAt(2), u'?');
    EXPECT_EQ(FString(u"ab").CharAt(-1), u'?');

    FString a(u"aaaa");
    a.ReplaceAll(FString(u"aa"), FString(u"a"));
    FString b(u"abab");
    b.ReplaceAll(FString(u"a"), FString(u"aa")); // would never end
    EXPECT_EQ(U8(a) + " " + U8(b), "a abab");

    // File names are bytes: whatever they hold comes back unchanged.
    for (const std::string& name : {std::string("\xf0\x9f\x93\xb7.png"), // outside the BMP: a surrogate pair
                                    std::string("\xc3(\xa0\xa1\xed\xa0\x80\xc0\xaf\xff"), // broken, overlong
                                    std::string("a\xe2\x82", 3)})                         // cut short at the end
        EXPECT_EQ(FString::FromUtf8(name).ToUtf8(), name) << name;
    EXPECT_EQ(FString::FromUtf8("caf\xc3\xa9").Str(), u"caf\u00e9");
    EXPECT_EQ(FString("caf\xe9", 0).Str(), u"caf\u00e9"); // eight-bit text is Latin-1
}

} // namespace
