#pragma once
// The window message routine: keys, clicks and menu commands become the book's
// operations. The shell hands every message here first.

#include "app/FPhotoBookApp.h"
#include "base/FMessage.h"

#include <cstdint>

// True when the host must not handle the message any further. now = the
// millisecond clock.
bool MsgProc(FPhotoBookApp& app, const FMessage& message, uint32_t now);

// The parts, one concern each: a key, a click, a command id.
bool OnKeyDown(FPhotoBookApp& app, FKey key, uint32_t now);
bool OnClick(FPhotoBookApp& app, const FMessage& message, uint32_t now);
bool OnCommand(FPhotoBookApp& app, int command, uint32_t now);
