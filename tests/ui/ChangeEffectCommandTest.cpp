// "Change Effect..." lives on the device: the message routine hands the whole
// command to the host, from the menu and the photo popup alike (one id).

#include "../app/AppTestSupport.h"
#include "ui/FCommandIds.h"

#include <gtest/gtest.h>

namespace {

struct EffectHost : AnsweringHost
{
    int changes = 0;
    void ChangeEffect() override { ++changes; }
};

TEST(ChangeEffectCommand, GoesToTheHostAndIsHandled)
{
    TestApp t;
    EffectHost host;
    t.app.host = &host;
    EXPECT_TRUE(t.app.MsgProc(FMessage::Command(kCmdChangeEffect), 0));
    EXPECT_EQ(host.changes, 1);
    // Without a host (plain tests) the command is still the book's, and harmless.
    t.app.host = nullptr;
    EXPECT_TRUE(t.app.MsgProc(FMessage::Command(kCmdChangeEffect), 0));
}

} // namespace
