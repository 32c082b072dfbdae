#pragma once
// The encoders an export can use: FFmpeg's software video encoders whose output the
// AVI muxer can carry, offered by their long ("friendly") names.

#include "base/FString.h"

#include <vector>

struct AVCodec;

inline constexpr int kMaxEncoders = 64;

// Fills names with at most 64 friendly names (in FFmpeg's order, later ones dropped),
// then sorted by UTF-16 code units, a prefix before the longer name. Hardware-backed
// encoders are left out: they fail on machines without the device. Returns whether
// the list is not empty.
bool ListEncoders(std::vector<FString>& names);

// The first software video encoder whose friendly name equals name exactly, or failing
// that whose FFmpeg name does ("mpeg4"), for scripts. Null when there is none. The AVI
// check is the caller's, so it can say why an encoder does not fit.
const AVCodec* FindEncoderByName(const FString& name);

// Whether the AVI muxer can store what this encoder produces.
bool AviCarriesEncoder(const AVCodec* codec);

FString EncoderFriendlyName(const AVCodec* codec);
