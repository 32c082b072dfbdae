// A photo the user may not read has no date, whether asked for alone or listed
// with its folder. Root reads everything, so the check runs as "nobody".

#include "../base/TestFiles.h"
#include "photos/PhotoFolder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(UnreadablePhoto, HasNoDateKey)
{
    ScratchDir dir;
    WriteBytes(dir.file("readable.jpg"), "x");
    WriteBytes(dir.file("locked.jpg"), "x");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("locked.jpg").c_str(), 0), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                                 ::setresuid(kNobody, kNobody, kNobody) != 0))
            ::_exit(100);
        int failures = 0;
        if (PhotoDateKey(dir.fileF("readable.jpg")) == 0)
            failures |= 1;
        if (PhotoDateKey(dir.fileF("locked.jpg")) != 0)
            failures |= 2;
        std::vector<FPhotoEntry> listed;
        if (!ListPhotos(dir.dirF(), 10, listed) || listed.size() != 2)
            failures |= 4;
        for (const FPhotoEntry& photo : listed)
            if ((photo.dateKey == 0) != (photo.upperName == FString(u"LOCKED.JPG")))
                failures |= 8;
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    // 1: readable file lost its date, 2: locked file has one, 4: listing failed,
    // 8: listed dates wrong, 100: could not become nobody.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
