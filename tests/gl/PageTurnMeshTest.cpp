// Photo meshes live on from spread to spread: after a page turn the frame must be
// the one a freshly reset device draws, pixel for pixel.

#include "BookScene.h"

namespace {

using PageTurnMeshTest = BookScene;

// A 20 x 6 panorama passes its slot to an 8 x 15 portrait of as many vertices:
// the old triangles must not tear the new photo.
TEST_F(PageTurnMeshTest, PhotoOfAnotherShapeWithTheSameVertexCountIsDrawnAsItIs)
{
    app.photoCount = 8;
    for (int i = 0; i < 8; ++i)
        app.photoPaths[static_cast<size_t>(i)] = FString::FromUtf8(i == 0   ? "#ff0000 3000x1000"
                                                                   : i == 4 ? "#00ff00 1080x1920"
                                                                            : "#0000ff 800x600");
    app.StreamPhotoTextures(true);
    Frame();
    app.NextPage(0);
    app.turnPosition = 0.5f;
    Frame();
    app.FinishTurn();
    app.StreamPhotoTextures(true);
    const FRenderTargetCopy turned = Frame();
    ASSERT_EQ(app.pageIndex, 2);
    ResetDevice();
    EXPECT_EQ(Differing(turned, Frame()), 0);
}

} // namespace
