#pragma once
// The encoders an export can use: FFmpeg's software video encoders whose output the
// container's muxer can carry and that make a movie that plays back, offered by their
// long ("friendly") names.

#include "base/FString.h"
#include "export/MovieContainer.h"

#include <vector>

struct AVCodec;

inline constexpr int kMaxEncoders = 64;

// Fills names with at most 64 friendly names (in FFmpeg's order, later ones dropped),
// then sorted by UTF-16 code units, a prefix before the longer name. Hardware-backed
// encoders are left out: they fail on machines without the device, and so are those
// whose movies do not read back whole. Returns whether the list is not empty.
bool ListEncoders(std::vector<FString>& names, FMovieContainer container = FMovieContainer::Avi);
// The same list with each encoder's FFmpeg name beside its friendly one.
bool ListEncoders(std::vector<FEncoderNames>& encoders, FMovieContainer container = FMovieContainer::Avi);

// The first software video encoder whose friendly name equals name exactly, or failing
// that whose FFmpeg name does ("mpeg4"), for scripts. Null when there is none. The AVI
// check is the caller's, so it can say why an encoder does not fit.
const AVCodec* FindEncoderByName(const FString& name);

// Whether the container's muxer can store what this encoder produces.
bool ContainerCarriesEncoder(FMovieContainer container, const AVCodec* codec);
inline bool AviCarriesEncoder(const AVCodec* codec)
{
    return ContainerCarriesEncoder(FMovieContainer::Avi, codec);
}

FString EncoderFriendlyName(const AVCodec* codec);

// The first software encoder of H.264 (libx264 where it is built in); null without one.
const AVCodec* BestH264Encoder();
