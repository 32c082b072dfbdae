#include "export/MovieContainer.h"

#include <gtest/gtest.h>

#include <optional>

TEST(MovieContainer, ExtensionOfTheFileNamePicksTheContainerAndAnyOtherIsRefused)
{
    const std::pair<const char16_t*, std::optional<FMovieContainer>> cases[] = {
        {u"/home/a/book.mp4", FMovieContainer::Mp4},   {u"/home/a/BOOK.Mp4", FMovieContainer::Mp4},
        {u"/home/a/book.m4v", FMovieContainer::Mp4},   {u"/home/a/book.mkv", FMovieContainer::Mkv},
        {u"/home/a/book.MOV", FMovieContainer::Mov},   {u"/home/a/book.webm", FMovieContainer::WebM},
        {u"/home/a/book.avi", FMovieContainer::Avi},   {u"/home/a/book.mp4.avi", FMovieContainer::Avi},
        {u"/home/a/holiday.mpg", std::nullopt},        {u"/home/a/holiday", std::nullopt},
        {u"/home/a.mp4/book", std::nullopt},           {u"/home/a/.mp4", std::nullopt},
        {u"/home/a/book.", std::nullopt},              {u"", std::nullopt},
    };
    for (const auto& [path, container] : cases) {
        EXPECT_EQ(ContainerForPath(FString(path)), container) << FString(path).ToUtf8();
        // The refusal names the file and the types that can be made.
        const std::string refusal = MovieTypeRefusal(FString(path)).ToUtf8();
        EXPECT_EQ(refusal.empty(), container.has_value()) << refusal;
        if (!container && *path)
            EXPECT_NE(refusal.find(".mp4, .m4v, .mov, .mkv, .webm or .avi"), std::string::npos) << refusal;
    }
    EXPECT_EQ(ContainerForType(u".WebM"), FMovieContainer::WebM);
    EXPECT_EQ(ContainerForType(u"mpg"), std::nullopt);
}
