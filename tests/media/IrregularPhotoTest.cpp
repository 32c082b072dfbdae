// A photo folder may hold a FIFO or a link to a device under a photo's name, or
// a file far too large: each is refused before any read, naming the file.

#include "photos/decode/FImageDecoder.h"

#include "../base/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
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

    const struct
    {
        const char* file;
        const char* reason;
    } cases[] = {{"p4.jpg", "not a regular file"},
                 {"zero.png", "not a regular file"},
                 {"null.bmp", "not a regular file"},
                 {"huge.jpg", "file too large (over 512 MB)"}};
    FImageDecoder decoder;
    FDecodedImage out;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FString error;
        EXPECT_FALSE(decoder.Decode(dir.fileF(c.file), FDecodeRequest{.squareSize = 512}, out, &error));
        EXPECT_EQ(U8(error), dir.file(c.file) + ": " + c.reason);
        EXPECT_TRUE(out.pixels.empty());
    }
    ::alarm(0);
}
