// Fuzz entry point for the music decoder: whatever a user picks as music goes
// through FFmpeg's demuxers and decoders, our resampling to 48 kHz stereo and the
// fitting to a movie. A file decodes to a sound or is refused with a reason, and
// the fitted sound is finite and below the peak ceiling whatever the file held.

#include "export/SoundtrackMix.h"
#include "export/ffmpeg/FSoundtrack.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr int64_t kNeeded = kSoundRate * 2; // a 2 s movie: short music loops, long is cut
    FMusic music;
    const std::string reason = DecodeMusicBytes(data, size, kNeeded, music);
    if (music.left.size() != music.right.size() || music.left.size() > static_cast<size_t>(kNeeded))
        std::abort();
    if (!reason.empty())
        return 0;
    if (music.left.empty() || !(music.seconds > 0))
        std::abort();
    const FSoundtrackMix mix(std::move(music.left), std::move(music.right), kNeeded);
    std::vector<float> left(4800), right(4800);
    for (int64_t at = 0; at < kNeeded; at += 4800) {
        mix.Fill(at, 4800, left.data(), right.data());
        for (size_t i = 0; i < left.size(); ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i]) || std::abs(left[i]) > 0.9f ||
                std::abs(right[i]) > 0.9f)
                std::abort();
    }
    return 0;
}
