#include "ui/ViewerArguments.h"

#include <gtest/gtest.h>

namespace {

TEST(ViewerArguments, OnePathHelpVersionAndWhatIsRefused)
{
    struct Case
    {
        std::vector<std::string> args;
        bool help, version;
        std::string path;
        bool error;
    };
    const Case cases[] = {
        {{}, false, false, "", false},
        {{"/home/u/Pictures/Holiday"}, false, false, "/home/u/Pictures/Holiday", false},
        {{"--help"}, true, false, "", false},
        {{"-h", "x.jpg"}, true, false, "x.jpg", false},
        {{"--version"}, false, true, "", false},
        {{"--", "--help"}, false, false, "--help", false}, // a file named so
        {{"-"}, false, false, "-", false},
        {{"--bogus", "x.jpg"}, false, false, "x.jpg", true},
        {{"a.jpg", "b.jpg"}, false, false, "a.jpg", true},
        {{""}, false, false, "", true},
    };
    for (const Case& c : cases) {
        const FViewerArguments parsed = ParseViewerArguments(c.args);
        const std::string what = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(parsed.help, c.help) << what;
        EXPECT_EQ(parsed.version, c.version) << what;
        EXPECT_EQ(parsed.path, c.path) << what;
        EXPECT_EQ(!parsed.error.empty(), c.error) << what << ": " << parsed.error;
        EXPECT_EQ(AsksForHelpOrVersion(c.args), c.help || c.version) << what;
    }
    EXPECT_EQ(ViewerUsage("quillo-photobook").rfind("Usage: quillo-photobook [PHOTO | FOLDER]\n", 0), 0u);
}

} // namespace
