// What an export does to the path it is given: an existing movie survives every
// failed export, a finished one takes its place whole, and anything that is not a
// regular file (a FIFO, a directory, a link to either, a device node made here) is
// refused and left alone.

#include "../app/AppTestSupport.h"
#include "ExportTestHost.h"
#include "export/FMovieExporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

struct SinkRecord
{
    std::string finalPath, before, path;
    bool failBuild = false;
    int failOnPush = -1, pushes = 0;
    bool finalTouched = false;
};

// Appends a byte per frame to the file it is given and checks, while it writes,
// that the chosen path still holds what it held before.
struct WatchingSink : FFrameSink
{
    SinkRecord& r;
    explicit WatchingSink(SinkRecord& record) : r(record) {}

    bool Build(FFrameGrabber&, const FString& outputPath, float, const FString&) override
    {
        r.path = outputPath.ToUtf8();
        if (r.failBuild)
            return false;
        std::ofstream(r.path, std::ios::binary) << "RIFF";
        return true;
    }
    bool Run() override { return true; }
    bool PushFrame() override
    {
        r.finalTouched |= ReadBytes(r.finalPath) != r.before;
        if (++r.pushes == r.failOnPush)
            return false;
        std::ofstream(r.path, std::ios::binary | std::ios::app) << 'f';
        return true;
    }
    bool Stop() override { return true; }
    void Release() override {}
    FString Message() const override { return FString(); }
};

struct ExportOutput : ::testing::Test
{
    TestApp t;
    TestExportHost host;
    ScratchDir out;
    SinkRecord rec;

    bool Run(const std::string& path)
    {
        rec.finalPath = path;
        // Never opened when it is not a file: a FIFO would block the reader.
        rec.before = fs::is_regular_file(path) ? ReadBytes(path) : std::string();
        rec.path.clear();
        rec.pushes = 0;
        rec.finalTouched = false;
        host.makeSink = [this] { return std::make_unique<WatchingSink>(rec); };
        FExportSettings s;
        s.width = s.height = 64;
        s.framesPerSecond = 10;
        s.timePage = s.timeZoom = s.timeView = 1;
        t.SetPhotos(1);
        t.app.GoToFirstPage(0);
        return ExportMovie(t.app, s, FString::FromUtf8(path), host);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_F(ExportOutput, FailedExportsKeepTheOldMovieAndLeaveNothingElse)
{
    const std::string movie = out.file("movie.avi");
    struct Case
    {
        const char* name;
        int escapeAt, failOnPush;
        bool failBuild;
    } cases[] = {{"escape", 3, -1, false}, {"push fails", -1, 5, false}, {"build fails", -1, -1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(movie, "old movie");
        host = TestExportHost();
        host.escapeAtFrame = c.escapeAt;
        rec.failOnPush = c.failOnPush;
        rec.failBuild = c.failBuild;
        EXPECT_FALSE(Run(movie));
        // The writer was given a name of its own beside the movie, with its extension.
        const fs::path written(rec.path);
        EXPECT_EQ(written.parent_path(), fs::path(out.path()));
        EXPECT_EQ(written.filename().string().rfind(".movie.", 0), 0u) << rec.path;
        EXPECT_EQ(written.extension(), ".avi");
        EXPECT_FALSE(rec.finalTouched);
        EXPECT_EQ(ReadBytes(movie), "old movie");
        EXPECT_EQ(Names(), std::vector<std::string>{"movie.avi"});
    }
}

TEST_F(ExportOutput, FinishedExportReplacesTheOldMovieWhole)
{
    const std::string movie = out.file("movie");
    WriteBytes(movie, "old movie, longer than the new one will be at all");
    ASSERT_TRUE(Run(movie));
    EXPECT_FALSE(rec.finalTouched);
    EXPECT_EQ(ReadBytes(movie), "RIFF" + std::string(static_cast<size_t>(rec.pushes), 'f'));
    EXPECT_EQ(Names(), std::vector<std::string>{"movie"});
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_NE(host.boxes.back().text.find("Path:\t" + movie + "\nSize:\t"), std::string::npos)
        << host.boxes.back().text;
}

TEST_F(ExportOutput, WhatIsNotARegularFileIsRefusedAndSurvives)
{
    ASSERT_EQ(::mkfifo(out.file("fifo").c_str(), 0600), 0);
    fs::create_directory(out.file("dir"));
    fs::create_symlink(out.file("fifo"), out.file("link-to-fifo"));
    fs::create_symlink(out.file("dir"), out.file("link-to-dir"));
    std::vector<std::string> names = {"fifo", "dir", "link-to-fifo", "link-to-dir"};
    // A null device of our own, where the test may make one (root outside a
    // restricted container); never one under /dev.
    if (::mknod(out.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        fs::create_symlink(out.file("null"), out.file("link-to-null"));
        names.insert(names.end(), {"null", "link-to-null"});
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = out.file(name);
        const fs::file_status before = fs::symlink_status(path);
        host = TestExportHost();
        EXPECT_FALSE(Run(path));
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, path + " is not a regular file.");
        EXPECT_TRUE(host.frames.empty());
        EXPECT_EQ(host.clientSize, FClientSize{}); // the window was left as it was
        EXPECT_EQ(fs::symlink_status(path).type(), before.type());
    }
    host = TestExportHost();
    EXPECT_FALSE(Run("")); // no name at all: nothing is made, not even beside it
    EXPECT_TRUE(host.frames.empty());
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(), expected);
}
