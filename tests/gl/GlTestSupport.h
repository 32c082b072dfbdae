#pragma once
// One headless context for the whole test binary, a 64 x 64 stand-in screen per
// test, and pixels read back top row first.

#include "render/FGridMesh.h"
#include "render/gl/FGlContext.h"
#include "render/gl/FGlFramebuffer.h"
#include "render/gl/FRenderer.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

inline FGlContext* SharedContext(std::string& error)
{
    static std::string reason;
    static std::unique_ptr<FGlContext> context = FGlContext::Create(reason);
    error = reason;
    return context.get();
}

struct FRgb
{
    int red = 0, green = 0, blue = 0;
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

inline bool Same(const FRgb& a, const FRgb& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

inline int Count(const FRenderTargetCopy& copy, FRgb c, int tolerance = 0)
{
    int count = 0;
    for (int y = 0; y < copy.height; ++y)
        for (int x = 0; x < copy.width; ++x) {
            const FRgb p = At(copy, x, y);
            count += std::abs(p.red - c.red) <= tolerance && std::abs(p.green - c.green) <= tolerance &&
                     std::abs(p.blue - c.blue) <= tolerance;
        }
    return count;
}

inline int Differing(const FRenderTargetCopy& a, const FRenderTargetCopy& b)
{
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            count += !Same(At(a, x, y), At(b, x, y));
    return count;
}

// A columns x rows grid in the plane z = depth spanning x, y in [-half, half],
// indexed like the book's grids (columns along +x, rows along +y), all with one
// normal and colour; v = 0 at the top as the book has it.
inline FGridMesh MakeGrid(int columns, int rows, float half, float depth, FVector3 normal, uint32_t colour)
{
    FGridMesh mesh;
    mesh.columns = columns;
    mesh.rows = rows;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const float s = static_cast<float>(column) / static_cast<float>(columns - 1);
            const float t = static_cast<float>(row) / static_cast<float>(rows - 1);
            mesh.vertices.push_back(
                {-half + 2 * half * s, -half + 2 * half * t, depth, normal.x, normal.y, normal.z, colour, s, 1 - t});
        }
    for (int row = 0; row + 1 < rows; ++row)
        for (int column = 0; column + 1 < columns; ++column) {
            const auto a = static_cast<uint16_t>(row * columns + column), b = static_cast<uint16_t>(a + columns);
            mesh.indices.insert(mesh.indices.end(), {a, static_cast<uint16_t>(a + 1), b, static_cast<uint16_t>(a + 1),
                                                     static_cast<uint16_t>(b + 1), b});
        }
    return mesh;
}

inline FGridMesh MakeQuad(float half, float depth, FVector3 normal, uint32_t colour, int n = 2)
{
    return MakeGrid(n, n, half, depth, normal, colour);
}

// An axis-aligned rectangle in the plane z = depth, facing -z, same winding as MakeQuad.
inline FGridMesh MakeRect(float left, float bottom, float right, float top, float depth, uint32_t colour)
{
    FGridMesh mesh = MakeQuad(1, depth, {0, 0, -1}, colour);
    for (FBookVertex& v : mesh.vertices) {
        v.x = v.x < 0 ? left : right;
        v.y = v.y < 0 ? bottom : top;
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
        std::string error;
        FGlContext* context = SharedContext(error);
        ASSERT_NE(context, nullptr) << error;
        ASSERT_TRUE(context->MakeCurrent());
        screenBuffer = FGlFramebuffer::Create(kSize, kSize, &error);
        ASSERT_NE(screenBuffer, nullptr) << error;
        const FGlScreen screen{screenBuffer->Id(), kSize, kSize};
        ASSERT_TRUE(renderer.SetDevice(&screen)) << renderer.LastError();
        ASSERT_TRUE(renderer.BeginTarget(kScreenTarget));
    }

    void TearDown() override
    {
        renderer.SetDevice(nullptr);
        screenBuffer.reset();
    }

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
