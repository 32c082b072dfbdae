#include "ui/qt/FQtFileDialog.h"
#include "ui/qt/QtText.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

FString FromQString(const QString& text)
{
    // File names are bytes: go through the local 8-bit encoding the file system uses.
    return FString::FromUtf8(QFile::encodeName(text).toStdString());
}

QString PathText(const FString& path)
{
    return QFile::decodeName(path.ToUtf8().c_str());
}

FString Variable(const char* name)
{
    return FromQString(qEnvironmentVariable(name));
}

// "*.JPG" must also find a.jpg on a case-sensitive file system.
QString NameFilter(const FChooserFilter& filter)
{
    QString patterns = ToQString(filter.patterns);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QStringList both;
    for (const QString& p : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        both << p.toUpper();
        if (p.toLower() != p.toUpper()) // "*" once
            both << p.toLower();
    }
    return ToQString(filter.description) + QStringLiteral(" (") + both.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList NameFilters(const FFileDialogLayout& layout)
{
    QStringList filters;
    for (const FChooserFilter& filter : layout.filters)
        filters << NameFilter(filter);
    return filters;
}

} // namespace

FUserFolders UserFolders()
{
    FUserFolders folders;
    folders.home = FromQString(QDir::homePath());
    folders.videosVariable = Variable("XDG_VIDEOS_DIR");
    FString config = Variable("XDG_CONFIG_HOME");
    if (config.IsEmpty())
        config = folders.home.Concat(FString(u"/.config"));
    QFile file(PathText(config.Concat(FString(u"/user-dirs.dirs"))));
    // A desktop's own small file; anything larger is not one.
    if (file.size() < (1 << 20) && file.open(QIODevice::ReadOnly))
        folders.userDirsFile = FString::FromUtf8(file.readAll().toStdString());
    folders.isFolder = [](const FString& path) { return QFileInfo(PathText(path)).isDir(); };
    return folders;
}

FString ShowFileDialog(QWidget* owner, const FString& path, FFileDialogKind kind, const FLocale& locale)
{
    const FString start = kind == FFileDialogKind::Movie && IsUnsetMoviePath(path)
                              ? MovieChooserPath(path, VideosFolder(UserFolders()))
                              : path;
    const FFileDialogLayout layout = FileDialogLayout(kind, start, locale);
    QFileDialog dialog(owner, ToQString(layout.title), PathText(layout.initialDirectory));
    dialog.setObjectName(QStringLiteral("FileChooser"));
    const QStringList filters = NameFilters(layout);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(layout.selectedFilter));
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
    if (!layout.initialName.IsEmpty())
        dialog.selectFile(PathText(layout.initialName));
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return FString();
        const FString chosen = FromQString(dialog.selectedFiles().first());
        const FString result =
            ChosenPath(layout, chosen, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
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

std::vector<FString> ShowMusicChooser(QWidget* owner, const std::vector<FString>& files)
{
    const FFileDialogLayout layout = MusicChooserLayout(files, UserFolders().home);
    QFileDialog dialog(owner, ToQString(layout.title), PathText(layout.initialDirectory));
    dialog.setObjectName(QStringLiteral("MusicChooser"));
    const QStringList filters = NameFilters(layout);
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    std::vector<FString> chosen;
    if (dialog.exec() == QDialog::Accepted)
        for (const QString& file : dialog.selectedFiles())
            chosen.push_back(FromQString(file));
    return chosen;
}
