#include "export/MovieContainer.h"

namespace {

struct FTypeEntry
{
    std::u16string_view extension; // upper case, as ExtensionPart gives it
    FMovieContainer container;
};

constexpr FTypeEntry kTypes[] = {
    {u"AVI", FMovieContainer::Avi}, {u"MP4", FMovieContainer::Mp4}, {u"M4V", FMovieContainer::Mp4},
    {u"MKV", FMovieContainer::Mkv}, {u"MOV", FMovieContainer::Mov}, {u"WEBM", FMovieContainer::WebM},
};

} // namespace

std::optional<FMovieContainer> ContainerForType(std::u16string_view type)
{
    if (!type.empty() && type.front() == u'.')
        type.remove_prefix(1);
    const std::u16string upper = FString(type).Uppered().Str();
    for (const FTypeEntry& entry : kTypes)
        if (upper == entry.extension)
            return entry.container;
    return std::nullopt;
}

std::optional<FMovieContainer> ContainerForPath(const FString& path)
{
    // A dot first in the name starts a hidden file's name, not an extension.
    const std::u16string name = path.FileNamePart().Str();
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0)
        return std::nullopt;
    return ContainerForType(std::u16string_view(name).substr(dot + 1));
}

FString MovieTypeRefusal(const FString& path)
{
    if (ContainerForPath(path))
        return FString();
    const FString name = path.FileNamePart().IsEmpty() ? path : path.FileNamePart();
    return name + FString(u" cannot be made: a movie is saved as ") + FString(kMovieTypes) +
           FString(u", and the file's name says which.");
}

const char* ContainerLabel(FMovieContainer container)
{
    switch (container) {
    case FMovieContainer::Mp4: return "MP4";
    case FMovieContainer::Mkv: return "Matroska";
    case FMovieContainer::Mov: return "QuickTime";
    case FMovieContainer::WebM: return "WebM";
    case FMovieContainer::Avi: break;
    }
    return "AVI";
}
