#pragma once
// The file format of a movie follows the output file's extension; a name the
// program cannot write is refused before anything is rendered.

#include "base/FString.h"

#include <optional>
#include <string_view>

enum class FMovieContainer
{
    Avi,
    Mp4,
    Mkv,
    Mov,
    WebM,
};

// .avi, .mp4 and .m4v, .mkv, .mov, .webm (any case); nothing for any other name.
std::optional<FMovieContainer> ContainerForPath(const FString& path);
// The same for a type given alone: "webm" or ".webm".
std::optional<FMovieContainer> ContainerForType(std::u16string_view type);

// Empty when a movie can be written to path; otherwise why not, naming the types
// that can be: "holiday.mpg cannot be made: a movie is saved as .mp4, ...".
FString MovieTypeRefusal(const FString& path);
inline constexpr const char16_t* kMovieTypes = u".mp4, .m4v, .mov, .mkv, .webm or .avi";

// How people and messages name the container: "AVI", "MP4", "Matroska", ...
const char* ContainerLabel(FMovieContainer container);

// An encoder as FFmpeg names it ("libx264") and as it is stored and shown
// ("libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10").
struct FEncoderNames
{
    FString codec;
    FString friendly;
    bool operator==(const FEncoderNames&) const = default;
};
