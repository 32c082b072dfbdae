#pragma once
// The music under a movie, fitted to it: the joined music played from the movie's
// start, looped when it is shorter and cut when it is longer, faded in and out at
// the movie's ends and brought to one loudness (EBU R128 integrated, gated). Pure
// arithmetic on 48 kHz stereo; the decoding is export/ffmpeg/FSoundtrack's. The
// samples are made as the writer asks for them, so a long movie costs no more
// memory than its music.

#include <cstdint>
#include <vector>

inline constexpr int kSoundRate = 48000;
inline constexpr double kFadeInSeconds = 0.5;
inline constexpr double kFadeOutSeconds = 2.0;
inline constexpr double kTargetLoudness = -16.0; // LUFS
inline constexpr double kPeakCeiling = 0.891;    // -1 dBFS: no normalising gain clips

// The music is kept as 16-bit samples with 6 dB of room above full scale, which
// decoders overshoot: half the memory of floats (a 10-minute movie's music takes
// 115 MB), and its noise floor stays 90 dB down.
using FMusicSample = int16_t;
inline constexpr float kMusicSampleScale = 16384.0f;
FMusicSample ToMusicSample(float value);

// The samples that last as long as frames at num/den frames a second, rounded to the
// nearest; counted from the movie's start, so no drift builds up however long it is.
int64_t SoundSamplesFor(int64_t frames, int num, int den);

class FSoundtrackMix
{
public:
    // left and right: the joined music, of equal length and not empty; length: the
    // movie's, in samples.
    FSoundtrackMix(std::vector<FMusicSample> left, std::vector<FMusicSample> right, int64_t length);

    int64_t Length() const { return length_; }
    // The linear gain that brings the fitted music to the target loudness, or the
    // most that keeps its peak below the ceiling.
    float Gain() const { return gain_; }
    // count samples of the finished soundtrack from start on; silence past its end.
    void Fill(int64_t start, int count, float* left, float* right) const;

private:
    // Looped and faded, before the gain.
    void FillRaw(int64_t start, int count, float* left, float* right) const;

    std::vector<FMusicSample> left_, right_;
    int64_t length_ = 0;
    float gain_ = 1.0f;
};
