// An output that is not a regular file (a FIFO, a directory, a link to either, a
// device node made here) or whose name is of no movie type is refused before
// anything is rendered, and left alone.

#include "../app/AppTestSupport.h"
#include "ExportTestHost.h"
#include "export/FMovieExporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

TEST(ExportOutput, WhatIsNotARegularFileIsRefusedAndSurvives)
{
    TestApp t(1);
    ScratchDir out;
    ASSERT_EQ(::mkfifo(out.file("fifo").c_str(), 0600), 0);
    fs::create_directory(out.file("dir"));
    fs::create_symlink(out.file("fifo"), out.file("link-to-fifo"));
    std::vector<std::string> names = {"fifo", "dir", "link-to-fifo"};
    // A null device of our own where the test may make one; never one under /dev.
    if (::mknod(out.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        names.push_back("null");
    names.push_back(""); // no name at all: nothing is made, not even beside it
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = name.empty() ? "" : out.file(name);
        const fs::file_type before = fs::symlink_status(path).type();
        TestExportHost host;
        FExportSettings s;
        EXPECT_FALSE(ExportMovie(t.app, s, FString::FromUtf8(path), host));
        if (!name.empty()) {
            ASSERT_EQ(host.boxes.size(), 1u);
            EXPECT_EQ(host.boxes[0].text, path + " is not a regular file.");
        }
        EXPECT_TRUE(host.frames.empty());
        EXPECT_EQ(host.clientSize, FClientSize{}); // the window was left as it was
        EXPECT_EQ(fs::symlink_status(path).type(), before);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), {}), static_cast<long>(names.size() - 1));
}

TEST(ExportOutput, NameOfNoMovieTypeIsRefusedBeforeAnythingIsMade)
{
    TestApp t(1);
    ScratchDir out;
    for (const char* name : {"holiday.mpg", "holiday"}) {
        SCOPED_TRACE(name);
        TestExportHost host;
        EXPECT_FALSE(ExportMovie(t.app, FExportSettings(), FString::FromUtf8(out.file(name)), host));
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_NE(host.boxes[0].text.find(std::string(name) + " cannot be made: a movie is saved as .mp4, .m4v, .mov"),
                  std::string::npos)
            << host.boxes[0].text;
        EXPECT_TRUE(host.frames.empty());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), {}), 0);
}
