#pragma once
// The viewer's command line: one photo or folder to open, --help and --version.
// Qt takes its own options (-platform, -style, ...) out before these are read.

#include <string>
#include <vector>

struct FViewerArguments
{
    bool help = false;
    bool version = false;
    std::string path; // empty: the folder shown last
    std::string error; // what was wrong, for stderr; empty when all was understood
};

// args without the program's name.
FViewerArguments ParseViewerArguments(const std::vector<std::string>& args);
// Only whether help or version is asked for: answered before a display is opened.
bool AsksForHelpOrVersion(const std::vector<std::string>& args);

std::string ViewerUsage(const std::string& programName);
std::string ViewerVersion();
