#include "ui/qt/OpenDocument.h"

#include "ui/DialogRules.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <QWidget>

namespace {


QString ToLocalPath(const FString& path)
{
    // Paths are file-system bytes kept as UTF-8; decode them the way Qt names files.
    return QFile::decodeName(QByteArray::fromStdString(path.ToUtf8()));
}

} // namespace

void OpenDocument(QWidget* window, const FString& path)
{
    if (!IsOpenableDocument(path))
        return;
    if (window)
        window->showMinimized();
    QDesktopServices::openUrl(QUrl::fromLocalFile(ToLocalPath(path)));
}
