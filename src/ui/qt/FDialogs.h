#pragma once
// The program's own modal dialogs on Qt Widgets: the About box, the animation
// speed dialog, the colour chooser and the opening of documents such as the user
// guide. What they decide lives in ui/DialogRules.h; these stay thin.

#include "base/FLocale.h"
#include "base/FSettings.h"
#include "base/FString.h"

class QComboBox;
class QImage;
class QWidget;

inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

// Modal About box: the 640 × 480 picture and the version line; any click closes it.
void AboutDialog(QWidget* owner, const FLocale& locale);
// The About picture, drawn once per process (needs a QGuiApplication for its fonts).
const QImage& AboutPicture();

// Modal dialog editing TimePage, TimeZoom and TimeView. On OK each field is read
// (first 7 characters), clamped to 1..20 and stored; kDialogOk or kDialogCancel.
int SpeedDialog(QWidget* owner, FSettings& settings, const FLocale& locale);

// Colour chooser starting at (red, green, blue), 0..255, with the process-wide
// custom colours. True when the user pressed OK; only then are the values replaced.
bool ChooseColour(QWidget* owner, int& red, int& green, int& blue);

// Hands an HTML, HTM or PHP document to the desktop's default program, minimising
// window first; any other path (and the empty one) does nothing. A missing file is
// the desktop's to report.
void OpenDocument(QWidget* window, const FString& path);

// Small helpers shared by the dialogs; each does nothing (or returns the neutral
// value) when the control is missing.
// Sets a window's or control's text only when it differs, so nothing flickers.
void SetControlText(QWidget* control, const FString& text);
void SetControlNumber(QWidget* control, int32_t value);
FString GetControlText(const QWidget* control);
// First 7 characters as a decimal integer, 0 when they hold no number.
int32_t GetControlNumber(const QWidget* control);
float GetControlFloat(const QWidget* control);
void SelectInComboBox(QComboBox* box, int index);
int ComboBoxSelection(const QComboBox* box); // -1 when missing or nothing selected
void AddToComboBox(QComboBox* box, const FString& text); // empty texts are skipped
void SetCheckBox(QWidget* box, bool checked);
bool GetCheckBox(const QWidget* box);
// A message box with the error icon and no owner.
void ShowErrorBox(const FString& text, const FString& caption);

// Centres a dialog on its owner's screen (or its own, without an owner).
void CentreOnScreen(QWidget* dialog, QWidget* owner);
