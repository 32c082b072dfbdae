// Names that are not regular files (a FIFO, a link to a device) or are far too
// large are refused at once by every text reader, and the reason names the file.

#include "TestFiles.h"
#include "base/FFile.h"
#include "base/FLocale.h"
#include "base/FSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// A reader that blocks would hang the whole run; the alarm ends it instead.
class IrregularFileTest : public testing::Test
{
protected:
    void SetUp() override { ::alarm(60); }
    void TearDown() override { ::alarm(0); }

    ScratchDir dir_;
};

TEST_F(IrregularFileTest, FifosDevicesAndHugeFilesAreRefusedWithTheirReason)
{
    ASSERT_EQ(::mkfifo(dir_.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir_.file("zero"));
    WriteBytes(dir_.file("huge"), ""); // sparse: large on paper, nothing on the disk
    std::filesystem::resize_file(dir_.file("huge"), kMaxTextFileBytes + 1);
    const std::tuple<const char*, int, std::string> cases[] = {{"fifo", kErrorNotRegularFile, "not a regular file"},
                                                               {"zero", kErrorNotRegularFile, "not a regular file"},
                                                               {"huge", kErrorTooLarge, "too large"}};
    for (const auto& [name, code, text] : cases) {
        SCOPED_TRACE(name);
        const FString path = dir_.fileF(name);
        FFile file(path, false, kMaxTextFileBytes);
        EXPECT_FALSE(file.ok());
        EXPECT_EQ(file.LastError(), code);
        int error = 0;
        EXPECT_TRUE(ReadWholeFile(path, kMaxTextFileBytes, &error).IsEmpty());
        EXPECT_EQ(error, code);

        // A locale that is refused leaves English and says which file and why.
        FLocale locale;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(locale.LocaleLoad(path));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), U8(path) + ": " + text + "\n");
        EXPECT_EQ(locale.GetText(0).ToUtf8(), FLocale::BuiltInText(0));

        // So does a settings file, which is then left alone, the link as well.
        ScratchDir program;
        const std::string ini = program.file("QuilloPhotoBook.ini");
        std::filesystem::create_symlink(U8(path), ini);
        FSettings settings({program.dirF(), 1280, 1024});
        testing::internal::CaptureStderr();
        settings.SettingsLoad();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("QuilloPhotoBook.ini: " + text), std::string::npos);
        EXPECT_EQ(U8(settings.UnreadFile()), ini + ": " + text);
        EXPECT_EQ(settings.SettingsSave(), FSaveResult::SkippedUnread);
        EXPECT_TRUE(std::filesystem::is_symlink(ini));
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
