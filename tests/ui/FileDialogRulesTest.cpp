#include "ui/FileDialogRules.h"

#include <gtest/gtest.h>

namespace {

TEST(FileDialogRules, KindsTitlesFiltersAndExtensions)
{
    FLocale locale;
    auto photo = FileDialogLayout(FFileDialogKind::Photo, FString(u"/home/u/pics"), locale);
    EXPECT_EQ(photo.patterns.ToUtf8(), "*.BMP;*.JPG;*.PNG;*.TGA");
    EXPECT_FALSE(photo.save);
    EXPECT_EQ(photo.initialDirectory.ToUtf8(), "/home/u/pics");

    auto savePng = FileDialogLayout(FFileDialogKind::SavePhoto, FString(u"/p/a.png"), locale);
    EXPECT_EQ(savePng.patterns.ToUtf8(), "*.PNG");
    EXPECT_EQ(savePng.defaultExtension.ToUtf8(), "PNG");
    EXPECT_TRUE(savePng.save);
    EXPECT_EQ(savePng.initialDirectory.ToUtf8(), "/p");
    auto saveOther = FileDialogLayout(FFileDialogKind::SavePhoto, FString(u"/p/a.gif"), locale);
    EXPECT_EQ(saveOther.filterDescription.ToUtf8(), "Photos (.BMP, .JPG, .PNG, .TGA)");
    EXPECT_TRUE(saveOther.defaultExtension.IsEmpty());

    EXPECT_EQ(FileDialogLayout(FFileDialogKind::Movie, FString(u"/m/x.avi"), locale).defaultExtension.ToUtf8(), "avi");

    // A folder whose own name holds a "." loses its last part.
    EXPECT_EQ(FileDialogLayout(FFileDialogKind::Photo, FString(u"/a/v1.2"), locale).initialDirectory.ToUtf8(), "/a");
}

TEST(FileDialogRules, DefaultExtensionReplacesOnlyTheNamesOwn)
{
    EXPECT_EQ(ApplyDefaultExtension(FString(u"/m/movie.mp4"), FString(u"avi")).ToUtf8(), "/m/movie.avi");
    EXPECT_EQ(ApplyDefaultExtension(FString(u"/m.v/movie"), FString(u"avi")).ToUtf8(), "/m.v/movie.avi");
    EXPECT_EQ(ApplyDefaultExtension(FString(u"/m/movie.png"), FString()).ToUtf8(), "/m/movie.png");
}

} // namespace
