#pragma once
// One headless context for the whole test binary, a 64 x 64 stand-in screen per
// test, and pixels read back top row first.

#include "render/FGridMesh.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"
#include "gl/FRenderer.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

// The context lives as long as the binary; each test gets its own screen.
inline void OpenScreen(int width, int height, std::unique_ptr<FGlFramebuffer>& screen)
{
    static std::string reason;
    static std::unique_ptr<FGlContext> context = FGlContext::Create(reason);
    ASSERT_NE(context, nullptr) << reason;
    ASSERT_TRUE(context->MakeCurrent());
    std::string error;
    screen = FGlFramebuffer::Create(width, height, &error);
    ASSERT_NE(screen, nullptr) << error;
}

struct FRgb
{
    int red = 0, green = 0, blue = 0;
    bool operator==(const FRgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const FRgb& c)
{
    return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

inline FRgb At(const FRenderTargetCopy& copy, int x, int y)
{
    const uint8_t* p = copy.Row(y) + x * 4;
    return {p[2], p[1], p[0]};
}

struct Box
{
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
    int CentreY() const { return (top + bottom) / 2; }
};

// Where a colour shows, within a tolerance per channel.
inline Box FindColour(const FRenderTargetCopy& copy, FRgb c, int tolerance = 0)
{
    Box box;
    for (int y = 0; y < copy.height; ++y)
        for (int x = 0; x < copy.width; ++x) {
            const FRgb p = At(copy, x, y);
            if (std::abs(p.red - c.red) <= tolerance && std::abs(p.green - c.green) <= tolerance &&
                std::abs(p.blue - c.blue) <= tolerance) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y),
                       box.count + 1};
            }
        }
    return box;
}

inline int Count(const FRenderTargetCopy& copy, FRgb c, int tolerance = 0)
{
    return FindColour(copy, c, tolerance).count;
}

inline int Differing(const FRenderTargetCopy& a, const FRenderTargetCopy& b)
{
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            count += At(a, x, y) != At(b, x, y);
    return count;
}

// An n x n grid in the plane z = depth spanning x, y in [-half, half], indexed
// like the book's grids (columns along +x, rows along +y), one normal and colour
// throughout; v = 0 at the top as the book has it.
inline FGridMesh MakeQuad(float half, float depth, FVector3 normal, uint32_t colour, int n = 2)
{
    FGridMesh mesh;
    mesh.columns = mesh.rows = n;
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column) {
            const float s = static_cast<float>(column) / static_cast<float>(n - 1);
            const float t = static_cast<float>(row) / static_cast<float>(n - 1);
            mesh.vertices.push_back(
                {-half + 2 * half * s, -half + 2 * half * t, depth, normal.x, normal.y, normal.z, colour, s, 1 - t});
        }
    for (int row = 0; row + 1 < n; ++row)
        for (int column = 0; column + 1 < n; ++column) {
            const auto a = static_cast<uint16_t>(row * n + column), b = static_cast<uint16_t>(a + n);
            mesh.indices.insert(mesh.indices.end(), {a, static_cast<uint16_t>(a + 1), b, static_cast<uint16_t>(a + 1),
                                                     static_cast<uint16_t>(b + 1), b});
        }
    return mesh;
}

class GlTest : public ::testing::Test
{
protected:
    static constexpr int kSize = 64;

    explicit GlTest(bool allowClipControl = true) : renderer(allowClipControl) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenScreen(kSize, kSize, screenBuffer));
        const FGlScreen screen{screenBuffer->Id(), kSize, kSize};
        ASSERT_TRUE(renderer.SetDevice(&screen)) << renderer.LastError();
        ASSERT_TRUE(renderer.BeginTarget(kScreenTarget));
    }

    void TearDown() override { renderer.SetDevice(nullptr); }

    // Camera at the origin looking along +z, 90 degrees, square.
    void UsePerspective()
    {
        renderer.SetWorld(FMatrix::Identity());
        renderer.SetView(FMatrix::Identity());
        renderer.SetProjection(FMatrix::PerspectiveFovLH(1.5707963f, 1, 1, 1000));
    }

    FRenderTargetCopy Read() const
    {
        FRenderTargetCopy copy;
        EXPECT_TRUE(screenBuffer->ReadBgrx(copy));
        return copy;
    }
    // x, y from the top-left corner of the picture.
    FRgb Pixel(int x, int y) const { return At(Read(), x, y); }

    FRenderer renderer;
    std::unique_ptr<FGlFramebuffer> screenBuffer;
};

#define EXPECT_RGB_NEAR(actual, r, g, b, tolerance)                                                                    \
    do {                                                                                                               \
        const FRgb got_ = (actual);                                                                                    \
        EXPECT_NEAR(got_.red, (r), (tolerance)) << got_;                                                               \
        EXPECT_NEAR(got_.green, (g), (tolerance)) << got_;                                                             \
        EXPECT_NEAR(got_.blue, (b), (tolerance)) << got_;                                                              \
    } while (0)
