// The book framed in square and tall pictures (a square or phone-shaped movie, a
// tall window): the whole spread and each photo close-up stay in the picture, and
// landscape pictures show exactly what they always did.

#include "BookScene.h"

#include <vector>

namespace {

constexpr FRgb kBackground{102, 102, 102};
constexpr FRgb kBlue{0, 0, 255}, kYellow{255, 255, 0}, kMagenta{255, 0, 255}, kCyan{0, 255, 255};

class FramingTest : public BookScene
{
protected:
    // The second spread, all four places filled: blue over yellow on the left page,
    // magenta over cyan on the right.
    void SetUp() override
    {
        BookScene::SetUp();
        static const char* const kColours[] = {"#ff0000", "#00ff00", "#0000ff", "#ffff00", "#ff00ff", "#00ffff"};
        app.photoCount = 6;
        for (int i = 0; i < 6; ++i)
            app.photoPaths[static_cast<size_t>(i)] = FString(kColours[i], 0);
        app.pageIndex = 2;
        app.StreamPhotoTextures(true);
    }
};

// Pixels on the frame's outermost rows and columns that are not the plain background.
int OnTheBorder(const FRenderTargetCopy& copy)
{
    int count = 0;
    for (int y = 0; y < copy.height; ++y)
        for (int x = 0; x < copy.width; ++x)
            if ((x == 0 || y == 0 || x == copy.width - 1 || y == copy.height - 1) && At(copy, x, y) != kBackground)
                ++count;
    return count;
}

// The first frames of the movie's phases at 1080 x 1080 and 1080 x 1920, a quarter size.
TEST_F(FramingTest, SquareAndTallPicturesShowTheWholeSpreadAndEachWholePhoto)
{
    struct View
    {
        uint32_t preset;
        bool wholeBook;           // the front view: nothing of the book on the frame's edge
        std::vector<FRgb> photos; // each of them inside the frame
        bool closeUp;             // and filling at least half its width
    };
    const View views[] = {
        {0, true, {kBlue, kYellow, kMagenta, kCyan}, false},
        {2, false, {kBlue, kYellow}, false}, // from the left: the left page
        {3, false, {kMagenta, kCyan}, false},
        {4, false, {kBlue}, true},
        {5, false, {kYellow}, true},
        {6, false, {kMagenta}, true},
        {7, false, {kCyan}, true},
    };
    for (const auto& [w, h] : {std::pair{270, 270}, std::pair{270, 480}}) {
        ASSERT_NO_FATAL_FAILURE(Resize(w, h));
        for (const auto& [preset, wholeBook, photos, closeUp] : views) {
            app.camera->SetPreset(preset, true, 0);
            const FRenderTargetCopy copy = Frame();
            SCOPED_TRACE(testing::Message() << w << " x " << h << ", camera preset " << preset);
            if (wholeBook)
                EXPECT_EQ(OnTheBorder(copy), 0) << "the book runs out of the picture";
            for (const FRgb& photo : photos) {
                const Box box = FindColour(copy, photo, 7);
                EXPECT_TRUE(box.left > 0 && box.top > 0 && box.right < w - 1 && box.bottom < h - 1)
                    << "photo " << photo << " runs out of the picture: " << box.left << ", " << box.top << " to "
                    << box.right << ", " << box.bottom;
                if (closeUp)
                    EXPECT_GT(box.right - box.left, w / 2) << "the close-up no longer fills the picture";
            }
        }
    }
}

// 4:3, 16:9 and 4:3 of 0.9-wide pixels (a DVD's 720 x 480): the frame is the one the
// preset's own field of view gives.
TEST_F(FramingTest, LandscapePicturesAreDrawnWithThePresetsOwnFieldOfView)
{
    struct Shape
    {
        int width, height;
        float pixelAspect;
    };
    for (const auto& [w, h, pixelAspect] : {Shape{320, 240, 1.0f}, Shape{320, 180, 1.0f}, Shape{360, 240, 0.9f}}) {
        ASSERT_NO_FATAL_FAILURE(Resize(w, h));
        app.aspectFactor = pixelAspect;
        for (uint32_t preset : {0u, 3u, 4u}) {
            app.camera->SetPreset(preset, true, 0);
            FFrame frame = app.BeginFrame(w, h, 0);
            book.Render(frame);
            FRenderTargetCopy framed, plain;
            ASSERT_TRUE(screenBuffer->ReadBgrx(framed));
            frame.projection = FMatrix::PerspectiveFovLH(app.camera->current.fov,
                                                         static_cast<float>(w) / static_cast<float>(h) * pixelAspect,
                                                         FCamera::kNearPlane, FCamera::kFarPlane);
            book.Render(frame);
            ASSERT_TRUE(screenBuffer->ReadBgrx(plain));
            EXPECT_EQ(Differing(framed, plain), 0) << w << " x " << h << ", camera preset " << preset;
        }
    }
}

} // namespace
