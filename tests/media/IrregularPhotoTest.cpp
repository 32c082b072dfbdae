// A FIFO or a device link under a photo's name, or a file far too large, is
// refused before any read, naming the file.

#include "../base/TestFiles.h"
#include "photos/decode/FImageDecoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(IrregularPhoto, FifosDevicesAndHugeFilesAreRefusedByName)
{
    ::alarm(60); // a decoder that blocks ends the run instead of hanging it
    ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.file("p4.jpg").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero.png"));
    std::filesystem::create_symlink("/dev/null", dir.file("null.bmp"));
    WriteBytes(dir.file("huge.jpg"), "\xFF\xD8\xFF\xE0");
    std::filesystem::resize_file(dir.file("huge.jpg"), (uint64_t(512) << 20) + 1); // sparse
    FImageDecoder decoder;
    FDecodedImage out;
    for (const char* file : {"p4.jpg", "zero.png", "null.bmp", "huge.jpg"}) {
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(file), FDecodeRequest{.squareSize = 512}, out, &error));
        EXPECT_EQ(U8(error),
                  dir.file(file) + ": " + (file[0] == 'h' ? "file too large (over 512 MB)" : "not a regular file"));
        EXPECT_TRUE(out.pixels.empty()) << file;
    }
    ::alarm(0);
}
