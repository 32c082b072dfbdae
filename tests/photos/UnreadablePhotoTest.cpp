// A photo the user may not read has no date, whether asked for alone or listed
// with its folder. Root reads everything, so the check runs as "nobody".

#include "../base/TestFiles.h"
#include "photos/PhotoFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(UnreadablePhoto, HasNoDateKey)
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

} // namespace
