#include "export/MovieContainer.h"

#include <gtest/gtest.h>

TEST(MovieContainer, ExtensionOfTheFileNamePicksTheContainer)
{
    const std::pair<const char16_t*, FMovieContainer> cases[] = {
        {u"/home/a/book.mp4", FMovieContainer::Mp4}, {u"/home/a/BOOK.Mp4", FMovieContainer::Mp4},
        {u"/home/a/book.mkv", FMovieContainer::Mkv}, {u"/home/a/book.avi", FMovieContainer::Avi},
        {u"/home/a.mp4/book", FMovieContainer::Avi}, {u"/home/a/book.mp4.avi", FMovieContainer::Avi},
        {u"/home/a/.mp4", FMovieContainer::Avi},     {u"", FMovieContainer::Avi},
    };
    for (const auto& [path, container] : cases)
        EXPECT_EQ(ContainerForPath(FString(path)), container) << FString(path).ToUtf8();
}
