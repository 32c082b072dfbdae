#pragma once
// The program's own modal dialogs on Qt Widgets, in one include for their callers:
// the About box, the animation speed dialog, the colour chooser, the opening of
// documents such as the user guide and the control helpers they share. What they
// decide lives in ui/DialogRules.h; these stay thin.

#include "ui/qt/AboutPicture.h"
#include "ui/qt/ColourDialog.h"
#include "ui/qt/DialogControls.h"
#include "ui/qt/FAboutDialog.h"
#include "ui/qt/FSpeedDialog.h"
#include "ui/qt/OpenDocument.h"
