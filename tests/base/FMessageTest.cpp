#include "base/FMessage.h"

#include "base/FCommandIds.h"

#include <gtest/gtest.h>

namespace {

TEST(FMessage, AltEnterIsTheFullScreenCommandNotAPageTurn)
{
    for (uint32_t mods : std::initializer_list<uint32_t>{kModifierAlt, kModifierAlt | kModifierShift}) {
        const auto message = TranslateKeyPress(FKey::Enter, mods);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->kind, FMessageKind::Command);
        EXPECT_EQ(message->command, kCmdToggleFullScreen);
    }
    const auto enter = TranslateKeyPress(FKey::Enter, kModifierNone);
    ASSERT_TRUE(enter.has_value());
    EXPECT_EQ(enter->kind, FMessageKind::KeyDown);
    EXPECT_EQ(enter->key, FKey::Enter);
}

TEST(FMessage, OtherAltKeysAreNoKeyDownButShiftAndControlAre)
{
    EXPECT_FALSE(TranslateKeyPress(FKey::W, kModifierAlt).has_value());
    EXPECT_FALSE(TranslateKeyPress(FKey::F4, kModifierAlt).has_value());
    for (uint32_t mods :
         std::initializer_list<uint32_t>{kModifierShift, kModifierControl, kModifierShift | kModifierControl}) {
        const auto message = TranslateKeyPress(FKey::W, mods);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->kind, FMessageKind::KeyDown);
        EXPECT_EQ(message->key, FKey::W);
    }
    // Unhandled keys still reach the message routine, which passes them on.
    EXPECT_EQ(TranslateKeyPress(FKey::Unknown, kModifierNone)->key, FKey::Unknown);
}

} // namespace
