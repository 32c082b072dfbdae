// Fuzz entry point for the viewer's command line: the bytes split at zero bytes into
// arguments, as a file manager or a shell may hand over any names. The parse takes
// at most one path, and help or version is asked for exactly when the parse says so.

#include "ui/ViewerArguments.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    const FViewerArguments parsed = ParseViewerArguments(args);
    if (AsksForHelpOrVersion(args) != (parsed.help || parsed.version))
        std::abort();
    bool given = parsed.path.empty();
    for (const std::string& arg : args)
        given = given || arg == parsed.path;
    if (!given)
        std::abort();
    return ViewerUsage(parsed.path).empty() ? 1 : 0;
}
