#pragma once
// The user's choices that outlive a run, kept in QuilloPhotoBook.ini beside the
// program. Every feature reads and changes its own fields directly.

#include "base/FCameraPose.h"
#include "base/FColour.h"
#include "base/FRect.h"
#include "base/FString.h"

#include <array>
#include <cstdint>
#include <vector>
#include <functional>

struct FRotationEntry
{
    FString path; // lower-cased photo path; empty = free
    int32_t code = 0;
};

// What the platform tells the store: where the program lives (the settings file
// and the media tree lie there) and the primary screen's size, on which the
// default window is centred.
struct FSettingsEnvironment
{
    FString programDirectory;
    int32_t screenWidth = 1024;
    int32_t screenHeight = 768;
    // Where the settings go when the program directory cannot take them (an
    // installed program): $XDG_CONFIG_HOME/QuilloPhotoBook. Empty: always beside
    // the program.
    FString userConfigDirectory;
    // Whether a file could be written at this path (it exists and is writable, or
    // its folder is). Replaceable because root may write anywhere.
    std::function<bool(const FString&)> canWrite;

    static FSettingsEnvironment ForRunningProgram(int32_t screenWidth, int32_t screenHeight);
};

enum class FSaveResult
{
    Saved,
    // The file exists but was not read at start (another instance made it, say):
    // it is left as it is.
    SkippedUnread,
    Failed,
};

inline constexpr int kRecentPathCount = 10;

// Movie quality: 1 gives the smallest file, 100 the best picture.
inline constexpr int32_t kMinExportQuality = 1;
inline constexpr int32_t kMaxExportQuality = 100;
inline constexpr int32_t kDefaultExportQuality = 80;

inline constexpr int kRotationCount = 1000;

class FSettings
{
public:
    explicit FSettings(const FSettingsEnvironment& environment);

    // Window through Sort and the camera presets back to their defaults; recent
    // folders, rotations and Loaded stay.
    void SettingsReset();
    // Reads the settings file over the current values; a missing file changes nothing.
    // A file that is there but cannot be read (too large, not a regular file, no
    // permission) is not Loaded, so no save replaces it.
    void SettingsLoad();
    // "path: reason" when the file saves would write is there but could not be read
    // at start: the settings of this run will not be saved. Empty otherwise.
    const FString& UnreadFile() const { return unreadFile_; }
    // Writes the settings file through a temporary file beside it, so a crash or a
    // full disk never leaves a half-written file; on failure the old file stays
    // and errorText (when given) says why. Where the settings file is a symbolic
    // link, the file it names is replaced and the link stays.
    FSaveResult SettingsSave(FString* errorText = nullptr) const;
    // Beside the program while that place is writable (or a file there is), else
    // in the user's configuration folder.
    FString SettingsFilePath() const;

    // Copy of entry index 0..9; " " for any other index.
    FString GetRecentPath(int index) const;
    // Moves the path's folder to the front of the recent folders.
    void AddRecentPath(const FString& path);
    // RotationCode remembered for a photo path (compared lower-cased), 0 when none.
    int32_t GetRotation(const FString& path) const;
    // False when the table is full; nothing is remembered then.
    bool SetRotation(const FString& path, int32_t code);

    const FSettingsEnvironment& Environment() const { return environment_; }

    FRect Window;
    FColour BGColour;
    FString BGTexturePath;
    FColour CoverColour;
    FString CoverTexturePath;
    FString PaperTexturePath;
    FString TPaperTexturePath;
    bool LightenPhotos = false;
    bool RenderShadows = false;
    bool RenderTransparentPage = true;
    FColour PaperColour;
    bool ShinyPaper = false;
    bool ShinyPhotos = false;
    int32_t Quality = 1;
    FString Locale;
    FString EffectPath;
    int32_t ExportWidth = 640;
    int32_t ExportHeight = 480;
    float ExportPAR = 1.0f;
    float ExportFPS = 25.0f;
    FString ExportMoviePath;
    int32_t ExportType = 0; // 0 uncompressed AVI, 1 compressed with EncoderName, 2 MP4 (H.264)
    FString EncoderName;
    // Movie picture quality, 1 (smallest file) .. 100 (best picture).
    int32_t ExportQuality = kDefaultExportQuality;
    // The movie's music, played in this order; empty for a silent movie.
    std::vector<FString> ExportMusic;
    int32_t TimePage = 3;
    int32_t TimeZoom = 3;
    int32_t TimeView = 3;
    int32_t Sort = 0;
    std::array<FString, kRecentPathCount> RecentPath;
    std::array<FRotationEntry, kRotationCount> rotations;
    FCameraPresets cameraPresets;
    bool Loaded = false;

private:
    // After a load: hand-edited or damaged values outside their meaning (NaN or
    // infinite numbers, colours outside 0..1, sizes and rates not above 0, an
    // unknown quality) become the defaults, so they are neither used nor written back.
    void ReplaceValuesWithoutMeaning();

    FSettingsEnvironment environment_;
    FString unreadFile_;
};
