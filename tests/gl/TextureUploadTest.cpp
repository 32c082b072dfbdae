// A decoded photo reaches the device whole or a few rows a frame, every mip level
// as the decode worker built it.

#include "GlTestSupport.h"
#include "gl/FGlTexture.h"
#include "gl/FGlTextureLoader.h"

#include <epoxy/gl.h>

namespace {

TEST(TextureUpload, WholeOrInSlicesEveryLevelArrivesAsBuilt)
{
    std::unique_ptr<FGlFramebuffer> screen;
    ASSERT_NO_FATAL_FAILURE(OpenScreen(8, 8, screen));
    FDecodedImage image{.width = 37, .height = 23}; // odd sides: the chain's sizes round down
    for (int i = 0; i < 37 * 23 * 4; ++i)
        image.pixels.push_back(static_cast<uint8_t>(i * 7 + i / 148));
    BuildMipChain(image);
    FGlTextureLoader loader;
    for (size_t budget : {SIZE_MAX, size_t(1000)}) {
        SCOPED_TRACE(budget);
        std::unique_ptr<FTextureUpload> upload = loader.BeginUpload(image);
        int steps = 1;
        while (!upload->Step(budget))
            ++steps;
        EXPECT_EQ(steps > 1, budget != SIZE_MAX);
        FString error;
        const std::shared_ptr<FGpuTexture> texture = upload->Finish(&error);
        ASSERT_NE(texture, nullptr) << error.ToUtf8();
        glBindTexture(GL_TEXTURE_2D, static_cast<FGlTexture&>(*texture).Id());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        for (size_t level = 0; level <= image.mipLevels.size(); ++level) {
            const std::vector<uint8_t>& want = level == 0 ? image.pixels : image.mipLevels[level - 1];
            std::vector<uint8_t> got(want.size());
            glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, GL_UNSIGNED_BYTE, got.data());
            EXPECT_EQ(got, want) << "level " << level;
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

} // namespace
