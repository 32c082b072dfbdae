#pragma once
// Which drawables the book accepts and how it sets up the one it gets: it needs
// blending into the back buffer and a stencil buffer for the page shadows.

#include "framework/FFramework.h"

bool IsDeviceAcceptable(const FDeviceCaps& caps, bool windowed);
// Chooses the depth/stencil format; in a window the back buffer takes the client
// size. Writes the "New Backbuffer" diagnostic line. Always true.
bool ModifyDeviceSettings(FDeviceSettings& settings, int clientWidth, int clientHeight);
