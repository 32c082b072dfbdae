#include "export/ExportProgress.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Milliseconds as seconds with three decimals, whatever the C locale's decimal point.
std::string JsonSeconds(int64_t ms)
{
    std::string fraction = std::to_string(ms % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(ms / 1000) + "." + fraction;
}

} // namespace

int32_t FExportProgress::Percent() const
{
    if (total <= 0)
        return 0;
    return static_cast<int32_t>(std::clamp<int64_t>(frame * 100 / total, 0, 100));
}

double FExportProgress::MovieSecondsDone() const
{
    return framesPerSecond > 0 ? static_cast<double>(frame) / framesPerSecond : 0.0;
}

double FExportProgress::MovieSecondsTotal() const
{
    return framesPerSecond > 0 ? static_cast<double>(total) / framesPerSecond : 0.0;
}

FProgressEstimator::FProgressEstimator(const std::vector<FScriptStep>& script, float framesPerSecond)
    : framesPerSecond_(framesPerSecond)
{
    for (const FScriptStep& step : script) {
        if (step.frames <= 0)
            continue;
        total_ += step.frames;
        const bool turn = step.kind == FStepKind::PageTurn || step.kind == FStepKind::TransparentTurn;
        spans_.push_back({total_, turn ? size_t(0) : size_t(1)});
    }
    after_.resize(spans_.size());
    PerKind later{};
    for (size_t i = spans_.size(); i-- > 0;) {
        after_[i] = later;
        later[spans_[i].kind] += spans_[i].end - (i > 0 ? spans_[i - 1].end : 0);
    }
}

FProgressEstimator::PerKind FProgressEstimator::FramesFrom(int64_t frame)
{
    while (span_ < spans_.size() && spans_[span_].end <= frame)
        ++span_;
    if (span_ >= spans_.size())
        return {};
    PerKind frames = after_[span_];
    frames[spans_[span_].kind] += spans_[span_].end - frame;
    return frames;
}

FExportProgress FProgressEstimator::Next(int64_t frame, uint32_t elapsedMs)
{
    FExportProgress progress;
    progress.frame = frame;
    progress.total = total_;
    progress.framesPerSecond = framesPerSecond_;
    progress.elapsedMs = elapsedMs;
    if (frame >= total_) {
        progress.remainingMs = 0;
        return progress;
    }
    if (!anchored_) {
        anchored_ = true;
        anchorFrame_ = lastFrame_ = frame;
        anchorMs_ = lastMs_ = elapsedMs;
        return progress;
    }
    // The time since the last call went to the frames rendered since, which lie in
    // the steps from the last frame on.
    const PerKind before = FramesFrom(lastFrame_), now = FramesFrom(frame);
    const int64_t frames = frame - lastFrame_;
    const bool warm = lastMs_ - anchorMs_ >= kWarmUpMs && lastFrame_ - anchorFrame_ >= kWarmUpFrames;
    for (size_t k = 0; k < kKinds && frames > 0 && warm; ++k) {
        const int64_t done = before[k] - now[k];
        double costMs = static_cast<double>(elapsedMs - lastMs_) / static_cast<double>(frames);
        if (counted_[k] >= kWarmUpFrames)
            costMs = std::min(costMs, kLongestFrame * spentMs_[k] / static_cast<double>(counted_[k]));
        spentMs_[k] += costMs * static_cast<double>(done);
        counted_[k] += done;
    }
    lastFrame_ = frame;
    lastMs_ = elapsedMs;
    if (!warm)
        return progress;
    double allMs = 0;
    int64_t allFrames = 0;
    for (size_t k = 0; k < kKinds; ++k)
        allMs += spentMs_[k], allFrames += counted_[k];
    const double meanMs = allFrames > 0 ? allMs / static_cast<double>(allFrames) : 0;
    double remaining = 0;
    for (size_t k = 0; k < kKinds; ++k)
        remaining += static_cast<double>(now[k]) * (spentMs_[k] + kPriorFrames * meanMs) /
                     (static_cast<double>(counted_[k]) + kPriorFrames);
    progress.remainingMs = std::llround(remaining);
    return progress;
}

FString FormatClock(double seconds)
{
    const int64_t whole = seconds > 0 ? static_cast<int64_t>(seconds) : 0;
    const int64_t hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
    FString text =
        hours > 0 ? FString::FromInt(hours) + FString(u":") + FString::FromInt(minutes, 2) : FString::FromInt(minutes);
    return text + FString(u":") + FString::FromInt(rest, 2);
}

FString ExportProgressLine(const FExportProgress& p)
{
    FString line = FString::FromInt(p.Percent()) + FString(u"% frame ") + FString::FromInt(p.frame) + FString(u" of ") +
                   FString::FromInt(p.total) + FString(u", elapsed ") + FormatClock(p.elapsedMs / 1000.0) +
                   FString(u", remaining ");
    return line + (p.Estimating() ? FString(u"estimating...") : FormatClock(p.remainingMs / 1000.0));
}

FString ExportProgressJson(const FExportProgress& p)
{
    const std::string json = "{\"frame\":" + std::to_string(p.frame) + ",\"total\":" + std::to_string(p.total) +
                             ",\"elapsed\":" + JsonSeconds(p.elapsedMs) +
                             ",\"remaining\":" + (p.Estimating() ? "null" : JsonSeconds(p.remainingMs)) +
                             ",\"bytes\":" + std::to_string(p.bytes) + "}";
    return FString::FromUtf8(json);
}
