#pragma once
// Small helpers shared by the program's dialogs: reading and writing controls by
// kind, the result codes, centring and the error box. Each does nothing (or returns
// the neutral value) when the control is missing.

#include "base/FString.h"

#include <cstdint>

class QColor;
class QComboBox;
class QWidget;

inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

// Sets a window's or control's text only when it differs, so nothing flickers.
void SetControlText(QWidget* control, const FString& text);
void SetControlNumber(QWidget* control, int32_t value);
FString GetControlText(const QWidget* control);
// First 7 characters as a decimal integer, 0 when they hold no number.
int32_t GetControlNumber(const QWidget* control);
float GetControlFloat(const QWidget* control);
void SelectInComboBox(QComboBox* box, int index);
int ComboBoxSelection(const QComboBox* box);             // -1 when missing or nothing selected
void AddToComboBox(QComboBox* box, const FString& text); // empty texts are skipped
void SetCheckBox(QWidget* box, bool checked);
bool GetCheckBox(const QWidget* box);
// A message box with the error icon and no owner.
void ShowErrorBox(const FString& text, const FString& caption);

// Centres a dialog on its owner's screen (or its own, without an owner).
void CentreOnScreen(QWidget* dialog, QWidget* owner);

// 0xRRGGBB as an opaque Qt colour.
QColor RgbColour(uint32_t rgb);
