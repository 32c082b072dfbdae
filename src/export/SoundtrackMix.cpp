#include "export/SoundtrackMix.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// BS.1770's K-weighting at 48 kHz: a high shelf for the head, then a high pass.
struct FBiquad
{
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;

    double Step(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

constexpr int kSegment = kSoundRate / 10; // 100 ms: gating blocks are four of them

// Fed the signal in order, it keeps each 100 ms segment's K-weighted power; the
// 400 ms blocks overlapping by 75 % are sums of four neighbours.
class FLoudnessMeter
{
public:
    void Add(const float* left, const float* right, int count)
    {
        for (int i = 0; i < count; ++i) {
            const double l = highL_.Step(shelfL_.Step(left[i]));
            const double r = highR_.Step(shelfR_.Step(right[i]));
            power_ += l * l + r * r;
            if (++filled_ == kSegment) {
                segments_.push_back(power_ / kSegment);
                power_ = 0;
                filled_ = 0;
            }
        }
    }

    double Integrated() const
    {
        std::vector<double> blocks;
        for (size_t i = 3; i < segments_.size(); ++i)
            blocks.push_back((segments_[i - 3] + segments_[i - 2] + segments_[i - 1] + segments_[i]) / 4);
        const auto loudness = [](double power) { return -0.691 + 10.0 * std::log10(power); };
        const auto gatedMean = [&](double threshold) {
            double sum = 0;
            int n = 0;
            for (const double block : blocks)
                if (block > 0 && loudness(block) > threshold)
                    sum += block, ++n;
            return n ? sum / n : 0.0;
        };
        const double absolute = gatedMean(-70.0);
        if (absolute <= 0)
            return -100.0;
        const double relative = gatedMean(loudness(absolute) - 10.0);
        return relative > 0 ? loudness(relative) : -100.0;
    }

private:
    static FBiquad Shelf()
    {
        return {1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241, 0.73248077421585};
    }
    static FBiquad HighPass() { return {1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621}; }

    FBiquad shelfL_ = Shelf(), shelfR_ = Shelf(), highL_ = HighPass(), highR_ = HighPass();
    double power_ = 0;
    int filled_ = 0;
    std::vector<double> segments_;
};

} // namespace

int64_t SoundSamplesFor(int64_t frames, int num, int den)
{
    if (frames <= 0 || num <= 0 || den <= 0)
        return 0;
    // frames * den * 48000 / num stays far inside 64 bits for any movie length.
    const int64_t scaled = frames * den * kSoundRate;
    return (scaled + num / 2) / num;
}

FMusicSample ToMusicSample(float value)
{
    // What is no number is silence.
    if (!std::isfinite(value))
        return 0;
    return static_cast<FMusicSample>(std::lround(std::clamp(value * kMusicSampleScale, -32768.0f, 32767.0f)));
}

FSoundtrackMix::FSoundtrackMix(std::vector<FMusicSample> left, std::vector<FMusicSample> right, int64_t length)
    : left_(std::move(left)), right_(std::move(right)), length_(std::max<int64_t>(length, 0))
{
    if (left_.empty() || left_.size() != right_.size()) {
        length_ = 0;
        return;
    }
    // Measured as it will sound, loops and fades included.
    FLoudnessMeter meter;
    std::vector<float> l(kSegment), r(kSegment);
    float peak = 0;
    for (int64_t at = 0; at < length_; at += kSegment) {
        const int count = static_cast<int>(std::min<int64_t>(kSegment, length_ - at));
        FillRaw(at, count, l.data(), r.data());
        meter.Add(l.data(), r.data(), count);
        for (int i = 0; i < count; ++i)
            peak = std::max({peak, std::abs(l[static_cast<size_t>(i)]), std::abs(r[static_cast<size_t>(i)])});
    }
    const double loudness = meter.Integrated();
    if (loudness < -70.0 || peak <= 0)
        return; // nothing to bring up
    const double gain = std::pow(10.0, (kTargetLoudness - loudness) / 20.0);
    gain_ = static_cast<float>(std::min(gain, kPeakCeiling / peak));
}

void FSoundtrackMix::FillRaw(int64_t start, int count, float* left, float* right) const
{
    const auto size = static_cast<int64_t>(left_.size());
    const double fadeIn = kFadeInSeconds * kSoundRate, fadeOut = kFadeOutSeconds * kSoundRate;
    constexpr double kUnit = 1.0 / kMusicSampleScale;
    for (int i = 0; i < count; ++i) {
        const int64_t at = start + i;
        if (at < 0 || at >= length_ || size == 0) {
            left[i] = right[i] = 0;
            continue;
        }
        const auto from = static_cast<size_t>(at % size);
        const double fade =
            kUnit * std::min({1.0, static_cast<double>(at) / fadeIn, static_cast<double>(length_ - at) / fadeOut});
        left[i] = static_cast<float>(left_[from] * fade);
        right[i] = static_cast<float>(right_[from] * fade);
    }
}

void FSoundtrackMix::Fill(int64_t start, int count, float* left, float* right) const
{
    FillRaw(start, count, left, right);
    for (int i = 0; i < count; ++i)
        left[i] *= gain_, right[i] *= gain_;
}
