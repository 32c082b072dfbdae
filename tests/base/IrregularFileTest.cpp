// Names that are not regular files (a FIFO, a link to a device) or are far too
// large are refused at once by every text reader, and the reason names the file.

#include "TestFiles.h"
#include "base/FFile.h"
#include "base/FLocale.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A reader that blocks would hang the whole run; the alarm ends it instead.
class IrregularFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ::alarm(60);
        ASSERT_EQ(::mkfifo(dir_.file("fifo").c_str(), 0600), 0);
        std::filesystem::create_symlink("/dev/zero", dir_.file("zero"));
        // Sparse: large on paper, nothing on the disk.
        WriteBytes(dir_.file("huge"), "");
        std::filesystem::resize_file(dir_.file("huge"), kMaxTextFileBytes + 1);
    }
    void TearDown() override { ::alarm(0); }

    ScratchDir dir_;
};

TEST_F(IrregularFileTest, FifosDevicesAndHugeFilesAreRefusedWithTheirReason)
{
    const struct
    {
        const char* name;
        int error;
        const char* text;
    } cases[] = {{"fifo", kErrorNotRegularFile, "not a regular file"},
                 {"zero", kErrorNotRegularFile, "not a regular file"},
                 {"huge", kErrorTooLarge, "too large"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FString path = dir_.fileF(c.name);
        FFile file(path, false, kMaxTextFileBytes);
        EXPECT_FALSE(file.ok());
        EXPECT_EQ(file.LastError(), c.error);
        EXPECT_EQ(ErrorText(c.error).ToUtf8(), c.text);

        int error = 0;
        EXPECT_TRUE(ReadWholeFile(path, kMaxTextFileBytes, &error).IsEmpty());
        EXPECT_EQ(error, c.error);

        // A locale that is refused leaves English and says which file and why.
        FLocale locale;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(locale.LocaleLoad(path));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said, U8(path) + ": " + c.text + "\n");
        EXPECT_EQ(locale.GetText(0).ToUtf8(), FLocale::BuiltInText(0));
    }
}

TEST_F(IrregularFileTest, SettingsFileThatIsAFifoOrADeviceIsNamedAndSkipped)
{
    for (const char* target : {"fifo", "/dev/zero"}) {
        ScratchDir program;
        if (std::string(target) == "fifo")
            ASSERT_EQ(::mkfifo(program.file("QuilloPhotoBook.ini").c_str(), 0600), 0);
        else
            std::filesystem::create_symlink(target, program.file("QuilloPhotoBook.ini"));
        FSettings settings({program.dirF(), 1280, 1024});
        testing::internal::CaptureStderr();
        settings.SettingsLoad();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("QuilloPhotoBook.ini: not a regular file"),
                  std::string::npos);
    }
}

TEST_F(IrregularFileTest, TheLimitHoldsWhileReading)
{
    // Exactly the limit reads; one byte more is refused, also when the file grows
    // after it was opened.
    WriteBytes(dir_.file("ten"), "0123456789");
    std::string bytes;
    int error = 0;
    EXPECT_TRUE(ReadFileBytes(dir_.fileF("ten"), 10, bytes, error));
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_FALSE(ReadFileBytes(dir_.fileF("ten"), 9, bytes, error));
    EXPECT_EQ(error, kErrorTooLarge);

    FFile file(dir_.fileF("ten"), false, 12);
    ASSERT_TRUE(file.ok());
    WriteBytes(dir_.file("ten"), "0123456789ABCDEF");
    char buffer[64];
    EXPECT_EQ(file.ReadSome(buffer, sizeof buffer), -1);
    EXPECT_EQ(file.LastError(), kErrorTooLarge);
}

} // namespace
