#include "../app/AppTestSupport.h"
#include "render/MeshPicking.h"
#include "ui/FCommandIds.h"
#include "ui/FMenuModel.h"

#include <gtest/gtest.h>

namespace {

// A host that records what the book asked of it.
struct RecordingHost : AnsweringHost
{
    std::vector<std::string> messages;
    std::vector<PopupKind> popups;
    int closes = 0;
    int toggles = 0;
    bool windowed = true;
    std::vector<std::pair<std::string, std::string>> copies;
    std::vector<std::string> trashed;
    int colour[3] = {10, 20, 30};
    bool colourAccepted = true;

    int ShowMessage(const FString& text, FMessageIcon) override
    {
        messages.push_back(text.ToUtf8());
        return 1;
    }
    void ShowPopupMenu(int, int, PopupKind kind) override { popups.push_back(kind); }
    bool IsWindowed() const override { return windowed; }
    void ToggleFullScreen() override { ++toggles; }
    void CloseMainWindow() override { ++closes; }
    int ClientWidth() const override { return 200; }
    int ClientHeight() const override { return 200; }
    bool ChooseColour(int& r, int& g, int& b) override
    {
        r = colour[0];
        g = colour[1];
        b = colour[2];
        return colourAccepted;
    }
    bool CopyFileNoOverwrite(const FString& from, const FString& to) override
    {
        copies.emplace_back(from.ToUtf8(), to.ToUtf8());
        return true;
    }
    bool DeleteToTrash(const FString& path) override
    {
        trashed.push_back(path.ToUtf8());
        return true;
    }
};

// A flat quad facing the camera at depth z, covering [x0, x1] x [y0, y1].
FGridMesh Quad(float x0, float y0, float x1, float y1, float z)
{
    FGridMesh mesh;
    mesh.columns = 2;
    mesh.rows = 2;
    auto vertex = [&](float x, float y) {
        FBookVertex v{};
        v.x = x;
        v.y = y;
        v.z = z;
        return v;
    };
    mesh.vertices = {vertex(x0, y1), vertex(x1, y1), vertex(x0, y0), vertex(x1, y0)};
    mesh.indices = {0, 1, 2, 2, 1, 3};
    return mesh;
}

struct MsgProcTest : testing::Test
{
    TestApp t;
    RecordingHost host;

    MsgProcTest()
    {
        t.app.host = &host;
        t.SetPhotos(20);
        // Camera at the origin looking along +z, 90 degrees: client pixel (100, 100)
        // is the centre, and a quad at z = 10 spanning x in [-10, 10] fills the view.
        t.app.worldMatrix = FMatrix::Identity();
        t.app.viewMatrix = FMatrix::Identity();
        t.app.projectionMatrix = FMatrix::PerspectiveFovLH(1.5707964f, 1.0f, 1.0f, 1000.0f);
    }

    bool Send(const FMessage& m) { return t.app.MsgProc(m, 1000); }
    bool Key(FKey key) { return Send(FMessage::KeyDown(key)); }
    bool Command(int id) { return Send(FMessage::Command(id)); }
};

TEST_F(MsgProcTest, KeysNavigateMoveTheCameraAndChangeLights)
{
    t.app.settings->RenderTransparentPage = false;
    EXPECT_FALSE(Key(FKey::PageDown));
    EXPECT_EQ(t.app.turnState, 1);
    Key(FKey::Space); // completes the turn, starts the next
    EXPECT_EQ(t.app.pageIndex, 2);
    Key(FKey::Backspace);
    EXPECT_EQ(t.app.pageIndex, 4);
    EXPECT_EQ(t.app.turnState, -1);

    Key(FKey::Tab);
    EXPECT_TRUE(t.app.wireframe);
    Key(FKey::Digit3);
    EXPECT_EQ(t.app.lightPosition, (FVector3{0, 300, 100}));
    Key(FKey::F2);
    EXPECT_EQ(t.app.camera->presetIndex, 1u);
    EXPECT_TRUE(t.app.camera->InTransition());
    Key(FKey::B);
    EXPECT_EQ(t.app.pageIndex, 0);

    t.app.transparentPosition = TurnEnd;
    Key(FKey::F5); // looking at the left page moves the transparent sheet off it
    EXPECT_EQ(t.app.camera->presetIndex, 4u);
    EXPECT_EQ(t.app.transparentTurnState, -1);

    EXPECT_TRUE(Key(FKey::Escape));
    EXPECT_EQ(host.closes, 1);
    host.windowed = false;
    Key(FKey::Escape);
    EXPECT_EQ(host.toggles, 1);
}

TEST_F(MsgProcTest, PhotoOperationsNeedASelectionAndChangeTheCode)
{
    EXPECT_TRUE(Command(kCmdRotateClockwise));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find("left clicking"), std::string::npos);

    t.app.selectedPhoto = 3;
    t.app.photoRotation[3] = 4 + 3; // mirrored, three quarter turns
    Command(kCmdRotateClockwise);
    EXPECT_EQ(t.app.photoRotation[3], 4);
    Command(kCmdRotateCounterClockwise);
    EXPECT_EQ(t.app.photoRotation[3], 7);
    Command(kCmdFlipVertical);
    EXPECT_EQ(t.app.photoRotation[3], 15);
    Command(kCmdFlipHorizontal);
    EXPECT_EQ(t.app.photoRotation[3], 11);
    EXPECT_EQ(t.app.settings->GetRotation(FString(u"/p/3.jpg")), 11);

    host.answer = FString(u"/backup/3.jpg");
    Command(kCmdCopyPhoto);
    ASSERT_EQ(host.copies.size(), 1u);
    EXPECT_EQ(host.copies[0].second, "/backup/3.jpg");
    host.answer = FString();
    Command(kCmdCopyPhoto); // cancelled: nothing copied
    EXPECT_EQ(host.copies.size(), 1u);
}

TEST_F(MsgProcTest, DeletedPhotoKeepsItsPlaceAndStaysPending)
{
    const std::string file = t.dir.file("gone.jpg");
    WriteBytes(file, "x");
    t.app.photoPaths[0] = FString::FromUtf8(file);
    t.app.StreamPhotoTextures(true);
    ASSERT_TRUE(t.app.photoTextures[6].HasTexture());
    t.app.selectedPhoto = 0;
    Command(kCmdDeletePhoto);
    EXPECT_EQ(host.trashed, std::vector<std::string>{file});
    EXPECT_FALSE(t.app.photoTextures[6].HasTexture());
    EXPECT_EQ(t.app.photoTextures[6].Tag, 0);
    EXPECT_EQ(t.app.photoCount, 20);
    EXPECT_TRUE(t.app.ArePhotoTexturesPending());
}

TEST_F(MsgProcTest, SettingsCommands)
{
    Command(kCmdRenderShadows);
    EXPECT_TRUE(t.app.settings->RenderShadows);
    Command(kCmdSetPaperColour);
    EXPECT_EQ(t.app.settings->PaperColour, (FColour{10 / 255.0f, 20 / 255.0f, 30 / 255.0f}));
    host.colourAccepted = false;
    host.colour[0] = 200;
    Command(kCmdSetPaperColour);
    EXPECT_EQ(t.app.settings->PaperColour.red, 10 / 255.0f);

    t.app.StreamPhotoTextures(true);
    Command(kCmdHighQuality);
    EXPECT_EQ(t.app.settings->Quality, 2);
    EXPECT_FALSE(t.app.photoTextures[6].HasTexture());
    EXPECT_EQ(U8(t.app.photoTextures[6].Path), "/p/0.jpg"); // streams in again at the new size

    // A cancelled texture chooser empties the setting.
    t.app.settings->CoverTexturePath = FString(u"/c.png");
    host.answer = FString();
    Command(kCmdSetCoverTexture);
    EXPECT_TRUE(t.app.settings->CoverTexturePath.IsEmpty());

    t.app.settings->AddRecentPath(FString(u"/holiday/a.jpg"));
    Command(kCmdResetAllSettings);
    EXPECT_EQ(t.app.settings->Quality, 1);
    EXPECT_FALSE(t.app.settings->RenderShadows);
    EXPECT_EQ(U8(t.app.settings->RecentPath[0]), "/holiday/a.jpg");

    EXPECT_FALSE(Command(12345)); // unknown commands go on to the host
}

TEST_F(MsgProcTest, LanguageSwitchConfirmsInTheNewLanguage)
{
    WriteBytes(t.dir.file("de.txt"), "Datei\r\n");
    host.answer = t.dir.fileF("de.txt");
    Command(kCmdSetLanguage);
    EXPECT_EQ(U8(t.app.settings->Locale), t.dir.file("de.txt"));
    EXPECT_EQ(U8(t.app.locale->GetText(0)), "Datei");
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back(), "Now switching to built-in English"); // the file has no text 70

    host.answer = t.dir.fileF("missing.txt"); // unreadable: English, and still the setting
    Command(kCmdSetLanguage);
    EXPECT_EQ(U8(t.app.settings->Locale), t.dir.file("missing.txt"));
    EXPECT_EQ(U8(t.app.locale->GetText(0)), "File");
}

TEST_F(MsgProcTest, PickingFollowsTheFixedCandidateOrder)
{
    t.app.pages[3]->pageMesh = Quad(-10, -10, 10, 10, 10);              // right page paper
    t.app.pages[3]->photoSlot[0].photoMesh = Quad(-10, 0, 0, 10, 9);    // its top photo, nearer
    t.app.backgroundMesh = Quad(-100, -100, 100, 100, 50);

    // Top-left quarter: the photo is tested before the paper.
    FPickHit hit = t.app.Pick(50, 50);
    EXPECT_TRUE(hit.hit);
    EXPECT_EQ(hit.result, 0);
    EXPECT_EQ(hit.preset, 6u);
    hit = t.app.Pick(150, 150);
    EXPECT_EQ(hit.result, kPickRightPage);

    // During a forward turn the static right page shows the spread after next.
    t.app.turnState = 1;
    EXPECT_EQ(t.app.Pick(50, 50).result, 4);
    t.app.turnState = 0;

    // The first hit wins, not the nearest: the background lies behind the page but
    // would only be reported where nothing else is.
    EXPECT_EQ(t.app.Pick(199, 199).result, kPickRightPage);
    t.app.pages[3]->pageMesh.reset();
    EXPECT_EQ(t.app.Pick(150, 150).result, kPickBackground);
}

TEST_F(MsgProcTest, ClicksTurnPagesZoomOntoPhotosAndOpenPopups)
{
    t.app.settings->RenderTransparentPage = false;
    t.app.pages[3]->pageMesh = Quad(-5, -5, 5, 5, 10); // pixels 50..150
    t.app.pages[3]->photoSlot[1].photoMesh = Quad(0, -5, 5, 0, 10); // bottom photo: pixels 100..150

    Send(FMessage::LeftButtonDown(75, 75)); // right page paper
    EXPECT_EQ(t.app.turnState, 1);
    t.app.FinishTurn();
    EXPECT_EQ(t.app.pageIndex, 2);

    // The right page's bottom photo is photo 2P + 1 = 5, seen through preset 7.
    Send(FMessage::RightButtonDown(125, 125));
    EXPECT_EQ(t.app.selectedPhoto, 5); // selected even before the menu opens
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0], PopupKind::Photo);
    Send(FMessage::LeftButtonDown(125, 125)); // the selected photo again: zoom out
    EXPECT_EQ(t.app.selectedPhoto, -1);
    EXPECT_EQ(t.app.camera->presetIndex, 0u);
    Send(FMessage::LeftButtonDown(125, 125));
    EXPECT_EQ(t.app.selectedPhoto, 5);
    EXPECT_EQ(t.app.camera->presetIndex, 7u);

    Send(FMessage::RightButtonDown(75, 75));
    EXPECT_EQ(host.popups.back(), PopupKind::Paper);
    host.popups.clear();
    Send(FMessage::RightButtonDown(10, 190)); // nothing there
    EXPECT_TRUE(host.popups.empty());
}

TEST(MeshPicking, NearestTriangleAndMisses)
{
    FGridMesh near = Quad(-1, -1, 1, 1, 5);
    near.vertices.insert(near.vertices.end(), {near.vertices[0], near.vertices[1], near.vertices[2]});
    for (size_t i = 4; i < 7; ++i)
        near.vertices[i].z = 3;
    near.indices.insert(near.indices.end(), {4, 5, 6});
    EXPECT_FLOAT_EQ(IntersectMesh(near, {0, 0, 0}, {0, 0.1f, 1}), 3.0f);
    EXPECT_EQ(IntersectMesh(near, {0, 0, 0}, {0, 0, -1}), -1.0f);
    EXPECT_EQ(PickMesh(nullptr, 0, 0, 100, 100, FMatrix::Identity(), FMatrix::Identity(), FMatrix::Identity()), -1.0f);
}

} // namespace
