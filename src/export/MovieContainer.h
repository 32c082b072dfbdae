#pragma once
// The file format of a movie follows the output file's extension: AVI as always,
// MP4 and Matroska through the same writer.

#include "base/FString.h"

enum class FMovieContainer
{
    Avi,
    Mp4,
    Mkv,
};

// ".mp4" and ".mkv" (any case) pick those; everything else is AVI.
FMovieContainer ContainerForPath(const FString& path);
