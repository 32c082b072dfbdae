// ":" and "\" are ordinary characters of file and folder names here: a folder
// chosen through such a photo must scan, be remembered and be shown as itself.

#include "../app/AppTestSupport.h"
#include "ui/FMenuModel.h"
#include "ui/FileDialogRules.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(PlainFileNames, ColonAndBackslashNamesScanAndAreRemembered)
{
    TestApp t;
    const std::string folder = t.dir.file("12:30 a\\b");
    std::filesystem::create_directory(folder);
    for (const char* name : {"12:30.jpg", "a\\b.jpg", "c:.png", "notes:x.txt"})
        WriteBytes(folder + "/" + name, "x");
    const FString picked = FString::FromUtf8(folder + "/12:30.jpg");
    const FString mirrored = FString::FromUtf8(folder + "/a\\b.jpg");
    t.app.settings->SetRotation(mirrored, 3);

    ASSERT_TRUE(t.app.ScanFolder(picked, false, 0));
    ASSERT_EQ(t.app.photoCount, 3);
    EXPECT_EQ(U8(t.app.photoPaths[1]), folder + "/a\\b.jpg");
    EXPECT_EQ(U8(t.app.photoPaths[2]), folder + "/c:.png");
    EXPECT_EQ(t.app.photoRotation[1], 3);

    // Recent entry 0, its menu text and where the choosers open.
    EXPECT_EQ(U8(t.app.settings->GetRecentPath(0)), folder + "/12:30.jpg");
    EXPECT_EQ(U8(RecentFolderText(t.app.settings->GetRecentPath(0))), folder);
    FLocale locale;
    EXPECT_EQ(U8(FileDialogLayout(FFileDialogKind::Photo, picked, locale).initialDirectory), folder);
    const FFileDialogLayout save = FileDialogLayout(FFileDialogKind::SavePhoto, mirrored, locale);
    EXPECT_EQ(U8(save.initialDirectory), folder);
    EXPECT_EQ(U8(save.filters[0].extension), "JPG");
    EXPECT_EQ(U8(ApplyDefaultExtension(FString::FromUtf8(folder + "/x:y"), FString(u"avi"))), folder + "/x:y.avi");
    // Another photo of the same folder is the same entry. (Such paths and their
    // rotations through the settings file: FSettingsTest.)
    t.app.settings->AddRecentPath(mirrored);
    EXPECT_EQ(U8(t.app.settings->GetRecentPath(1)), t.dir.path() + "/media/photos/quillo1.jpg");
}

} // namespace
