// The book's frame drawn the quick way (top first without overdraw, shadow
// volumes only where they can reach) against painting everything in order:
// byte for byte the same, resting and at every stage of a turn.

#include "BookScene.h"

namespace {

class QuickFrameTest : public BookScene
{
protected:
    void SetUp() override
    {
        BookScene::SetUp();
        // A background that varies, so a misplaced pixel of it shows.
        app.backgroundTexture.Path = FString("split", 0);
        app.coverTexture.Path = FString("#8090a0", 0);
        app.paperTexture.Path = FString("#f0e8d8", 0);
        app.transparentPaperTexture.Path = FString("#c0d0ff", 0);
        app.ReloadDecorations();
        // Photo 0's slot passes to photo 4: another shape of as many vertices.
        static const char* const kPhotos[] = {"#ff0000 3000x1000", "#00ff00 600x800", "#0000ff 1600x400", "#ffff00",
                                              "#ff00ff 1080x1920", "#00ffff",         "#ff8000",          "#8000ff"};
        app.photoCount = 8;
        for (int i = 0; i < 8; ++i)
            app.photoPaths[static_cast<size_t>(i)] = FString(kPhotos[i], 0);
        app.StreamPhotoTextures(true);
    }

    // The quick frame, checked against the plain one of the same state.
    FRenderTargetCopy Checked(const char* what)
    {
        book.SetPlainDrawing(true);
        const FRenderTargetCopy plain = Frame();
        book.SetPlainDrawing(false);
        const FRenderTargetCopy quick = Frame();
        EXPECT_EQ(Differing(plain, quick), 0) << what;
        return quick;
    }
};

TEST_F(QuickFrameTest, SameBytesAsPaintingInOrderRestingAndTurning)
{
    for (const bool sheet : {false, true}) {
        app.settings->RenderTransparentPage = sheet;
        for (const bool shadows : {false, true}) {
            app.settings->RenderShadows = shadows;
            const std::string state = std::string(sheet ? "sheet, " : "") + (shadows ? "shadows" : "no shadows");
            Checked(("resting, " + state).c_str());
            for (const int direction : {1, -1}) {
                direction > 0 ? app.NextPage(0) : app.PreviousPage(0);
                for (const float at : {0.02f, 0.1f, 0.3f, 0.5f, 0.7f, 0.9f, 0.98f}) {
                    app.turnPosition = TurnEnd * at;
                    Checked(
                        ("turning " + std::to_string(direction) + " at " + std::to_string(at) + ", " + state).c_str());
                }
                app.FinishTurn();
            }
            app.wireframe = true;
            Checked(("wireframe, " + state).c_str());
            app.wireframe = false;
        }
    }
}

// The export's supersampled target bounds its shadows in its own pixels.
TEST_F(QuickFrameTest, ExportFramesTooInTheTargetsOwnSize)
{
    ASSERT_TRUE(book.Renderer().CreateRenderTarget(kWidth, kHeight));
    app.exporting = 1;
    app.settings->RenderShadows = true;
    app.NextPage(0);
    app.turnPosition = TurnEnd * 0.4f;
    FRenderTargetCopy copies[2];
    for (const bool plain : {true, false}) {
        book.SetPlainDrawing(plain);
        Render();
        ASSERT_TRUE(book.Renderer().CopyRenderTarget());
        copies[plain ? 0 : 1] = *book.Renderer().GetRenderTargetCopy();
    }
    EXPECT_GT(copies[1].width, kWidth);
    EXPECT_EQ(Differing(copies[0], copies[1]), 0);
    EXPECT_GT(book.ShadowArea().x1, kWidth);
}

// Meshes go up again only when their page bends or a slot takes a photo of
// another shape: a renderer that drew other stages before shows what a fresh
// one shows, photos included, through the turn and after it.
TEST_F(QuickFrameTest, AfterOtherFramesTheSameAsAFreshRenderer)
{
    app.settings->RenderShadows = true;
    Render();
    app.NextPage(0);
    // All kept to the end: a renderer going resets the context's depth range.
    std::array<FBookRenderer, 6> fresh;
    size_t next = 0;
    for (const float at : {0.2f, 0.2f, 0.6f, 0.95f, 1.0f, 2.0f}) {
        app.turnPosition = TurnEnd * at;
        if (at > 1) {
            app.FinishTurn();
            app.StreamPhotoTextures(true);
        }
        const FRenderTargetCopy drawn = Frame();
        FBookRenderer& other = fresh[next++];
        ASSERT_EQ(other.DeviceReset({screenBuffer->Id(), kWidth, kHeight}, app.effectPath), kOk);
        other.Render(app.BeginFrame(kWidth, kHeight, 0));
        FRenderTargetCopy expected;
        ASSERT_TRUE(screenBuffer->ReadBgrx(expected));
        EXPECT_EQ(Differing(drawn, expected), 0) << at;
    }
}

} // namespace
