// Where the choosers start, what they offer and which name they return (names
// with ':' are in PlainFileNamesTest).

#include "../base/TestFiles.h"
#include "ui/FileDialogRules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(MovieChooser, VideosFolderFollowsTheDesktop)
{
    const struct
    {
        const char* variable;
        const char* file;
        std::set<std::string> folders;
        const char* expected;
    } cases[] = {
        {"", "", {}, "/h"},
        {"$HOME/V", "XDG_VIDEOS_DIR=\"$HOME/Filme\"", {"/h/V", "/h/Filme"}, "/h/V"},
        // A variable naming no folder falls through to the file.
        {"/gone", "XDG_VIDEOS_DIR=\"$HOME/Filme\"", {"/h/Filme", "/h/Videos"}, "/h/Filme"},
        // The file: comments and other keys skipped, the last line wins, ${HOME} and
        // a relative path lie in home, an absolute one stays.
        {"",
         "# XDG_VIDEOS_DIR=\"/no\"\nXDG_VIDEOS_DIR_X=\"/no\"\n  XDG_VIDEOS_DIR=\"/no2\"\r\nXDG_VIDEOS_DIR=\"${HOME}/"
         "Vidéos\"\n",
         {"/h/Vidéos", "/no2"},
         "/h/Vidéos"},
        {"", "XDG_VIDEOS_DIR=\"/srv/films\"", {"/srv/films"}, "/srv/films"},
        {"", "XDG_VIDEOS_DIR=films", {"/h/films"}, "/h/films"},
        {"", "XDG_VIDEOS_DIR=\"$HOME/missing\"", {"/h/Videos"}, "/h/Videos"},
    };
    for (const auto& c : cases) {
        FUserFolders folders;
        folders.home = FString(u"/h");
        folders.videosVariable = FString::FromUtf8(c.variable);
        folders.userDirsFile = FString::FromUtf8(c.file);
        folders.isFolder = [&](const FString& path) { return c.folders.count(U8(path)) > 0; };
        EXPECT_EQ(U8(VideosFolder(folders)), c.expected) << c.variable << " | " << c.file;
    }
}

TEST(MovieChooser, StartsInVideosUnlessAPathWasStoredAndOffersAviAndMp4)
{
    FLocale locale;
    const FString videos(u"/h/Videos");
    for (const char16_t* unset : {u"", u"d:\\Temp\\QuilloPhotoBook.avi", u"D:\\TEMP\\QuilloPhotoBook.AVI"}) {
        const FFileDialogLayout first =
            FileDialogLayout(FFileDialogKind::Movie, MovieChooserPath(FString(unset), videos), locale);
        EXPECT_EQ(U8(first.initialDirectory), "/h/Videos");
        EXPECT_EQ(U8(first.initialName), "QuilloPhotoBook.avi");
    }
    // The book's folder names a first movie, its type the export's; a stored .avi or
    // .mp4 follows the type, another type stays the user's.
    const struct
    {
        const char16_t* stored;
        const char16_t* photos;
        int type;
        const char* proposed;
    } proposals[] = {
        {u"", u"/p/Holiday 2026", 2, "/h/Videos/Holiday 2026.mp4"},
        {u"d:\\Temp\\QuilloPhotoBook.avi", u"/p/Holiday", 0, "/h/Videos/Holiday.avi"},
        {u"", u"", 2, "/h/Videos/QuilloPhotoBook.mp4"},
        {u"/m/trip.avi", u"/p/Holiday", 2, "/m/trip.mp4"},
        {u"/m/trip.MP4", u"/p/Holiday", 1, "/m/trip.avi"},
        {u"/m/trip.webm", u"/p/Holiday", 0, "/m/trip.webm"},
        {u"/m/trip", u"/p/Holiday", 2, "/m/trip"},
    };
    for (const auto& p : proposals)
        EXPECT_EQ(U8(MovieChooserPath(FString(p.stored), videos, FString(p.photos), p.type)), p.proposed);

    const FFileDialogLayout stored =
        FileDialogLayout(FFileDialogKind::Movie, MovieChooserPath(FString(u"/m.d/trip.mp4"), videos, FString(), 2), locale);
    EXPECT_EQ(U8(stored.initialDirectory), "/m.d");
    EXPECT_EQ(U8(stored.initialName), "trip.mp4");
    ASSERT_EQ(stored.filters.size(), 2u);
    EXPECT_EQ(U8(stored.filters[0].patterns) + U8(stored.filters[1].patterns), "*.AVI*.MP4");
    EXPECT_EQ(stored.selectedFilter, 1);
    EXPECT_EQ(FileDialogLayout(FFileDialogKind::Movie, FString(u"/m/a.avi"), locale).selectedFilter, 0);
    EXPECT_EQ(U8(FileDialogLayout(FFileDialogKind::Movie, FString(u"/a.avi"), locale).initialDirectory), "/");
}

TEST(MovieChooser, FilterExtensionOnlyForANameWithout)
{
    const FFileDialogLayout movie = FileDialogLayout(FFileDialogKind::Movie, FString(u"/m/a.avi"), FLocale());
    const struct
    {
        const char16_t* chosen;
        int filter;
        const char* expected;
    } cases[] = {
        {u"/v/movie", 1, "/v/movie.mp4"},  {u"/v.d/movie", -1, "/v.d/movie.avi"}, {u"/v/movie.mkv", 0, "/v/movie.mkv"},
        {u"/v/movie.", 0, "/v/movie.avi"}, {u"/v/.movie", 1, "/v/.movie.mp4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(U8(ChosenPath(movie, FString(c.chosen), c.filter)), c.expected);
    // The photo chooser sets its extension, but knows none for a GIF; the photo
    // chooser opens in the folder of a photo even when the folder's name holds a ".".
    const FFileDialogLayout photo = FileDialogLayout(FFileDialogKind::SavePhoto, FString(u"/p/a.png"), FLocale());
    EXPECT_EQ(U8(ChosenPath(photo, FString(u"/p/b.jpg"), 0)), "/p/b.PNG");
    const FFileDialogLayout phone = FileDialogLayout(FFileDialogKind::SavePhoto, FString(u"/p/IMG_1.heic"), FLocale());
    EXPECT_EQ(U8(ChosenPath(phone, FString(u"/p/copy"), 0)), "/p/copy.HEIC");
    EXPECT_TRUE(
        FileDialogLayout(FFileDialogKind::SavePhoto, FString(u"/p/a.gif"), FLocale()).filters[0].extension.IsEmpty());
    EXPECT_EQ(U8(FileDialogLayout(FFileDialogKind::Photo, FString(u"/a/v1.2"), FLocale()).initialDirectory), "/a");
}

} // namespace
