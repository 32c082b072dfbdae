#include "ui/ViewerArguments.h"

#include "QuilloVersion.h"
#include "ui/FMenuModel.h"

FViewerArguments ParseViewerArguments(const std::vector<std::string>& args)
{
    FViewerArguments result;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help" || arg == "-?")) {
            result.help = true;
        } else if (options && arg == "--version") {
            result.version = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (result.error.empty())
                result.error = "unknown option " + arg;
        } else if (!result.path.empty()) {
            // A file manager starts one viewer per photo (%f); a second path is a mistake.
            if (result.error.empty())
                result.error = "one photo or folder at a time (also given: " + arg + ")";
        } else if (arg.empty()) {
            if (result.error.empty())
                result.error = "an empty path";
        } else {
            result.path = arg;
        }
    }
    return result;
}

bool AsksForHelpOrVersion(const std::vector<std::string>& args)
{
    const FViewerArguments parsed = ParseViewerArguments(args);
    return parsed.help || parsed.version;
}

std::string ViewerUsage(const std::string& programName)
{
    return "Usage: " + programName +
           " [PHOTO | FOLDER]\n"
           "Shows the photos of one folder as an open 3D photo book.\n"
           "\n"
           "  PHOTO       opens the photo's folder at the spread that shows it\n"
           "  FOLDER      opens the folder at its first spread\n"
           "  -h, --help  shows this text\n"
           "  --version   shows the program's version\n"
           "\n"
           "Without a path the book opens the folder it showed last. It reads JPEG\n"
           "(.jpg, .jpeg), HEIC/HEIF, AVIF, WebP, PNG, TIFF, BMP and TGA photos.\n"
           "Qt's own options are understood too, such as -platform wayland or\n"
           "-platform xcb to choose the window system.\n";
}

std::string ViewerVersion()
{
    return std::string(kProgramTitle) + " " + kProgramVersion + "\n";
}
