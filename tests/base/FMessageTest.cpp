#include "base/FMessage.h"

#include "base/FCommandIds.h"

#include <gtest/gtest.h>

namespace {

// Alt+Enter is the full-screen command; everything else, unhandled keys too, is a
// key press the message routine passes on.
TEST(FMessage, AltEnterIsTheFullScreenCommandEverythingElseAKeyPress)
{
    const std::tuple<FKey, uint32_t, bool> cases[] = {{FKey::Enter, kModifierAlt, true},
                                                      {FKey::Enter, kModifierAlt | kModifierShift, true},
                                                      {FKey::Enter, kModifierNone, false},
                                                      {FKey::W, kModifierShift | kModifierControl, false},
                                                      {FKey::Unknown, kModifierNone, false}};
    for (const auto& [key, mods, command] : cases) {
        const auto message = TranslateKeyPress(key, mods);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->kind, command ? FMessageKind::Command : FMessageKind::KeyDown);
        EXPECT_EQ(command ? message->command : int(message->key), command ? kCmdToggleFullScreen : int(key));
    }
    EXPECT_FALSE(TranslateKeyPress(FKey::W, kModifierAlt).has_value());
}

} // namespace
