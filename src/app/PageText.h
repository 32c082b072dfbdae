#pragma once
// The page a book shows, as the title bar names it.

#include "base/FLocale.h"
#include "base/FString.h"

#include <cstdint>

// Spreads of a book of photoCount photos, as the title bar and the export count them.
constexpr int32_t SpreadCount(int32_t photoCount)
{
    return (photoCount + 5) / 4;
}

// "Page 3 of 7": the spread of pageIndex (two pages each) in a book of photoCount
// photos, in the locale's words.
FString PageText(int32_t pageIndex, int32_t photoCount, const FLocale& locale);
