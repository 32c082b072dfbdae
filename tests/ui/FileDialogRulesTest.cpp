#include "ui/FileDialogRules.h"

#include <gtest/gtest.h>

namespace {

// Where each chooser opens and what it appends (names with ':' are in PlainFileNamesTest).
TEST(FileDialogRules, FoldersAndExtensions)
{
    FLocale locale;
    // A folder whose own name holds a "." loses its last part.
    EXPECT_EQ(FileDialogLayout(FFileDialogKind::Photo, FString(u"/a/v1.2"), locale).initialDirectory.ToUtf8(), "/a");
    EXPECT_TRUE(
        FileDialogLayout(FFileDialogKind::SavePhoto, FString(u"/p/a.gif"), locale).filters[0].extension.IsEmpty());
    EXPECT_EQ(FileDialogLayout(FFileDialogKind::Movie, FString(u"/m/x.avi"), locale).filters[0].extension.ToUtf8(),
              "avi");

    EXPECT_EQ(ApplyDefaultExtension(FString(u"/m/movie.mp4"), FString(u"avi")).ToUtf8(), "/m/movie.avi");
    EXPECT_EQ(ApplyDefaultExtension(FString(u"/m.v/movie"), FString(u"avi")).ToUtf8(), "/m.v/movie.avi");
    EXPECT_EQ(ApplyDefaultExtension(FString(u"/m/movie.png"), FString()).ToUtf8(), "/m/movie.png");
}

} // namespace
