#pragma once
// The About box's picture: an open photo book beside the program's name.

class QImage;

// Drawn once per process, kAboutWidth × kAboutHeight (needs a QGuiApplication for
// its fonts). The version line is not part of it: the dialog draws that on top.
const QImage& AboutPicture();
