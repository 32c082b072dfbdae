#pragma once
// Documents such as the user guide go to the desktop's own viewer.

#include "base/FString.h"

class QWidget;

// Hands an HTML, HTM or PHP document to the desktop's default program, minimising
// window first; any other path (and the empty one) does nothing. A missing file is
// the desktop's to report.
void OpenDocument(QWidget* window, const FString& path);
