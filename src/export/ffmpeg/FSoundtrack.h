#pragma once
// The movie's music, decoded: every file FFmpeg reads (MP3, AAC/M4A, Ogg Vorbis,
// Opus, FLAC, WAV, ...), resampled with libswresample to 48 kHz stereo and joined in
// order. What is done with it (loop, cut, fades, loudness) is SoundtrackMix's.

#include "base/FString.h"
#include "export/SoundtrackMix.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FMusic
{
    std::vector<FMusicSample> left, right; // the start of the joined music, at most what was asked for
    double seconds = 0;             // the whole list's length
};

// Reads files in order into music, keeping the first `needed` samples; the files
// past them are still opened and checked, and counted at their stated length.
// Returns an empty text, or why not, naming the file: "Music file X cannot be read:
// <reason>." or "Music file X holds no sound."
FString LoadMusic(const std::vector<FString>& files, int64_t needed, FMusic& music);

// The same decoding over bytes in memory, for the fuzz target: "" or the reason.
std::string DecodeMusicBytes(const uint8_t* data, size_t size, int64_t needed, FMusic& music);
