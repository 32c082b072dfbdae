#pragma once
// One compiled effect file: every pass of its first technique as a GL program,
// with the locations of the 22 parameter names looked up once. A photo drawn
// through it gets the parameters set and is drawn once per pass.
//
// Every call needs the device's context current.

#include "base/FString.h"
#include "render/EffectFile.h"
#include "render/EffectParameters.h"
#include "gl/FGlMesh.h"
#include "gl/GlObject.h"

#include <array>
#include <cstdint>
#include <vector>

class FEffect
{
public:
    // Compiles and links every pass. Never throws: failures leave no program and,
    // when there is something to say, the text in GetErrorText(). An empty path
    // or an unreadable file gives neither; a FIFO, a device or a file over
    // kMaxEffectFileBytes is refused with a text naming it.
    explicit FEffect(const FString& path);
    ~FEffect();
    FEffect(const FEffect&) = delete;
    FEffect& operator=(const FEffect&) = delete;

    // The compiled effect is there (the "handle").
    bool IsValid() const { return !passes_.empty(); }
    FString GetErrorText() const { return errorText_; }
    const FString& Path() const { return path_; }
    int PassCount() const { return static_cast<int>(passes_.size()); }
    // Whether the given parameter is declared (and used) by any pass.
    bool Declares(int parameter) const;

    // Sets every declared parameter of every pass; texture is a GL texture name
    // (0: none).
    void SetParameters(const FEffectScene& scene, uint32_t texture, const std::array<float, 4>& textureResolution,
                       float time);
    // Draws the synced mesh once per pass, with the pass's own states on top of
    // the ones in force. False without mesh or program. convertDepth: the clip
    // depth of 0..w must be turned into GL's -w..w in the shader.
    bool DrawMeshWithEffect(const FGlMesh* mesh, const FEffectScene& scene, uint32_t texture,
                            const std::array<float, 4>& textureResolution, float time, bool convertDepth);

    // Gives the programs back and forgets the error text; harmless when done.
    void Release();

private:
    struct FPassProgram
    {
        FGlProgramObject program;
        FEffectPass states;
        std::array<int32_t, kEffectParameterCount> locations{};
        int32_t convertDepth = -1;
    };

    // The GL messages (mapped into the file) of one pass, empty on success.
    std::string BuildPass(const FEffectFile& file, const FEffectPass& pass, bool optimize, FPassProgram& out);
    static void ApplyStates(const FEffectPass& states);

    FString path_;
    FString errorText_;
    std::vector<FPassProgram> passes_;
};
