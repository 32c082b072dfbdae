#pragma once
// Fits a stored outer window rectangle onto the screen before the window opens.

#include "base/FSettings.h"

FRect ClampWindowRect(FRect r, int32_t screenWidth, int32_t screenHeight);
