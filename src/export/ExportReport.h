#pragma once
// The statistics box shown after an export ("Vetra", information icon): built from
// the figures the exporter measured, so the text can be checked line by line.

#include "base/FString.h"

#include <cstdint>
#include <vector>

struct FExportFigures
{
    bool hasGrabber = false;
    FString outputPath;
    // What the writer reports, else the file's size on disk.
    uint64_t bytesWritten = 0;
    int32_t width = 0;
    int32_t height = 0;
    float framesPerSecond = 0;
    FString formatName;
    int32_t framesRendered = 0;
    int32_t framesStored = 0;
    // Since the exporter was made; the speed line is left out at 0.
    uint32_t elapsedMs = 0;
    int32_t samplesPerPixel = 0;
    // Photos left out because they could not be read; a line only when there are any.
    int32_t unreadablePhotos = 0;
    // The music under the movie, in order, and its whole length; a line only with music.
    std::vector<FString> musicFiles;
    double musicSeconds = 0;
};

inline constexpr const char16_t* kExportBoxCaption = u"Vetra";

// "Error creating AVI file" when nothing was stored (or there was no grabber), else
// the full report, one "label:\tvalue" line each; with music "Music:\ta.mp3, b.ogg
// (3:25)", the files' names and their whole length.
FString ExportReportText(const FExportFigures& figures);

// The same figures as one JSON object on one line, for programs that read the
// headless exporter: {"path":..., "bytes":..., "width":..., "height":...,
// "duration":s, "fps":..., "format":..., "framesRendered":..., "framesStored":...,
// "elapsed":s, "samplesPerPixel":..., "unreadablePhotos":...}, with music also
// "music":{"files":[paths...],"duration":s}.
FString ExportReportJson(const FExportFigures& figures);
