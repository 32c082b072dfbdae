#include "base/FLocale.h"

#include "base/FTokenFile.h"

namespace {

// Numbers without a text of their own are spare and hold "XXX".
const char* const kBuiltIn[kLocaleTextCount] = {
    "File",                      // 0
    "Select Folder",             // 1
    "Recent Folders",            // 2
    "Exit",                      // 3
    "Play",                      // 4
    "Next Page",                 // 5
    "Previous Page",             // 6
    "Go to first Page",          // 7
    "Go to last Page",           // 8
    "Photo",                     // 9
    "Rotate Clockwise",          // 10
    "Rotate Counter Clockwise",  // 11
    "Flip Horizontal",           // 12
    "Flip Vertical",             // 13
    "Copy...",                   // 14
    "Delete...",                 // 15
    "View",                      // 16
    "Front",                     // 17
    "Top",                       // 18
    "Left",                      // 19
    "Right",                     // 20
    "Photo Top Left",            // 21
    "Photo Bottom Left",         // 22
    "Photo Top Right",           // 23
    "Photo Bottom Right",        // 24
    "Light",                     // 25
    "Left",                      // 26
    "Right",                     // 27
    "Top",                       // 28
    "Front",                     // 29
    "Settings",                  // 30
    "Set Background Colour...",  // 31
    "Set Background Picture...", // 32
    "Set Paper Colour...",       // 33
    "Shiny Photos",              // 34
    "Shiny Paper",               // 35
    "Render Shadows",            // 36
    "Lighten Photos",            // 37
    "Low Quality",               // 38
    "Normal Quality",            // 39
    "High Quality",              // 40
    "Reset All Settings",        // 41
    "Set Language...",           // 42
    "XXX",                       // 43
    "Help",                      // 44
    "User Guide...",             // 45
    "XXX",                       // 46
    "About",                     // 47
    ("Your can select a photo by left clicking on it with your mouse.\n\n"
     "When you right click on a photo a pop-up menu is displayed!"), // 48
    "XXX",                                                           // 49
    "XXX",                                                           // 50
    "XXX",                                                           // 51
    "Page",                                                          // 52
    "of",                                                            // 53
    "Loading Photos...",                                             // 54
    "Paused",                                                        // 55
    "version",                                                       // 56
    "XXX",                                                           // 57
    "XXX",                                                           // 58
    "XXX",                                                           // 59
    "XXX",                                                           // 60
    "XXX",                                                           // 61
    "XXX",                                                           // 62
    "OK",                                                            // 63
    "XXX",                                                           // 64
    "Cancel",                                                        // 65
    "XXX",                                                           // 66
    "Select Photo...",                                               // 67
    "Save Photo as...",                                              // 68
    "Select Locale...",                                              // 69
    "Now switching to built-in English",                             // 70
    "Change Effect...",                                              // 71
    "Select Effect...",                                              // 72
    "Export as Movie...",                                            // 73
    "Set Paper Texture...",                                          // 74
    "Set Transparent Paper Texture...",                              // 75
    "Export as Movie...",                                            // 76
    "Width in Pixels",                                               // 77
    "Height in Pixels",                                              // 78
    "Display Aspect Ratio",                                          // 79
    "Pixel Aspect Ratio",                                            // 80
    "Frames per Second",                                             // 81
    "Set Cover Colour...",                                           // 82
    "Set Cover Texture...",                                          // 83
    "File Format",                                                   // 84
    "Uncompressed AVI",                                              // 85
    "Compressed AVI",                                                // 86
    "Slideshow",                                                     // 87
    "XXX",                                                           // 88
    "XXX",                                                           // 89
    "Animation Speed",                                               // 90
    "Page turning Speed in Seconds",                                 // 91
    "Zoom Speed in Seconds",                                         // 92
    "Photo View Time in Seconds",                                    // 93
    "Resolution and FPS",                                            // 94
    "XXX",                                                           // 95
    "Set Animation Speed...",                                        // 96
    "Render Transparent Page...",                                    // 97
    "Sort by Name",                                                  // 98
    "Sort by Date",                                                  // 99
};

} // namespace

const char* FLocale::BuiltInText(int number)
{
    if (number < 0 || number >= kLocaleTextCount)
        return "";
    return kBuiltIn[number];
}

FLocale::FLocale()
{
    LocaleReset();
}

void FLocale::LocaleReset()
{
    // The table is complete; every entry is a non-empty literal (the tests check).
    for (int n = 0; n < kLocaleTextCount; ++n)
        texts_[static_cast<size_t>(n)] = FString(kBuiltIn[n], 0);
}

bool FLocale::LocaleLoad(const FString& path)
{
    FTokenFile file(path, false);
    if (!file.ok())
        return false;
    LocaleReset();
    for (int n = 0; n < kLocaleTextCount; ++n) {
        if (!file.ReadLine())
            break;
        FString line = file.GetLine(true);
        if (line.IsEmpty())
            break;
        texts_[static_cast<size_t>(n)] = line;
    }
    return true;
}

FString FLocale::GetText(uint32_t number) const
{
    if (number >= kLocaleTextCount)
        return FString();
    return texts_[number];
}
