#include "gl/FEffect.h"

#include "gl/GlHelpers.h"

#include "base/FFile.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <utility>

namespace {

// The book vertex's attributes by the names effects use for them; an effect may
// also place them itself with layout(location = n).
constexpr const char* kAttributeNames[] = {"inPosition", "inNormal", "inColour", "inTexCoord"};

// Bytes as written; GLSL wants 8-bit text, so a UTF-16 file goes through our
// text reader and comes out as UTF-8. False with error set when unreadable.
bool ReadEffectText(const FString& path, std::string& text, int& error)
{
    if (!ReadFileBytes(path, kMaxEffectFileBytes, text, error))
        return false;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE)
        text = ReadWholeFile(path, kMaxEffectFileBytes, &error).ToUtf8();
    else if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return error == 0;
}

std::string PassTitle(const FEffectPass& pass)
{
    return pass.name.empty() ? std::string("pass") : "pass " + pass.name;
}

GLenum ExpectedType(FEffectParameterKind kind)
{
    switch (kind) {
    case FEffectParameterKind::Texture: return GL_SAMPLER_2D;
    case FEffectParameterKind::Vector: return GL_FLOAT_VEC4;
    case FEffectParameterKind::Matrix: return GL_FLOAT_MAT4;
    case FEffectParameterKind::Float: return GL_FLOAT;
    }
    return GL_FLOAT;
}

const char* TypeName(FEffectParameterKind kind)
{
    switch (kind) {
    case FEffectParameterKind::Texture: return "sampler2D";
    case FEffectParameterKind::Vector: return "vec4";
    case FEffectParameterKind::Matrix: return "mat4";
    case FEffectParameterKind::Float: return "float";
    }
    return "float";
}

} // namespace

FEffect::FEffect(const FString& path) : path_(path)
{
    if (path.IsEmpty())
        return;
    std::string text;
    // A file we cannot read leaves the compiler nothing to say: no text, no effect.
    // One we will not read (a FIFO, a device, a huge file) is named, with the reason.
    int error = 0;
    if (!ReadEffectText(path, text, error)) {
        if (error == kErrorNotRegularFile || error == kErrorTooLarge) {
            const FString line = path.Concat(FString(u": ")).Concat(ErrorText(error));
            DebugOutput(line);
            errorText_ =
                FString(u"Error loading Effect \"").Concat(path.FileNamePart()).Concat(FString(u"\"\n\n")).Concat(line);
        }
        return;
    }
    const FString fileNamePart = path.FileNamePart();
    const std::string fileName = fileNamePart.ToUtf8();
    const FEffectFile file = ParseEffectFile(text, fileName);
    const bool optimize = EffectWantsOptimization(path);

    std::string messages = file.errors;
    if (messages.empty() && !file.techniques.empty() && !file.techniques[0].passes.empty()) {
        for (const FEffectPass& pass : file.techniques[0].passes) {
            FPassProgram built;
            messages += BuildPass(file, pass, optimize, built);
            if (built.program)
                passes_.push_back(std::move(built));
        }
    }
    if (!messages.empty()) {
        Release();
        errorText_ = FString(u"Error loading Effect \"")
                         .Concat(fileNamePart)
                         .Concat(FString(u"\"\n\n"))
                         .Concat(FString::FromUtf8(messages));
        return;
    }
    if (file.techniques.empty()) {
        errorText_ = FString(u"Error getting Technique from Effect \"").Concat(fileNamePart).Concat(FString(u"\""));
        return;
    }
    // A technique without passes is one that cannot be made current.
    if (file.techniques[0].passes.empty())
        errorText_ = FString(u"Error setting Technique from Effect \"").Concat(fileNamePart).Concat(FString(u"\""));
}

FEffect::~FEffect()
{
    Release();
}

std::string FEffect::BuildPass(const FEffectFile& file, const FEffectPass& pass, bool optimize, FPassProgram& out)
{
    out = FPassProgram{};
    out.states = pass;
    out.locations.fill(-1);
    const std::string fileName = path_.FileNamePart().ToUtf8();
    FGlShaderObject shaders[2];
    std::string messages;
    const FEffectStage stages[2] = {FEffectStage::Vertex, FEffectStage::Fragment};
    for (int i = 0; i < 2; ++i) {
        auto stage = GlCompileStage(i == 0 ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER,
                                    EffectStageSource(file, pass, stages[i], optimize));
        if (stage)
            shaders[i] = std::move(stage.object);
        else
            messages += PassTitle(pass) + ", " + (i == 0 ? "vertex" : "fragment") + " stage:\n" +
                        MapCompilerLog(stage.log, fileName, file.lineCount, pass.line);
    }
    if (!messages.empty())
        return messages;

    auto linked = GlLinkProgram(shaders[0], shaders[1], kAttributeNames);
    if (!linked)
        return PassTitle(pass) + ", link:\n" + MapCompilerLog(linked.log, fileName, file.lineCount, pass.line);
    FGlProgramObject program = std::move(linked.object);

    // The contract fixes each name's type; a mismatch would only fail silently at
    // every draw, so say so now.
    const auto& table = EffectParameterTable();
    GLint count = 0;
    glGetProgramiv(program.Get(), GL_ACTIVE_UNIFORMS, &count);
    for (GLint u = 0; u < count; ++u) {
        char name[256] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program.Get(), static_cast<GLuint>(u), sizeof name, nullptr, &size, &type, name);
        for (const FEffectParameterInfo& info : table)
            if (std::string_view(name) == info.name && (type != ExpectedType(info.kind) || size != 1))
                messages += fileName + ": error: '" + info.name + "' must be declared as " + TypeName(info.kind) + "\n";
    }
    if (!messages.empty())
        return PassTitle(pass) + ":\n" + messages;

    for (size_t p = 0; p < table.size(); ++p)
        out.locations[p] = glGetUniformLocation(program.Get(), table[p].name);
    out.convertDepth = glGetUniformLocation(program.Get(), "QuilloConvertDepth");
    glUseProgram(program.Get());
    if (out.locations[kEffectTexture0] >= 0)
        glUniform1i(out.locations[kEffectTexture0], 0);
    if (out.locations[kEffectTexture1] >= 0)
        glUniform1i(out.locations[kEffectTexture1], 1);
    glUseProgram(0);
    out.program = std::move(program);
    return {};
}

bool FEffect::Declares(int parameter) const
{
    if (parameter < 0 || parameter >= kEffectParameterCount)
        return false;
    return std::any_of(passes_.begin(), passes_.end(),
                       [parameter](const FPassProgram& p) { return p.locations[static_cast<size_t>(parameter)] >= 0; });
}

void FEffect::SetParameters(const FEffectScene& scene, uint32_t texture, const std::array<float, 4>& textureResolution,
                            float time)
{
    const FEffectValues values = ComputeEffectValues(scene, textureResolution, time);
    const auto& table = EffectParameterTable();
    for (const FPassProgram& pass : passes_) {
        glUseProgram(pass.program.Get());
        for (size_t p = 0; p < table.size(); ++p) {
            const GLint location = pass.locations[p];
            if (location < 0)
                continue;
            const float* data = values[p].data.data();
            switch (table[p].kind) {
            case FEffectParameterKind::Texture: break; // units 0 and 1, bound at the draw
            case FEffectParameterKind::Vector: glUniform4fv(location, 1, data); break;
            // Untransposed: GLSL's M * v is then the book's row-vector v·M.
            case FEffectParameterKind::Matrix: glUniformMatrix4fv(location, 1, GL_FALSE, data); break;
            case FEffectParameterKind::Float: glUniform1f(location, data[0]); break;
            }
        }
    }
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0); // MyTexture1 is always cleared
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void FEffect::ApplyStates(const FEffectPass& states)
{
    if (states.cull)
        GlApplyCull(*states.cull);
    if (states.blend) {
        if (*states.blend == FEffectBlend::None) {
            glDisable(GL_BLEND);
        } else {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, *states.blend == FEffectBlend::Alpha ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
        }
    }
    if (states.depthTest)
        glDepthFunc(*states.depthTest ? GL_LEQUAL : GL_ALWAYS);
    if (states.depthWrite)
        glDepthMask(*states.depthWrite ? GL_TRUE : GL_FALSE);
}

bool FEffect::DrawMeshWithEffect(const FGlMesh* mesh, const FEffectScene& scene, uint32_t texture,
                                 const std::array<float, 4>& textureResolution, float time, bool convertDepth)
{
    if (!mesh || !IsValid())
        return false;
    SetParameters(scene, texture, textureResolution, time);
    mesh->Bind();
    for (const FPassProgram& pass : passes_) {
        glUseProgram(pass.program.Get());
        glUniform1i(pass.convertDepth, convertDepth ? 1 : 0);
        ApplyStates(pass.states);
        glDrawElements(GL_TRIANGLES, mesh->IndexCount(), GL_UNSIGNED_SHORT, nullptr);
    }
    glBindVertexArray(0);
    glUseProgram(0);
    return true;
}

void FEffect::Release()
{
    passes_.clear();
    errorText_ = FString();
}
