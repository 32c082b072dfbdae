// The exporter among hostile files and signals: a FIFO or a device named like a
// photo is skipped, and SIGHUP or SIGTERM mid-way end the run with the partial
// movie deleted and a failing exit code.

#include "../base/ChildProcess.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class ExporterSignalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::copy_file(fs::path(PHOTOBOOK_BUILD_DIR) / "QuilloPhotoBookExport", program.file("QuilloPhotoBookExport"));
        fs::copy(fs::path(PHOTOBOOK_BUILD_DIR) / "media", program.file("media"), fs::copy_options::recursive);
        for (int i = 0; i < 3; ++i) {
            QImage image(200, 150, QImage::Format_RGB32);
            image.fill(QColor(40 * i, 90, 200));
            ASSERT_TRUE(image.save(QString::fromStdString(photos.file("p" + std::to_string(i) + ".png"))));
        }
    }

    std::vector<std::string> Args(const std::string& output, int size)
    {
        return {"--folder",    photos.path(),
                "--output",    output,
                "--width",     std::to_string(size),
                "--height",    std::to_string(size * 3 / 4),
                "--fps",       "10",
                "--time-page", "1",
                "--time-zoom", "1",
                "--time-view", "1"};
    }

    ScratchDir program;
    ScratchDir photos;
};

TEST_F(ExporterSignalTest, AFifoAndADeviceAmongThePhotosAreSkipped)
{
    ASSERT_EQ(::mkfifo(photos.file("p4.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", photos.file("p5.jpg"));
    const std::string movie = program.file("book.avi");
    ChildProcess child(program.file("QuilloPhotoBookExport"), Args(movie, 160), program.file("output.txt"));
    // The bound only guards the run; the export itself takes a few seconds.
    ASSERT_EQ(child.WaitForExit(240), 0) << child.Output();
    const std::string said = child.Output();
    EXPECT_NE(said.find("5 photos in"), std::string::npos) << said;
    EXPECT_TRUE(fs::exists(movie));
    // Each one named with its reason, and counted in the report.
    EXPECT_NE(said.find("p4.jpg: not a regular file"), std::string::npos) << said;
    EXPECT_NE(said.find("p5.jpg: not a regular file"), std::string::npos) << said;
    EXPECT_NE(said.find("Photos not readable:\t2"), std::string::npos) << said;
}

TEST_F(ExporterSignalTest, HangupAndTerminateDeleteThePartialMovie)
{
    for (int signal : {SIGHUP, SIGTERM}) {
        SCOPED_TRACE(signal);
        const std::string movie = program.file("aborted" + std::to_string(signal) + ".avi");
        ChildProcess child(program.file("QuilloPhotoBookExport"), Args(movie, 320),
                           program.file("output" + std::to_string(signal) + ".txt"));
        // Signalled once frames are being stored, so there is a partial file to delete.
        for (int i = 0; i < 2400 && child.Output().find("frame 25 of") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        child.Signal(signal);
        EXPECT_EQ(child.WaitForExit(240), 1) << child.Output();
        EXPECT_NE(child.Output().find("Error saving AVI file."), std::string::npos) << child.Output();
        EXPECT_FALSE(fs::exists(movie));
        for (const auto& entry : fs::directory_iterator(program.path()))
            EXPECT_EQ(entry.path().filename().string().find(".aborted"), std::string::npos) << entry.path();
    }
}

} // namespace
