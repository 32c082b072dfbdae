#include "photos/PhotoFolder.h"

#include "../app/AppTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const FPhotoBookApp& app)
{
    std::vector<std::string> names;
    for (int i = 0; i < app.photoCount; ++i)
        names.push_back(app.photoPaths[i].FileNamePart().ToUtf8());
    return names;
}

TEST(PhotoFolder, DateKeys)
{
    EXPECT_EQ(DateKeyFromCalendar(1980, 1, 1, 0, 0, 0), 324172800);
    EXPECT_LT(DateKeyFromCalendar(2026, 12, 6, 11, 0, 0), DateKeyFromCalendar(2026, 12, 6, 11, 0, 1));
    // From late September 2036 the keys wrap negative and sort before older photos.
    EXPECT_LT(DateKeyFromCalendar(2036, 9, 25, 0, 0, 0), 0);
    EXPECT_GT(DateKeyFromCalendar(2036, 9, 23, 0, 0, 0), 0);
    EXPECT_EQ(PhotoDateKey(FString(u"/no/such/file.jpg")), 0);
    ScratchDir dir;
    WriteBytes(dir.file("a.jpg"), "x");
    EXPECT_GT(PhotoDateKey(dir.fileF("a.jpg")), DateKeyFromCalendar(2020, 1, 1, 0, 0, 0));
}

// A photo the user may not read has no date, whether asked for alone or listed
// with its folder. Root reads everything, so the check runs as "nobody".
TEST(PhotoFolder, AnUnreadablePhotoHasNoDateKey)
{
    ScratchDir dir;
    WriteBytes(dir.file("readable.jpg"), "x");
    WriteBytes(dir.file("locked.jpg"), "x");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("locked.jpg").c_str(), 0), 0);

    const int failures = RunAsNobody([&] {
        int result = 0;
        if (PhotoDateKey(dir.fileF("readable.jpg")) == 0)
            result |= 1;
        if (PhotoDateKey(dir.fileF("locked.jpg")) != 0)
            result |= 2;
        std::vector<FPhotoEntry> listed;
        if (!ListPhotos(dir.dirF(), 10, listed) || listed.size() != 2)
            result |= 4;
        for (const FPhotoEntry& photo : listed)
            if ((photo.dateKey == 0) != (photo.upperName == FString(u"LOCKED.JPG")))
                result |= 8;
        return result;
    });
    // 1: readable file lost its date, 2: locked file has one, 4: listing failed,
    // 8: listed dates wrong, 100: could not become nobody.
    EXPECT_EQ(failures, 0);
}

TEST(PhotoFolder, SortingIsStableAndByUpperCasedName)
{
    std::vector<FPhotoEntry> photos;
    for (const auto& [name, key] :
         {std::pair{u"b.png", 5}, {u"A.JPG", 5}, {u"10.jpg", 1}, {u"9.jpg", 7}, {u"a.jpg", 3}})
        photos.push_back({.path = FString(name), .upperName = FString(name).Uppered(), .dateKey = key});
    const auto sorted = [&](bool byDate) {
        std::vector<FPhotoEntry> list = photos;
        SortPhotos(list, byDate);
        std::string names;
        for (const FPhotoEntry& p : list)
            names += U8(p.path) + " ";
        return names;
    };
    EXPECT_EQ(sorted(false), "10.jpg 9.jpg A.JPG a.jpg b.png ");
    // Equal keys (b.png, A.JPG: the same second) keep listing order.
    EXPECT_EQ(sorted(true), "10.jpg a.jpg b.png A.JPG 9.jpg ");
}

TEST(ScanFolder, ListsPhotosWithTheirRealNamesInNameOrder)
{
    TestApp t;
    const std::string folder = t.dir.file("pics");
    fs::create_directory(folder);
    // ".JPG" anywhere in the upper-cased name counts, the newer types at its end;
    // "_ALPHA.PNG" never.
    for (const char* name : {"holiday.jpg", "HOLIDAY.JPG", "x.jpeg", "x.jpg.txt", "x_alpha.png", "b.png", "A.JPG",
                             "notes.txt", "c.tga", "d.BMP", "p.heic", "s.TIFF", "w.webp.txt", "v_alpha.avif"})
        WriteBytes(folder + "/" + name, "x");
    fs::create_directory(folder + "/dir.jpg"); // judged by name alone
    t.app.settings->SetRotation(FString::FromUtf8(folder + "/b.png"), 6);

    ASSERT_TRUE(t.app.ScanFolder(FString::FromUtf8(folder + "/b.png"), false, 0));
    auto names = Names(t.app);
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ((std::vector<std::string>(names.begin(), names.begin() + 5)),
              (std::vector<std::string>{"A.JPG", "b.png", "c.tga", "d.BMP", "dir.jpg"}));
    // Both spellings of holiday stay, each with its own real name.
    EXPECT_NE(std::find(names.begin(), names.end(), "holiday.jpg"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "HOLIDAY.JPG"), names.end());
    EXPECT_EQ(names.back(), "x.jpg.txt");
    EXPECT_EQ(t.app.photoRotation[1], 6);
    EXPECT_EQ(U8(t.app.settings->RecentPath[0]), folder + "/b.png");
    EXPECT_EQ(t.host.refreshes, 1);
    EXPECT_EQ(t.app.selectedPhoto, -1);
}

TEST(ScanFolder, EmptyUnreadableAndCancelled)
{
    TestApp t;
    const std::string full = t.dir.file("full");
    const std::string empty = t.dir.file("empty");
    fs::create_directory(full);
    fs::create_directory(empty);
    WriteBytes(full + "/1.jpg", "x");
    WriteBytes(empty + "/readme.txt", "x");
    ASSERT_TRUE(t.app.ScanFolder(FString::FromUtf8(full + "/1.jpg"), false, 0));
    t.app.NextPage(0);

    // A folder without photos: true, an empty list, the navigation left alone, and
    // slot 0 still naming the previous folder's first photo.
    EXPECT_TRUE(t.app.ScanFolder(FString::FromUtf8(empty + "/readme.txt"), false, 0));
    EXPECT_EQ(t.app.photoCount, 0);
    EXPECT_EQ(U8(t.app.photoPaths[0]), full + "/1.jpg");

    // A folder that cannot be listed: false, but already among the recent folders.
    EXPECT_FALSE(t.app.ScanFolder(FString::FromUtf8(t.dir.file("gone/a.jpg")), false, 0));
    EXPECT_EQ(U8(t.app.settings->RecentPath[0]), t.dir.file("gone/a.jpg"));
    EXPECT_EQ(t.app.photoCount, 0);

    // The chooser opens in the folder of recent entry 0; cancelling changes nothing.
    const auto recent = t.app.settings->RecentPath;
    t.host.answer = FString();
    EXPECT_FALSE(t.app.ScanFolder(FString(), false, 0));
    ASSERT_EQ(t.host.askedIn.size(), 1u);
    EXPECT_EQ(U8(t.host.askedIn[0]), t.dir.file("gone"));
    EXPECT_EQ(t.app.settings->RecentPath, recent);
}

TEST(ScanFolder, StopsAt1024Photos)
{
    TestApp t;
    const std::string folder = t.dir.file("many");
    fs::create_directory(folder);
    for (int i = 0; i < 1030; ++i)
        WriteBytes(folder + "/" + std::to_string(i) + ".jpg", "");
    ASSERT_TRUE(t.app.ScanFolder(FString::FromUtf8(folder + "/1.jpg"), false, 0));
    EXPECT_EQ(t.app.photoCount, 1024);
    EXPECT_EQ(t.app.LastPageIndex(), 512); // the spread of photos 1022 and 1023
}

} // namespace
