// An effect path that names a FIFO, a device or a huge file is refused before
// anything is read or compiled, with a message naming the file.

#include "../base/TestFiles.h"
#include "render/EffectFile.h"
#include "render/gl/FEffect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TEST(IrregularEffect, FifosDevicesAndHugeFilesAreRefusedByName)
{
    ::alarm(60); // a reader that blocks ends the run instead of hanging it
    ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.fx").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero.fx"));
    WriteBytes(dir.file("huge.fx"), "");
    std::filesystem::resize_file(dir.file("huge.fx"), kMaxEffectFileBytes + 1);
    for (const auto& [name, reason] : {std::pair{"pipe.fx", "not a regular file"},
                                       std::pair{"zero.fx", "not a regular file"}, std::pair{"huge.fx", "too large"}}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        const FEffect effect(dir.fileF(name));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(effect.IsValid());
        const std::string line = dir.file(name) + ": " + reason;
        EXPECT_EQ(U8(effect.GetErrorText()), "Error loading Effect \"" + std::string(name) + "\"\n\n" + line);
        EXPECT_EQ(said, line + "\n");
        EXPECT_TRUE(EffectWantsOptimization(dir.fileF(name)));
    }
    ::alarm(0);
}
