// What a replacement finds beside its target: the temporaries of runs that died go;
// the one another run is writing stays, whatever became of its process id, and so
// does everything else, a FIFO named like a temporary included.

#include "base/FFileReplacement.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

namespace {

std::set<std::string> Entries(const ScratchDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    return names;
}

// The name of the temporary a run that died while writing target left behind.
std::string LeftByADeadRun(const ScratchDir& dir, const std::string& target)
{
    const std::set<std::string> before = Entries(dir);
    if (::fork() == 0) {
        FFileReplacement replacement(dir.fileF(target));
        ::_exit(replacement.ok() ? 0 : 1);
    }
    ::wait(nullptr);
    for (const std::string& name : Entries(dir))
        if (!before.count(name))
            return name;
    return "none";
}

TEST(FFileReplacement, RemovesOnlyTheTemporariesNoRunHolds)
{
    ScratchDir dir;
    FFileReplacement live(dir.fileF("book.avi"));
    const std::string fifo = LeftByADeadRun(dir, "book.avi");
    std::filesystem::remove(dir.file(fifo));
    ASSERT_EQ(::mkfifo(dir.file(fifo).c_str(), 0600), 0);
    const std::string dead = LeftByADeadRun(dir, "book.avi");
    LeftByADeadRun(dir, "other.avi");
    WriteBytes(dir.file("book.avi.tmp"), "not ours");
    ASSERT_EQ(Entries(dir).size(), 5u);

    FFileReplacement next(dir.fileF("book.avi"));
    std::set<std::string> kept = Entries(dir);
    EXPECT_TRUE(kept.erase(dead) == 0 && kept.erase(fifo) == 1 && kept.erase("book.avi.tmp") == 1);
    EXPECT_EQ(kept.size(), 3u); // the other target's, the live one, the new one
    WriteBytes(live.Path().ToUtf8(), "live");
    EXPECT_TRUE(next.Commit() && live.Commit());
    EXPECT_EQ(ReadBytes(dir.file("book.avi")), "live");
}

} // namespace
