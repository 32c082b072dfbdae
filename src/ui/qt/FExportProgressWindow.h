#pragma once
// The small window over the viewer while it exports: how far the movie has come,
// how long it still needs, and Cancel. Modeless, so the book goes on drawing each
// frame in the main window beneath it.

#include "export/ExportProgress.h"

#include <QDialog>

class QLabel;
class QProgressBar;

class FExportProgressWindow final : public QDialog
{
public:
    FExportProgressWindow(QWidget* owner, const QString& cancelText);

    // The window appears with the first figures; later ones show a few times a
    // second at most, the last frame's always.
    void Show(const FExportProgress& progress);
    // Cancel clicked, Escape pressed here, or the window closed; stays asked.
    bool CancelRequested() const { return cancelRequested_; }

    // Escape and the window's close button come here: the export stops, the window
    // stays until it has.
    void reject() override { cancelRequested_ = true; }

private:
    QProgressBar* bar_;
    QLabel* frames_;
    QLabel* times_;
    QLabel* movie_;
    QLabel* size_;
    bool cancelRequested_ = false;
    bool shown_ = false;
    uint32_t shownAt_ = 0;
};
