#pragma once
// The colour chooser on Qt's own dialog, sharing the program's custom colours.

class QWidget;

// Colour chooser starting at (red, green, blue), 0..255, with the process-wide
// custom colours. True when the user pressed OK; only then are the values replaced.
bool ChooseColour(QWidget* owner, int& red, int& green, int& blue);
