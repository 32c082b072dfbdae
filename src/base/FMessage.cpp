#include "base/FMessage.h"

#include "base/FCommandIds.h"

std::optional<FMessage> TranslateKeyPress(FKey key, uint32_t modifiers)
{
    if (modifiers & kModifierAlt) {
        if (key == FKey::Enter)
            return FMessage::Command(kCmdToggleFullScreen);
        return std::nullopt;
    }
    return FMessage::KeyDown(key);
}
