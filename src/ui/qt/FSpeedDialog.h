#pragma once
// The animation speed dialog on Qt Widgets; what it reads and stores lives in
// ui/DialogRules.h.

#include "base/FLocale.h"
#include "base/FSettings.h"

class QWidget;

// Modal dialog editing TimePage, TimeZoom and TimeView. On OK each field is read
// (first 7 characters), clamped to 1..20 and stored; kDialogOk or kDialogCancel.
int SpeedDialog(QWidget* owner, FSettings& settings, const FLocale& locale);
