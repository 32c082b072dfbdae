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

FExportProgress FProgressEstimator::Next(int64_t frame, uint32_t elapsedMs)
{
    FExportProgress progress;
    progress.frame = frame;
    progress.total = total_;
    progress.framesPerSecond = framesPerSecond_;
    progress.elapsedMs = elapsedMs;
    if (frame >= total_)
        progress.remainingMs = 0;
    if (!anchored_) {
        anchored_ = true;
        anchorFrame_ = sampleFrame_ = frame;
        anchorMs_ = sampleMs_ = elapsedMs;
        return progress;
    }
    const uint32_t sinceSample = elapsedMs - sampleMs_;
    if (rate_ <= 0) {
        const uint32_t sinceAnchor = elapsedMs - anchorMs_;
        if (sinceAnchor < kWarmUpMs || frame - anchorFrame_ < kWarmUpFrames)
            return progress;
        // The plain average since the first frame starts the smoothing off.
        rate_ = static_cast<double>(frame - anchorFrame_) / sinceAnchor;
        sampleFrame_ = frame;
        sampleMs_ = elapsedMs;
    } else if (sinceSample >= kSampleMs) {
        const double rate = static_cast<double>(frame - sampleFrame_) / sinceSample;
        const double smoothing = std::clamp<double>((elapsedMs - anchorMs_) / 2.0, kMinSmoothingMs, kMaxSmoothingMs);
        // A long stall (a photo decoded late, the disk busy) weighs no more than two
        // samples: it nudges the estimate rather than throwing it.
        const double weight = std::min<double>(sinceSample, 2 * kSampleMs);
        rate_ += (1.0 - std::exp(-weight / smoothing)) * (rate - rate_);
        sampleFrame_ = frame;
        sampleMs_ = elapsedMs;
    }
    if (frame >= total_)
        progress.remainingMs = 0;
    else if (rate_ > 0)
        progress.remainingMs = std::llround(static_cast<double>(total_ - frame) / rate_);
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
