#include "export/MovieContainer.h"

FMovieContainer ContainerForPath(const FString& path)
{
    const std::u16string name = path.FileNamePart().Uppered().Str();
    const auto endsWith = [&](std::u16string_view ext) {
        return name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
    };
    if (endsWith(u".MP4"))
        return FMovieContainer::Mp4;
    if (endsWith(u".MKV"))
        return FMovieContainer::Mkv;
    return FMovieContainer::Avi;
}
