// The headless exporter and what --output names: a FIFO or a directory is refused
// and survives, an interrupted export keeps the movie that was there, a finished
// one replaces it; no temporary file is ever left beside it.

#include "../base/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class ExporterOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(fs::path(PHOTOBOOK_BUILD_DIR) / "QuilloPhotoBookExport", program.file("QuilloPhotoBookExport"));
        fs::copy(fs::path(PHOTOBOOK_BUILD_DIR) / "media", program.file("media"), fs::copy_options::recursive);
        fs::create_directory(out.file("photos")); // an empty book: the transparent sheet turns
    }

    // Exit status and output; interrupted after interruptAfterMs when that is given.
    std::pair<int, std::string> Export(const std::string& output, const std::string& timePage = "1",
                                       int interruptAfterMs = -1)
    {
        ChildProcess child(program.file("QuilloPhotoBookExport"),
                           {"--folder", out.file("photos"), "--output", output, "--width", "320", "--height", "240",
                            "--fps", "25", "--time-page", timePage},
                           program.file("output.txt"));
        if (interruptAfterMs >= 0) {
            // Once the export is under way (its first progress line), never before
            // the program could install its handlers.
            for (int i = 0; i < 2400 && child.Output().find("frame ") == std::string::npos; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
            child.Signal(SIGINT);
        }
        const int status = child.WaitForExit(240);
        return {status, child.Output()};
    }

    size_t EntriesIn(const std::string& dir) const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    ScratchDir program;
    ScratchDir out;
};

TEST_F(ExporterOutput, FifoAndDirectoryAreRefusedAndSurvive)
{
    ASSERT_EQ(::mkfifo(out.file("fifo").c_str(), 0600), 0);
    fs::create_directory(out.file("dir.avi"));
    fs::create_symlink(out.file("fifo"), out.file("link.avi"));
    for (const char* name : {"fifo", "dir.avi", "link.avi"}) {
        SCOPED_TRACE(name);
        const auto [status, output] = Export(out.file(name));
        EXPECT_EQ(status, 1) << output;
        EXPECT_NE(output.find(out.file(name) + " is not a regular file."), std::string::npos) << output;
    }
    EXPECT_TRUE(fs::is_fifo(out.file("fifo")));
    EXPECT_TRUE(fs::is_directory(out.file("dir.avi")));
    EXPECT_TRUE(fs::is_symlink(out.file("link.avi")));
    EXPECT_EQ(EntriesIn(out.path()), 4u); // photos, fifo, dir.avi, link.avi
}

TEST_F(ExporterOutput, InterruptedExportKeepsTheOldMovieAndFinishedOneReplacesIt)
{
    const std::string movie = out.file("movie.avi");
    WriteBytes(movie, "old movie");
    const auto [interrupted, said] = Export(movie, "20", 400);
    EXPECT_EQ(interrupted, 1) << said;
    EXPECT_NE(said.find("Error saving AVI file."), std::string::npos) << said;
    EXPECT_EQ(ReadBytes(movie), "old movie");
    EXPECT_EQ(EntriesIn(out.path()), 2u);

    const auto [finished, report] = Export(movie);
    EXPECT_EQ(finished, 0) << report;
    EXPECT_NE(report.find("Path:\t" + movie + "\n"), std::string::npos) << report;
    EXPECT_EQ(ReadBytes(movie).substr(0, 4), "RIFF");
    EXPECT_EQ(EntriesIn(out.path()), 2u);
}

} // namespace
