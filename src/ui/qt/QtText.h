#pragma once
// Our UTF-16 text as Qt's: the same code units, no conversion.

#include "base/FString.h"

#include <QString>

inline QString ToQString(const FString& text)
{
    return QString::fromUtf16(text.Text(), text.Length());
}
