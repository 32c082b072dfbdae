#pragma once
// What the export settings and encoder dialogs decide, without a window: ratio text,
// how a number field is refreshed without disturbing typing, the reactions to an
// edited field, the preset fill, and what OK stores.

#include "base/FSettings.h"
#include "base/FString.h"
#include "export/MovieContainer.h"

#include <cstdint>
#include <optional>
#include <vector>

// Ratio fields are read through a longer buffer than the number fields.
inline constexpr int kRatioReadLength = 31;

// n:d with n and d in 1..39 when one is within 0.0001 (the smallest n + d wins, the
// first found on a tie), else "%g": 4:3, 16:9, 10:11, but 1.42222 for 64/45.
FString FormatRatio(float value);
// "a:b" is a / b (0 unless a > 0 and b > 0, so a half-typed "16:" is 0); without a
// colon the text is one number. Unparseable text is 0.
float ParseRatio(const FString& text);
// A ratio field as the dialog reads it: its first 31 characters.
float ReadRatioField(const FString& text);

// The text a number field should get to show value: nothing when it is empty and the
// value is 0, or when it already reads within 0.001 of the value (so the user's own
// spelling, "25.0" say, stays).
std::optional<FString> FloatFieldText(const FString& current, float value);

// The settings dialog's fields as texts, in control order.
struct FExportDialogFields
{
    FString width;         // 1033
    FString height;        // 1034
    FString fps;           // 1035
    FString displayAspect; // 1036
    FString pixelAspect;   // 1037
    FString timePage;      // 1046
    FString timeZoom;      // 1047
    FString timeView;      // 1048
    int exportType = 0;    // 0 = radio 1049, 1 = radio 1050, 2 = MP4 (H.264), -1 = none
};

inline constexpr int kExportMp4 = 2;
inline constexpr const char16_t* kMp4Entry = u"MP4 (H.264)";

// The fields as the dialog opens on these settings (the fps field starts empty).
// Someone who has never exported (no movie path stored yet, the type untouched)
// starts on MP4 (H.264).
FExportDialogFields ExportDialogFieldsFrom(const FSettings& settings);
// The preset the dialog selects on opening for these settings.
int ExportDialogPresetFor(const FSettings& settings);

// Fields written when preset 1..21 is chosen: size, both ratios and the frame rate
// (the latter through FloatFieldText against the current fps text). Nothing for
// "Custom" or an index out of range.
struct FPresetFill
{
    FString width, height, displayAspect, pixelAspect;
    std::optional<FString> fps;
};
std::optional<FPresetFill> PresetFill(int preset, const FString& currentFps);

enum class FExportEdit
{
    Width,
    Height,
    FramesPerSecond,
    DisplayAspect,
    PixelAspect,
};

// The dialog's answer to a changed edit: a new display aspect or height text (each
// written with the reactions held off) and whether "Custom" becomes the preset.
struct FEditReaction
{
    std::optional<FString> displayAspect;
    std::optional<FString> height;
    bool selectCustom = false;
};
FEditReaction ReactToExportEdit(FExportEdit changed, const FExportDialogFields& fields);

// What the fields make before the export starts: "Length 1:05 (1625 frames)", the
// frames those the export renders for photoCount photos, the time rounded to the
// nearest second.
FString MovieLengthText(const FExportDialogFields& fields, const FSettings& settings, int32_t photoCount);

// OK: sizes clamped to 64..5000, a pixel aspect outside (0, 10] becomes 1, a frame
// rate outside (0, 100] becomes 10, times clamped to 1..20, the export type taken
// from the radios (0..2). The display aspect is never stored.
void StoreExportDialogFields(const FExportDialogFields& fields, FSettings& settings);

inline constexpr float kFallbackFps = 10.0f;
inline constexpr const char16_t* kUncompressedEntry = u"Full Frames (Uncompressed)";
inline constexpr int kMaxEncoderEntries = 64;

// The label an encoder is known by, with FFmpeg's name beside it: "H.264 (libx264)";
// empty for the encoders without one.
FString EncoderLabel(const FString& codecName);

// The encoder list as the dialog shows it: the encoders people know by name first
// (H.264, H.265, VP9, AV1, MPEG-4, labelled so), then the rest by their friendly names
// in the order given, at most 64, then "Full Frames (Uncompressed)". selected is the
// current (friendly) name's row, else that entry.
struct FEncoderEntries
{
    std::vector<FString> entries;  // as shown
    std::vector<FString> friendly; // as stored, one per encoder row
    int selected = 0;
    int encoderCount = 0;
};
FEncoderEntries EncoderEntries(const std::vector<FEncoderNames>& encoders, const FString& current);
// The name chosen by OK on row selected: that encoder's friendly name, none for the
// uncompressed entry (the writer compresses whenever a name is stored), current for
// no row.
FString ChosenEncoder(const FEncoderEntries& entries, int selected, const FString& current);

// The line beside "Music...": "No music", the one file's name, or "3 files".
FString MusicSummary(const std::vector<FString>& files);
// Moves the file at row one place up (by -1) or down (+1); the row it is at afterwards,
// row itself when it cannot move (or names no file).
int MoveMusicFile(std::vector<FString>& files, int row, int by);
// Appends chosen to files in their order, except paths the settings file cannot keep
// (too long for a line): those are named in the text that comes back, empty when
// every file was taken.
FString AddMusicFiles(std::vector<FString>& files, const std::vector<FString>& chosen);
