#pragma once
// The page a book shows, as the title bar names it.

#include "base/FLocale.h"
#include "base/FString.h"

#include <cstdint>

// "Page 3 of 7": the spread of pageIndex (two pages each) in a book of photoCount
// photos, in the locale's words.
FString PageText(int32_t pageIndex, int32_t photoCount, const FLocale& locale);
