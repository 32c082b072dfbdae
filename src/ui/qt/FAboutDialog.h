#pragma once
// The About box on Qt Widgets; its layout and text come from ui/DialogRules.h.

#include "base/FLocale.h"

class QWidget;

// Modal About box: the 640 × 480 picture and the version line; any click closes it.
void AboutDialog(QWidget* owner, const FLocale& locale);
