// Fuzz entry point for the token-file reader and everything that reads through it
// (settings and locale files). Built with libFuzzer under clang, or driven by
// SeededDriver.cpp with seeded random input elsewhere.

#include "base/FLocale.h"
#include "base/FSettings.h"
#include "base/FTokenFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchDirectory()
{
    static std::string dir = [] {
        std::string pattern = "/tmp/photobook-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern.data()));
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string dir = ScratchDirectory();
    const std::string file = dir + "/QuilloPhotoBook.ini";
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);

    const FString path = FString::FromUtf8(file);
    {
        FTokenFile reader(path, false);
        while (reader.ReadLine()) {
            for (int i = -1; i <= dMaxTokensPerLine - 1; ++i) {
                (void)reader.GetToken(i, true);
                (void)reader.GetInt(i);
                (void)reader.GetFloat(i);
                (void)reader.GetBool(i);
            }
            (void)reader.GetLine(true);
        }
    }
    FLocale locale;
    locale.LocaleLoad(path);
    FSettings settings({FString::FromUtf8(dir), 1024, 768});
    settings.SettingsLoad();
    return 0;
}
