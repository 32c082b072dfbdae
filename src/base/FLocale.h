#pragma once
// The 100 user-visible texts, looked up by number. They start as the built-in
// English table and can be overwritten line by line from a locale file.

#include "base/FString.h"

#include <array>
#include <cstdint>

inline constexpr int kLocaleTextCount = 100;

class FLocale
{
public:
    FLocale();

    // All texts back to the built-in English table.
    void LocaleReset();
    // Built-in texts overwritten by the file's lines (line n + 1 is text n, up to
    // the first empty line). A file that cannot be opened reads as empty and
    // leaves English; false only when no file object could be made.
    bool LocaleLoad(const FString& path);
    // Copy of text number; empty above 99.
    FString GetText(uint32_t number) const;

    // The built-in English text, as 8-bit text.
    static const char* BuiltInText(int number);

private:
    std::array<FString, kLocaleTextCount> texts_;
};
