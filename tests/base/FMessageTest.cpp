#include "base/FMessage.h"

#include "base/FCommandIds.h"

#include <gtest/gtest.h>

namespace {

TEST(FMessage, AltEnterIsTheFullScreenCommandOtherAltKeysAreNothing)
{
    for (uint32_t mods : {uint32_t(kModifierAlt), uint32_t(kModifierAlt | kModifierShift)}) {
        const auto message = TranslateKeyPress(FKey::Enter, mods);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->kind, FMessageKind::Command);
        EXPECT_EQ(message->command, kCmdToggleFullScreen);
    }
    EXPECT_FALSE(TranslateKeyPress(FKey::W, kModifierAlt).has_value());
    // Everything else is a key press, unhandled keys too: the message routine
    // passes them on.
    for (auto [key, mods] : {std::pair<FKey, uint32_t>{FKey::Enter, kModifierNone},
                             {FKey::W, kModifierShift | kModifierControl},
                             {FKey::Unknown, kModifierNone}}) {
        const auto message = TranslateKeyPress(key, mods);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->kind, FMessageKind::KeyDown);
        EXPECT_EQ(message->key, key);
    }
}

} // namespace
