// Photo meshes live on from spread to spread: after page turns the frame must be
// the one a freshly reset device draws, pixel for pixel, and clicks must meet it.

#include "BookScene.h"
#include "render/gl/FGlTexture.h"

#include <cstdio>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// "#rrggbb WxH": a photo of one colour that reports the given size.
struct SizedColourLoader : FTextureLoader
{
    std::shared_ptr<FGpuTexture> CreateTextureFromFile(const FString& path, int, int32_t& width, int32_t& height,
                                                       FString*) override
    {
        unsigned rgb = 0;
        if (std::sscanf(path.ToUtf8().c_str(), "#%6x %dx%d", &rgb, &width, &height) != 3)
            return nullptr;
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 16; ++i)
            pixels.insert(pixels.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                         static_cast<uint8_t>(rgb), 255});
        return std::shared_ptr<FGpuTexture>(FGlTexture::Create(4, 4, pixels.data(), false));
    }
};

struct ClientOfFrameSize : FAppHost
{
    FString ShowFileDialog(const FString&, FFileDialogKind) override { return {}; }
    void RefreshMenus() override {}
    int ClientWidth() const override { return kWidth; }
    int ClientHeight() const override { return kHeight; }
};

class PageTurnMeshTest : public BookScene<SizedColourLoader>
{
protected:
    PageTurnMeshTest() : BookScene(kWidth, kHeight) {}
    void SetUp() override
    {
        BookScene::SetUp();
        ASSERT_EQ(Reset(), kOk);
        app.host = &host;
    }
    void ForceDeviceReset()
    {
        DeviceLost();
        ASSERT_EQ(Reset(), kOk);
        app.StreamPhotoTextures(true);
    }
    ClientOfFrameSize host;
};

// Each pair holds as many grid vertices in another shape (20 x 6 and 8 x 15, ...),
// passed from one spread's upper right photo to the next's.
TEST_F(PageTurnMeshTest, PhotoOfAnotherShapeWithTheSameVertexCountIsDrawnAndPickedAsItIs)
{
    const char* const kPairs[][2] = {
        {"3000x1000", "1080x1920"}, {"1000x170", "1000x3500"}, {"1000x460", "1000x1200"}, {"1000x620", "1100x1000"}};
    for (const auto& pair : kPairs) {
        SCOPED_TRACE(std::string(pair[0]) + " then " + pair[1]);
        app.pageIndex = 0;
        app.turnState = 0;
        for (FTexture& slot : app.photoTextures)
            slot.Clear();
        app.photoCount = 8;
        for (int i = 0; i < 8; ++i)
            app.photoPaths[static_cast<size_t>(i)] = FString::FromUtf8(i == 0   ? "#ff0000 " + std::string(pair[0])
                                                                       : i == 4 ? "#00ff00 " + std::string(pair[1])
                                                                                : "#0000ff 800x600");
        app.StreamPhotoTextures(true);
        ForceDeviceReset();
        Frame();

        // Whatever the turns left in the meshes, a reset must not change a pixel.
        auto sameAsAfterReset = [&](const FRenderTargetCopy& before) {
            ForceDeviceReset();
            const FRenderTargetCopy fresh = Frame();
            int differing = 0;
            for (size_t i = 0; i < fresh.pixels.size(); ++i)
                differing += before.pixels[i] != fresh.pixels[i];
            return differing;
        };
        auto turn = [&](bool forward) {
            forward ? app.NextPage(0) : app.PreviousPage(0);
            app.turnPosition = 0.5f;
            Frame();
            app.FinishTurn();
            app.StreamPhotoTextures(true);
            return Frame();
        };
        EXPECT_EQ(sameAsAfterReset(turn(true)), 0); // Page Down
        ASSERT_EQ(app.pageIndex, 2);
        const FRenderTargetCopy turned = Frame();
        // The middle of the green photo's pixels is a click on photo 4.
        long sumX = 0, sumY = 0, count = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* p = turned.Row(y) + x * 4;
                if (p[1] > 200 && p[0] < 50 && p[2] < 50) {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
            }
        ASSERT_GT(count, 100);
        const FPickHit hit = app.Pick(static_cast<float>(sumX / count), static_cast<float>(sumY / count));
        EXPECT_TRUE(hit.hit);
        EXPECT_EQ(hit.result, 4);
        EXPECT_EQ(sameAsAfterReset(turn(false)), 0); // and back up
    }
}

} // namespace
