#pragma once
// Command-line options of the headless exporter, QuilloPhotoBookExport.

#include "base/FSettings.h"
#include "base/FString.h"
#include "export/MovieContainer.h"

#include <optional>
#include <string>
#include <vector>

// Where the headless exporter's progress goes: a line on stderr, JSON lines on
// stdout, or nowhere.
enum class FProgressOutput
{
    Text,
    Json,
    None,
};

struct FExporterOptions
{
    bool help = false;
    bool listEncoders = false;
    std::string encodersFor; // --list-encoders TYPE: "webm", ".mov", ...; empty: the output's
    std::string folder;
    std::string output;
    std::optional<int32_t> width, height, timePage, timeZoom, timeView, quality;
    std::optional<float> par, fps;
    std::optional<std::string> encoder; // empty: uncompressed
    std::optional<bool> sortByDate, transparentPage, shadows;
    // --music FILE, in order, or --no-music (empty); unset: the settings' music.
    std::optional<std::vector<std::string>> music;
    FProgressOutput progress = FProgressOutput::Text;
};

// Parses the arguments after the program name. Returns the options, or fills
// error with a message naming the bad option or value.
std::optional<FExporterOptions> ParseExporterOptions(const std::vector<std::string>& args, std::string& error);

// The container --list-encoders answers for: its TYPE, else the output's, else AVI.
FMovieContainer ListedContainer(const FExporterOptions& options);

// Puts the options over the settings read from the settings file.
void ApplyExporterOptions(const FExporterOptions& options, FSettings& settings);

const char* ExporterUsage();
