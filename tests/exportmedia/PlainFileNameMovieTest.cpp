// A movie may be named "12:30.avi", even relative to the working folder: FFmpeg
// must not read the part before ":" as a protocol.

#include "export/ffmpeg/FAviWriter.h"

#include "../base/TestFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(PlainFileNameMovie, ColonAndBackslashNamesAreWritten)
{
    ScratchDir dir;
    const std::string previous = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    FMediaType type;
    type.width = 16;
    type.height = 8;
    type.averageTimePerFrame = 400000;
    type.imageSize = 16 * 3 * 8;
    for (const char* name : {"12:30.avi", "a\\b:c.avi"}) {
        for (const std::string& path : {std::string(name), dir.file(name)}) {
            SCOPED_TRACE(path);
            std::filesystem::remove(dir.file(name));
            FAviWriter writer;
            ASSERT_EQ(writer.Create(FString::FromUtf8(path)), 0) << writer.Error();
            ASSERT_EQ(writer.ConnectRaw(type), 0) << writer.Error();
            ASSERT_EQ(writer.OpenFile(), 0) << writer.Error();
            ASSERT_EQ(writer.WriteHeader(), 0) << writer.Error();
            EXPECT_EQ(writer.Finish(), 0) << writer.Error();
            EXPECT_GT(std::filesystem::file_size(dir.file(name)), 0u);
        }
    }
    ASSERT_EQ(::chdir(previous.c_str()), 0);
}

} // namespace
