#pragma once
// Effect files (*.fx): one GLSL 3.30 source shared by both stages, plus
// "technique Name { pass Name { key = value; ... } }" blocks that the GL compiler
// never sees. The loader cuts the blocks out (keeping every line break, so the
// compiler's line numbers stay the file's own), then compiles the rest once per
// stage and pass with VERTEX or FRAGMENT defined. The user guide documents the
// format for effect writers.

#include "base/FString.h"
#include "render/FRenderStates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class FEffectStage
{
    Vertex,
    Fragment,
};

enum class FEffectBlend
{
    None,
    Alpha,
    Additive,
};

// A pass's render states: unset ones keep what the book's own draw set.
struct FEffectPass
{
    std::string name;
    int line = 0; // of the "pass" keyword, for messages about its entry functions
    // Functions called as the stage's main; empty: the source's own main().
    std::string vertexEntry;
    std::string fragmentEntry;
    std::optional<FCull> cull;
    std::optional<FEffectBlend> blend;
    std::optional<bool> depthTest;
    std::optional<bool> depthWrite;
};

struct FEffectTechnique
{
    std::string name;
    int line = 0;
    std::vector<FEffectPass> passes;
};

struct FEffectFile
{
    // The GLSL part: the file with technique blocks blanked out, line for line.
    std::string source;
    int lineCount = 0;
    std::vector<FEffectTechnique> techniques;
    // Syntax errors of the technique blocks as "file(line): error: ..." lines;
    // empty when the blocks read cleanly.
    std::string errors;
};

// fileName is only used in messages.
FEffectFile ParseEffectFile(std::string_view text, std::string_view fileName);

// The text one stage of one pass is compiled from: our prelude (version, stage
// define, VARYING, optionally "#pragma optimize(off)"), "#line 1", the source,
// then the stage's main when the pass names an entry or the vertex stage needs
// its clip depth converted (uniform bool QuilloConvertDepth).
std::string EffectStageSource(const FEffectFile& file, const FEffectPass& pass, FEffectStage stage, bool optimize);

// Rewrites the driver's "0:12(5):" (Mesa), "0(12) :" (NVIDIA) and "ERROR: 0:12:"
// line references into "file(12,5):" / "file(12):". Lines past the file's end
// belong to our generated main and are charged to fallbackLine (the pass).
std::string MapCompilerLog(std::string_view log, std::string_view fileName, int lineCount, int fallbackLine);

// False exactly when the text opts out with "optimization = false;": after the
// first "optimization", past the first "=", up to the first ";", trimmed,
// contains "false". Case-sensitive; comments count too.
bool EffectWantsOptimizationText(std::u16string_view text);
// The same scan on the file; a file that cannot be read wants optimisation.
bool EffectWantsOptimization(const FString& path);

// Effect files above this are refused unread: real ones are a few kilobytes.
inline constexpr uint64_t kMaxEffectFileBytes = uint64_t(1) << 20;

// When, in whole seconds of the movie, the camera arrives at a photo: the script
// visits four photos per two page turns. Settings times are whole seconds.
int32_t PhotoEffectStart(int32_t photoIndex, int32_t timePage, int32_t timeZoom, int32_t timeView);
// The effect time of one photo in a movie at movie time t: 0 before the camera
// arrives, then running up to timeView and held there.
float PhotoEffectTime(int32_t photoIndex, float movieTime, int32_t timePage, int32_t timeZoom, int32_t timeView);
