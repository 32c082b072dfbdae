#include "../app/AppTestSupport.h"
#include "base/FCommandIds.h"
#include "render/FBookLayout.h"
#include "render/MeshPicking.h"
#include "ui/FMenuModel.h"
#include "ui/MsgProc.h"

#include <gtest/gtest.h>

namespace {

// A host that records what the book asked of it.
struct RecordingHost : AnsweringHost
{
    int messages = 0, copies = 0, shownRed = -1;
    std::vector<PopupKind> popups;

    int ShowMessage(const FString&, FMessageIcon) override { return ++messages, 1; }
    bool ChooseColour(int& red, int&, int&) override { return shownRed = red, true; } // confirmed as shown
    void OpenDocument(const FString& path) override { opened = U8(path); }
    std::string opened;
    void ShowPopupMenu(int, int, PopupKind kind) override { popups.push_back(kind); }
    bool CopyFileNoOverwrite(const FString&, const FString&) override { return ++copies, true; }
};

struct MsgProcTest : testing::Test
{
    TestApp t{20};
    RecordingHost host;

    MsgProcTest() { t.app.host = &host; }

    // Where on the client area the middle of a photo (or, slot -1, of the paper)
    // of a page object lies in the frame the book shows now.
    FMessage At(FMessageKind kind, int32_t page, int slot, float along = 0.5f)
    {
        const FFrame frame = t.app.DescribeFrame(800, 600);
        FBookLayout layout;
        layout.LayAll(frame);
        const FPage& laid = layout.Page(page);
        const FGridMesh& mesh = slot < 0 ? *laid.pageMesh : *laid.photoSlot[static_cast<size_t>(slot)].photoMesh;
        const auto column = static_cast<int32_t>(along * static_cast<float>(mesh.columns - 1));
        const FBookVertex& v = mesh.vertices[static_cast<size_t>((mesh.rows / 2) * mesh.columns + column)];
        const FVector3 ndc = TransformCoord({v.x, v.y, v.z}, frame.world * frame.view * frame.projection);
        FMessage m{kind};
        m.x = static_cast<int>((ndc.x + 1) * 0.5f * 800);
        m.y = static_cast<int>((1 - ndc.y) * 0.5f * 600);
        return m;
    }
    FPickHit PickAt(int32_t page, int slot, float along = 0.5f)
    {
        const FMessage m = At(FMessageKind::LeftButtonDown, page, slot, along);
        return t.app.Pick(static_cast<float>(m.x), static_cast<float>(m.y));
    }

    bool Send(const FMessage& m) { return MsgProc(t.app, m, 1000); }
    bool Key(FKey key) { return Send(FMessage::KeyDown(key)); }
    bool Command(int id) { return Send(FMessage::Command(id)); }
};

TEST_F(MsgProcTest, KeysNavigateAndMoveTheCamera)
{
    t.app.settings->RenderTransparentPage = false;
    EXPECT_FALSE(Key(FKey::PageDown));
    Key(FKey::Space); // completes the turn, starts the next
    EXPECT_EQ(t.app.pageIndex, 2);
    Key(FKey::Backspace);
    EXPECT_EQ(t.app.turnState, -1);
    Key(FKey::B);
    EXPECT_EQ(t.app.pageIndex, 0);

    t.app.transparentPosition = TurnEnd;
    Key(FKey::F5); // looking at the left page moves the transparent sheet off it
    EXPECT_EQ(t.app.camera->presetIndex, 4u);
    EXPECT_EQ(t.app.transparentTurnState, -1);
}

TEST_F(MsgProcTest, PhotoCommandsNeedASelectionAndChangeTheCode)
{
    EXPECT_TRUE(Command(kCmdRotateClockwise)); // nothing selected: a message
    ASSERT_EQ(host.messages, 1);

    t.app.selectedPhoto = 3;
    t.app.photoRotation[3] = 4 + 3; // mirrored, three quarter turns
    Command(kCmdRotateClockwise);
    EXPECT_EQ(t.app.photoRotation[3], 4);
    for (int command : {kCmdRotateCounterClockwise, kCmdFlipVertical, kCmdFlipHorizontal})
        Command(command);
    EXPECT_EQ(t.app.settings->GetRotation(FString(u"/p/3.jpg")), 11);

    host.answer = FString(); // a cancelled chooser copies nothing
    Command(kCmdCopyPhoto);
    EXPECT_EQ(host.copies, 0);
}

TEST_F(MsgProcTest, SettingsCommands)
{
    t.app.StreamPhotoTextures(true);
    Command(kCmdHighQuality);
    EXPECT_EQ(t.app.settings->Quality, 2);
    EXPECT_FALSE(t.app.photoTextures[6].HasTexture()); // streams in again at the new size

    t.app.settings->AddRecentPath(FString(u"/holiday/a.jpg"));
    Command(kCmdResetAllSettings);
    EXPECT_EQ(t.app.settings->Quality, 1);
    EXPECT_EQ(U8(t.app.settings->RecentPath[0]), "/holiday/a.jpg");

    // An unreadable language file falls back to English but is still stored.
    host.answer = t.dir.fileF("missing.txt");
    Command(kCmdSetLanguage);
    EXPECT_EQ(U8(t.app.settings->Locale), t.dir.file("missing.txt"));
    EXPECT_EQ(U8(t.app.locale->GetText(0)), "File");

    EXPECT_FALSE(Command(12345)); // unknown commands go on to the host
    Command(kCmdUserGuide);
    EXPECT_EQ(host.opened, t.dir.file("media/WWW/QuilloPhotoBookManual.html"));

    // The colour chooser is opened and confirmed many times: no channel may creep
    // down. The chooser is shown truncated channels, not rounded ones.
    for (int v = 0; v <= 255; ++v) {
        t.app.settings->PaperColour = {v / 255.0f, 0, 0};
        for (int pass = 0; pass < 3; ++pass)
            Command(kCmdSetPaperColour);
        EXPECT_TRUE(host.shownRed == v && t.app.settings->PaperColour.red == v / 255.0f) << v;
    }
    t.app.settings->PaperColour.red = 0.999f;
    Command(kCmdSetPaperColour);
    EXPECT_EQ(host.shownRed, 254);
}

TEST_F(MsgProcTest, PickingFindsThePhotosAndPagesOfTheFrameShownNow)
{
    t.app.settings->RenderTransparentPage = false;
    t.app.pageIndex = 4;
    t.app.StreamPhotoTextures(true);
    struct Case
    {
        int32_t page;
        int slot;
        int32_t result;
        uint32_t preset;
    };
    // At rest: the left page shows photos 2P - 2, 2P - 1, the right page 2P, 2P + 1.
    for (const Case& c :
         {Case{kLeftPage, 0, 6, 4}, Case{kLeftPage, 1, 7, 5}, Case{kRightPage, 0, 8, 6}, Case{kRightPage, 1, 9, 7},
          Case{kLeftPage, -1, kPickLeftPage, 0}, Case{kRightPage, -1, kPickRightPage, 0}}) {
        const FPickHit hit = PickAt(c.page, c.slot, c.slot < 0 ? 0.05f : 0.5f);
        EXPECT_TRUE(hit.hit);
        EXPECT_EQ(hit.result, c.result) << "page " << c.page << " slot " << c.slot;
        EXPECT_EQ(hit.preset, c.preset) << "page " << c.page << " slot " << c.slot;
    }
    EXPECT_EQ(t.app.Pick(2, 2).result, kPickBackground);

    // A photo not shown (no texture yet) is paper to a click.
    const FMessage where = At(FMessageKind::LeftButtonDown, kLeftPage, 0);
    t.app.photoTextures[4].ReleaseTexture();
    EXPECT_EQ(t.app.Pick(static_cast<float>(where.x), static_cast<float>(where.y)).result, kPickLeftPage);

    // Mid-turn forwards: the sheet's far face shows 2P + 2, the uncovered right page
    // the spread after next. Backwards, the face landing on the right shows 2P - 4
    // (the photo the camera then zooms onto), the uncovered left page 2P - 6.
    t.app.StreamPhotoTextures(true);
    t.app.NextPage(0);
    t.app.turnPosition = TurnEnd * 0.75f;
    for (int slot : {8, 9, 10, 11}) // what streaming brings once the turn is done
        t.app.photoTextures[static_cast<size_t>(slot)] = t.app.photoTextures[0];
    EXPECT_EQ(PickAt(kTurningPageBack, 0).result, 10);
    EXPECT_EQ(PickAt(kRightPage, 1).result, 13);
    t.app.FinishTurn();
    t.app.PreviousPage(0);
    t.app.turnPosition = TurnEnd * 0.25f;
    for (int slot : {0, 1, 2, 3})
        t.app.photoTextures[static_cast<size_t>(slot)] = t.app.photoTextures[4];
    ASSERT_EQ(t.app.pageIndex, 6);
    const FPickHit landing = PickAt(kTurningPageFront, 0);
    EXPECT_EQ(landing.result, 8);
    EXPECT_EQ(landing.preset, 6u);
    EXPECT_EQ(PickAt(kLeftPage, 1).result, 7);
}

// A right click on a photo (selecting it) is in ShellDriveTest, through the real window.
TEST_F(MsgProcTest, ClicksTurnPagesAndOpenTheMenuOfWhatIsUnderThem)
{
    t.app.settings->RenderTransparentPage = false;
    Send(At(FMessageKind::RightButtonDown, kLeftPage, -1, 0.05f));
    Send(FMessage::RightButtonDown(2, 2));
    EXPECT_EQ(host.popups, (std::vector{PopupKind::Paper, PopupKind::Background}));
    Send(At(FMessageKind::LeftButtonDown, kRightPage, -1, 0.05f)); // right page paper
    EXPECT_EQ(t.app.turnState, 1);
}

TEST_F(MsgProcTest, EveryCommandIsSafeWithoutAHost)
{
    // Plain tests and the headless exporter have no desktop around the book.
    t.app.host = nullptr;
    t.app.selectedPhoto = 1;
    for (int command : {kCmdCopyPhoto, kCmdDeletePhoto, kCmdRotateClockwise, kCmdSetCoverColour, kCmdSetCoverTexture,
                        kCmdSetLanguage, kCmdUserGuide})
        EXPECT_TRUE(MsgProc(t.app, FMessage::Command(command), 1000)) << command;
    EXPECT_EQ(t.app.photoRotation[1], 1);
    for (int command = kCmdToggleFullScreen; command <= kCmdSlideshow; ++command)
        MsgProc(t.app, FMessage::Command(command), 1000);
}

} // namespace
