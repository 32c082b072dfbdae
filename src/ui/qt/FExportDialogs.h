#pragma once
// The two dialogs before a movie export: the export settings (size, aspect ratios,
// frame rate, file format, animation times, music) and the choice of encoder. What they
// decide lives in export/ExportDialogRules.h; these stay thin.

#include "base/FLocale.h"
#include "base/FSettings.h"
#include "base/FString.h"
#include "export/MovieContainer.h"

#include <cstdint>
#include <vector>

class QWidget;

// Modal export settings dialog over owner. On OK the fields are clamped and stored
// in settings and kDialogOk comes back; kDialogCancel for Cancel, Escape or close.
// The controls carry their ids as object names ("edit1033", "combo1044",
// "radio1049", "button1", ...); "radioMp4" is MP4 (H.264), "movieLength" the
// movie's length for photoCount photos, kept up to date as the fields change.
// "musicButton" opens the music list ("musicList", "musicAdd", "musicUp", "musicDown",
// "musicRemove", "musicClear"); "musicSummary" sums it up. The list is stored in
// settings.ExportMusic on the export dialog's OK.
int ExportSettingsDialog(QWidget* owner, FSettings& settings, const FLocale& locale, int32_t photoCount = 0);

// Modal encoder choice among encoders (FFmpeg's, passed in so the dialog needs no
// FFmpeg), with "Full Frames (Uncompressed)" after them. chosenName comes in as the
// current friendly name and, on OK, holds the chosen one (empty for the uncompressed
// entry); quality likewise (1..100, the control "quality"). True for OK.
bool EncoderDialog(QWidget* owner, const std::vector<FEncoderNames>& encoders, FString& chosenName, int32_t& quality);

// Writes value into a number field in "%g" form, unless the field is empty and the
// value 0, or it already reads within 0.001 of the value.
void SetFloatField(QWidget* field, float value);
