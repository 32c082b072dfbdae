#include "export/ExportScript.h"

#include "app/PageText.h"

#include <algorithm>

namespace {

constexpr uint32_t kLeftView = 2;
constexpr uint32_t kRightView = 3;
constexpr uint32_t kPhotoTopLeft = 4;
constexpr uint32_t kPhotoBottomLeft = 5;
constexpr uint32_t kPhotoTopRight = 6;
constexpr uint32_t kPhotoBottomRight = 7;

struct FStepPlan
{
    FStepKind kind;
    uint32_t from;
    uint32_t to;
};

// One spread: the turn, the left page's two photos, the transparent sheet, the
// right page's two photos, back to the front view after each page.
constexpr FStepPlan kSpreadPlan[kScriptStepCount] = {
    {FStepKind::PageTurn, 0, 0},
    {FStepKind::Hold, kFrontView, kFrontView},
    {FStepKind::Move, kFrontView, kPhotoTopLeft},
    {FStepKind::Hold, kPhotoTopLeft, kPhotoTopLeft},
    {FStepKind::Move, kPhotoTopLeft, kLeftView},
    {FStepKind::Move, kLeftView, kPhotoBottomLeft},
    {FStepKind::Hold, kPhotoBottomLeft, kPhotoBottomLeft},
    {FStepKind::Move, kPhotoBottomLeft, kFrontView},
    {FStepKind::TransparentTurn, 0, 0},
    {FStepKind::Move, kFrontView, kPhotoTopRight},
    {FStepKind::Hold, kPhotoTopRight, kPhotoTopRight},
    {FStepKind::Move, kPhotoTopRight, kRightView},
    {FStepKind::Move, kRightView, kPhotoBottomRight},
    {FStepKind::Hold, kPhotoBottomRight, kPhotoBottomRight},
    {FStepKind::Move, kPhotoBottomRight, kFrontView},
};

bool IsPhotoView(uint32_t preset)
{
    return preset >= kPhotoTopLeft && preset <= kPhotoBottomRight;
}

int32_t PhaseFrames(int32_t seconds, float fps)
{
    return static_cast<int32_t>(static_cast<float>(seconds) * fps);
}

} // namespace

FExportSettings ExportSettingsFrom(const FSettings& settings)
{
    FExportSettings s;
    s.width = settings.ExportWidth;
    s.height = settings.ExportHeight;
    s.pixelAspect = settings.ExportPAR;
    s.framesPerSecond = settings.ExportFPS;
    s.timePage = settings.TimePage;
    s.timeZoom = settings.TimeZoom;
    s.timeView = settings.TimeView;
    if (settings.ExportType == 1)
        s.encoderName = settings.EncoderName;
    s.h264 = settings.ExportType == 2;
    // A hand-edited value out of range falls back to the default rather than to an extreme.
    s.quality = settings.ExportQuality >= kMinExportQuality && settings.ExportQuality <= kMaxExportQuality
                    ? settings.ExportQuality
                    : kDefaultExportQuality;
    s.renderTransparentPage = settings.RenderTransparentPage;
    s.musicFiles = settings.ExportMusic;
    return s;
}

bool ValidateExportSettings(const FExportSettings& s)
{
    return s.width >= kExportMinSize && s.width <= kExportMaxSize && s.height >= kExportMinSize &&
           s.height <= kExportMaxSize && s.framesPerSecond > 0.0f && s.framesPerSecond <= kExportMaxFps &&
           s.pixelAspect > 0.0f && s.pixelAspect <= kExportMaxPixelAspect;
}

FScriptTiming ScriptTiming(const FExportSettings& s)
{
    return {PhaseFrames(s.timePage, s.framesPerSecond), PhaseFrames(s.timeZoom, s.framesPerSecond),
            PhaseFrames(s.timeView, s.framesPerSecond)};
}

int32_t ExportSpreadCount(int32_t photoCount)
{
    return SpreadCount(photoCount);
}

std::vector<FScriptStep> BuildExportScript(const FExportSettings& settings, int32_t photoCount)
{
    const FScriptTiming timing = ScriptTiming(settings);
    std::vector<FScriptStep> script;
    const int32_t spreads = ExportSpreadCount(photoCount);
    int32_t photo = 0; // photos visited so far
    for (int32_t spread = 0; spread < spreads; ++spread) {
        // The book opens on the first spread: no turn and no left page to visit.
        for (int32_t step = spread == 0 ? kTransparentStep : 0; step < kScriptStepCount; ++step) {
            const FStepPlan& plan = kSpreadPlan[step];
            FScriptStep s{spread, step, plan.kind, 0, plan.from, plan.to};
            switch (plan.kind) {
            case FStepKind::PageTurn: s.frames = timing.pageFrames; break;
            case FStepKind::TransparentTurn:
                if (!settings.renderTransparentPage)
                    continue;
                s.frames = timing.pageFrames;
                break;
            case FStepKind::Hold:
            case FStepKind::Move:
                if (IsPhotoView(plan.to) && plan.to != plan.from)
                    ++photo;
                // The counter only grows, so past the last photo every later camera step goes too.
                if (photo > photoCount)
                    continue;
                s.frames = plan.kind == FStepKind::Hold ? timing.viewFrames : timing.zoomFrames;
                break;
            }
            script.push_back(s);
        }
    }
    return script;
}

int64_t ScriptFrameCount(const std::vector<FScriptStep>& script)
{
    int64_t total = 0;
    for (const FScriptStep& s : script)
        total += s.frames > 0 ? s.frames : 0;
    return total;
}

float StepProgress(float i, int32_t n)
{
    if (n <= 1)
        return 1.0f;
    return std::min(i / static_cast<float>(n - 1), 1.0f);
}

FClientSize FitPreviewSize(int32_t width, int32_t height, int32_t frameWidth, int32_t frameHeight, int32_t screenWidth,
                           int32_t screenHeight)
{
    int32_t w = width, h = height;
    while ((w + frameWidth > screenWidth || h + frameHeight > screenHeight) && w / 2 >= 1 && h / 2 >= 1) {
        w /= 2;
        h /= 2;
    }
    return {w, h};
}
