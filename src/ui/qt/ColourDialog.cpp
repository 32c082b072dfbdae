#include "ui/qt/ColourDialog.h"
#include "ui/qt/DialogControls.h"

#include "ui/DialogRules.h"

#include <QColorDialog>

#include <algorithm>

bool ChooseColour(QWidget* owner, int& red, int& green, int& blue)
{
    // Qt keeps its own custom colours (and restores them from its settings file);
    // ours start white for every run, so they are handed over on each opening.
    FCustomColours& custom = FCustomColours::Process();
    for (int i = 0; i < kCustomColourCount; ++i)
        QColorDialog::setCustomColor(i, RgbColour(custom.Get(i)));
    QColorDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("ColourDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    dialog.setCurrentColor(QColor(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255)));
    const bool ok = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < kCustomColourCount; ++i)
        custom.Set(i, QColorDialog::customColor(i).rgb() & 0xFFFFFF);
    if (!ok)
        return false;
    const QColor chosen = dialog.selectedColor();
    red = chosen.red();
    green = chosen.green();
    blue = chosen.blue();
    return true;
}
