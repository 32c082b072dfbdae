#include "ui/qt/FAboutDialog.h"
#include "ui/qt/AboutPicture.h"
#include "ui/qt/DialogControls.h"
#include "ui/qt/QtText.h"

#include "ui/DialogRules.h"

#include <QDialog>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {

class FAboutBox final : public QDialog
{
public:
    FAboutBox(QWidget* owner, const FLocale& locale) : QDialog(owner), versionText_(ToQString(AboutVersionText(locale)))
    {
        setWindowTitle(QStringLiteral("Quillo's Photo Book"));
        setObjectName(QStringLiteral("AboutDialog"));
        setFixedSize(kAboutWidth, kAboutHeight);
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("button1"));
        ok->setDefault(true);
        ok->resize(std::max(ok->sizeHint().width(), 80), std::max(ok->sizeHint().height(), 26));
        ok->move(AboutButtonLeft(ok->width()), kAboutButtonTop);
        connect(ok, &QPushButton::clicked, this, [this] { done(0); });
        CentreOnScreen(this, owner);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), RgbColour(kAboutFillColour));
        p.drawImage(0, 0, AboutPicture());
        QFont font(QStringLiteral("Arial"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(kAboutTextHeight);
        font.setBold(true);
        p.setFont(font);
        p.setPen(RgbColour(kAboutTextColour));
        const FRect r = AboutTextRect(width(), height());
        p.drawText(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), Qt::AlignRight | Qt::AlignTop,
                   versionText_);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            done(0);
        else
            QDialog::mousePressEvent(event);
    }

    void reject() override { done(0); }

private:
    QString versionText_;
};

} // namespace

void AboutDialog(QWidget* owner, const FLocale& locale)
{
    FAboutBox box(owner, locale);
    box.exec();
}
