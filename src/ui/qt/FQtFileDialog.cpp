#include "ui/qt/FQtFileDialog.h"
#include "ui/qt/QtText.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {


FString FromQString(const QString& text)
{
    // File names are bytes: go through the local 8-bit encoding the file system uses.
    return FString::FromUtf8(QFile::encodeName(text).toStdString());
}

} // namespace

FString ShowFileDialog(QWidget* owner, const FString& path, FFileDialogKind kind, const FLocale& locale)
{
    const FFileDialogLayout layout = FileDialogLayout(kind, path, locale);
    QFileDialog dialog(owner, ToQString(layout.title), QFile::decodeName(layout.initialDirectory.ToUtf8().c_str()));
    // "*.JPG" must also find a.jpg on a case-sensitive file system.
    QString patterns = ToQString(layout.patterns);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QStringList both;
    for (const QString& p : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        both << p.toUpper() << p.toLower();
    }
    dialog.setNameFilter(ToQString(layout.filterDescription) + QStringLiteral(" (") + both.join(QLatin1Char(' ')) +
                         QLatin1Char(')'));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (layout.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // QFileDialog asks before overwriting by default; the extension is set
        // after the choice, as the program always did.
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return FString();
        const FString chosen = FromQString(dialog.selectedFiles().first());
        const FString result = ApplyDefaultExtension(chosen, layout.defaultExtension);
        // The dialog asked about the name as typed; setting the extension can name
        // another existing file, which must not be replaced without asking either.
        if (!layout.save || result.Equals(chosen) || !QFileInfo::exists(ToQString(result)))
            return result;
        const QString question =
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(ToQString(result.FileNamePart()));
        if (QMessageBox::question(&dialog, ToQString(layout.title), question) == QMessageBox::Yes)
            return result;
    }
}
