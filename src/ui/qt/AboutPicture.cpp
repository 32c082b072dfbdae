#include "ui/qt/AboutPicture.h"

#include "ui/DialogRules.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <initializer_list>

namespace {

void SkyGradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

QPolygonF Ridge(const QRectF& r, std::initializer_list<QPointF> unitPoints)
{
    QPolygonF poly;
    for (const QPointF& u : unitPoints)
        poly << QPointF(r.left() + u.x() * r.width(), r.top() + u.y() * r.height());
    return poly;
}

void DrawMountainLake(QPainter& p, const QRectF& r)
{
    SkyGradient(p, r, QColor(0x6f, 0xa8, 0xdc), QColor(0xdd, 0xee, 0xf8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xf4, 0xc9));
    p.drawEllipse(QPointF(r.left() + r.width() * 0.78, r.top() + r.height() * 0.22), r.height() * 0.09,
                  r.height() * 0.09);
    p.setBrush(QColor(0x8d, 0xa3, 0xbb));
    p.drawPolygon(
        Ridge(r, {{0, 0.7}, {0.18, 0.38}, {0.32, 0.55}, {0.5, 0.28}, {0.7, 0.6}, {0.85, 0.45}, {1, 0.62}, {1, 0.7}}));
    p.setBrush(QColor(0x5b, 0x74, 0x90));
    p.drawPolygon(Ridge(r, {{0, 0.7}, {0.12, 0.55}, {0.26, 0.66}, {0.42, 0.46}, {0.62, 0.7}}));
    p.setBrush(QColor(0xfb, 0xfd, 0xff));
    p.drawPolygon(Ridge(r, {{0.44, 0.35}, {0.5, 0.28}, {0.56, 0.37}, {0.52, 0.35}, {0.49, 0.39}}));
    p.drawPolygon(Ridge(r, {{0.14, 0.43}, {0.18, 0.38}, {0.22, 0.44}, {0.19, 0.43}}));
    QRectF lake(r.left(), r.top() + r.height() * 0.7, r.width(), r.height() * 0.3);
    SkyGradient(p, lake, QColor(0x4d, 0x86, 0xb8), QColor(0x26, 0x52, 0x7c));
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    for (int i = 0; i < 3; ++i) {
        const qreal y = lake.top() + lake.height() * (0.25 + 0.25 * i);
        p.drawLine(QPointF(r.left() + r.width() * (0.55 + 0.05 * i), y),
                   QPointF(r.left() + r.width() * (0.85 - 0.03 * i), y));
    }
}

void DrawSunset(QPainter& p, const QRectF& r)
{
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(0x5b, 0x4b, 0x8a));
    sky.setColorAt(0.35, QColor(0xe0, 0x6c, 0x75));
    sky.setColorAt(0.62, QColor(0xf8, 0xb1, 0x5e));
    p.fillRect(r, sky);
    const qreal horizon = r.top() + r.height() * 0.62;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd9, 0x6a));
    p.drawEllipse(QPointF(r.center().x(), horizon), r.height() * 0.2, r.height() * 0.2);
    SkyGradient(p, QRectF(r.left(), horizon, r.width(), r.bottom() - horizon), QColor(0x3b, 0x4f, 0x7a),
                QColor(0x1d, 0x2b, 0x4a));
    p.setPen(QPen(QColor(0xff, 0xd9, 0x6a, 170), 1.2));
    for (int i = 0; i < 4; ++i) {
        const qreal y = horizon + (r.bottom() - horizon) * (0.15 + 0.22 * i);
        const qreal half = r.width() * (0.16 - 0.03 * i);
        p.drawLine(QPointF(r.center().x() - half, y), QPointF(r.center().x() + half, y));
    }
}

void DrawMeadow(QPainter& p, const QRectF& r)
{
    SkyGradient(p, r, QColor(0x9c, 0xd3, 0xf0), QColor(0xeb, 0xf7, 0xfc));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    for (const QPointF& c : {QPointF(0.22, 0.2), QPointF(0.3, 0.17), QPointF(0.37, 0.21)})
        p.drawEllipse(QPointF(r.left() + c.x() * r.width(), r.top() + c.y() * r.height()), r.width() * 0.07,
                      r.height() * 0.07);
    QPainterPath far;
    far.moveTo(r.left(), r.top() + r.height() * 0.62);
    far.cubicTo(r.left() + r.width() * 0.3, r.top() + r.height() * 0.45, r.left() + r.width() * 0.6,
                r.top() + r.height() * 0.7, r.right(), r.top() + r.height() * 0.52);
    far.lineTo(r.bottomRight());
    far.lineTo(r.bottomLeft());
    p.setBrush(QColor(0x86, 0xc0, 0x5e));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(r.left(), r.top() + r.height() * 0.8);
    near.cubicTo(r.left() + r.width() * 0.4, r.top() + r.height() * 0.62, r.left() + r.width() * 0.7,
                 r.top() + r.height() * 0.85, r.right(), r.top() + r.height() * 0.74);
    near.lineTo(r.bottomRight());
    near.lineTo(r.bottomLeft());
    p.setBrush(QColor(0x5a, 0x9a, 0x3e));
    p.drawPath(near);
    const QPointF base(r.left() + r.width() * 0.72, r.top() + r.height() * 0.62);
    p.setBrush(QColor(0x6b, 0x4a, 0x2f));
    p.drawRect(QRectF(base.x() - 2, base.y() - r.height() * 0.18, 4, r.height() * 0.2));
    p.setBrush(QColor(0x3d, 0x7a, 0x37));
    p.drawEllipse(QPointF(base.x(), base.y() - r.height() * 0.26), r.width() * 0.1, r.height() * 0.16);
    const QColor flowers[] = {QColor(0xf2, 0x5f, 0x5c), QColor(0xff, 0xe0, 0x66), QColor(0xff, 0xff, 0xff)};
    for (int i = 0; i < 14; ++i) {
        p.setBrush(flowers[i % 3]);
        const qreal x = r.left() + r.width() * (0.05 + 0.067 * i);
        const qreal y = r.top() + r.height() * (0.86 + 0.05 * std::sin(i * 2.3));
        p.drawEllipse(QPointF(x, y), 1.4, 1.4);
    }
}

void DrawNightCity(QPainter& p, const QRectF& r)
{
    SkyGradient(p, r, QColor(0x0b, 0x1a, 0x36), QColor(0x2e, 0x4f, 0x86));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    for (int i = 0; i < 18; ++i) {
        const qreal x = r.left() + r.width() * std::fmod(0.13 + i * 0.377, 1.0);
        const qreal y = r.top() + r.height() * std::fmod(0.05 + i * 0.171, 0.5);
        p.drawEllipse(QPointF(x, y), 0.7, 0.7);
    }
    const QPointF moon(r.left() + r.width() * 0.2, r.top() + r.height() * 0.25);
    p.setBrush(QColor(0xf6, 0xf1, 0xc7));
    p.drawEllipse(moon, r.height() * 0.12, r.height() * 0.12);
    p.setBrush(QColor(0x14, 0x27, 0x4c));
    p.drawEllipse(moon + QPointF(r.height() * 0.06, -r.height() * 0.03), r.height() * 0.11, r.height() * 0.11);
    const qreal heights[] = {0.35, 0.5, 0.28, 0.62, 0.42, 0.55, 0.3, 0.46};
    const qreal w = r.width() / 8;
    for (int i = 0; i < 8; ++i) {
        const QRectF tower(r.left() + i * w, r.bottom() - r.height() * heights[i], w + 0.5, r.height() * heights[i]);
        p.setBrush(QColor(0x0a, 0x13, 0x24));
        p.drawRect(tower);
        p.setBrush(QColor(0xff, 0xd2, 0x7a));
        for (qreal y = tower.top() + 4; y < tower.bottom() - 3; y += 5)
            for (qreal x = tower.left() + 2; x < tower.right() - 2; x += 4)
                if (std::fmod(x * 7 + y * 3, 5.0) < 2.6)
                    p.drawRect(QRectF(x, y, 1.6, 1.8));
    }
}

using SceneFn = void (*)(QPainter&, const QRectF&);

// A print with a white border and a soft shadow, drawn in the current transform.
void DrawPrint(QPainter& p, const QRectF& frame, SceneFn scene, qreal border = 5, qreal bottomBorder = 5)
{
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(QColor(40, 30, 20, 22));
        p.drawRect(frame.translated(i * 0.8, i * 1.0).adjusted(-i * 0.4, -i * 0.4, i * 0.4, i * 0.4));
    }
    p.setBrush(QColor(0xfe, 0xfe, 0xfc));
    p.drawRect(frame);
    const QRectF picture = frame.adjusted(border, border, -border, -bottomBorder);
    p.save();
    p.setClipRect(picture);
    scene(p, picture);
    p.restore();
    p.setPen(QPen(QColor(0, 0, 0, 40), 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(picture);
}

QTransform PageTransform(const QPolygonF& quad)
{
    // Page content is drawn flat on a 200 × 260 sheet and mapped onto the page.
    // QPolygonF(QRectF) closes the ring with a fifth point, which quadToQuad refuses.
    QPolygonF sheet;
    sheet << QPointF(0, 0) << QPointF(200, 0) << QPointF(200, 260) << QPointF(0, 260);
    QTransform t;
    QTransform::quadToQuad(sheet, quad, t);
    return t;
}

QPainterPath PagePath(const QPointF& outerTop, const QPointF& spineTop, const QPointF& spineBottom,
                      const QPointF& outerBottom)
{
    // Paper rises from the spine and flattens towards the outer edge.
    QPainterPath path;
    path.moveTo(spineTop);
    path.cubicTo(QPointF(spineTop.x() + (outerTop.x() - spineTop.x()) * 0.2, spineTop.y() - 10),
                 QPointF(spineTop.x() + (outerTop.x() - spineTop.x()) * 0.6, outerTop.y() - 6), outerTop);
    path.lineTo(outerBottom);
    path.cubicTo(QPointF(spineBottom.x() + (outerBottom.x() - spineBottom.x()) * 0.6, outerBottom.y() - 4),
                 QPointF(spineBottom.x() + (outerBottom.x() - spineBottom.x()) * 0.2, spineBottom.y() - 8),
                 spineBottom);
    path.closeSubpath();
    return path;
}

void DrawPage(QPainter& p, const QPointF& outerTop, const QPointF& spineTop, const QPointF& spineBottom,
              const QPointF& outerBottom, SceneFn top, SceneFn bottom, qreal tilt)
{
    const QPainterPath page = PagePath(outerTop, spineTop, spineBottom, outerBottom);
    // The block of pages underneath shows as a thin stack along the edges.
    for (int k = 7; k >= 1; --k) {
        p.setPen(QPen(QColor(0xb9, 0xae, 0x9c), 0.5));
        p.setBrush(k % 2 ? QColor(0xf1, 0xea, 0xdd) : QColor(0xe3, 0xda, 0xca));
        p.drawPath(page.translated(0, k));
    }
    QLinearGradient paper(spineTop, QPointF(outerTop.x(), spineTop.y()));
    paper.setColorAt(0, QColor(0xcf, 0xc6, 0xb6));
    paper.setColorAt(0.12, QColor(0xf4, 0xef, 0xe5));
    paper.setColorAt(0.6, QColor(0xff, 0xfd, 0xf8));
    paper.setColorAt(1, QColor(0xfb, 0xf8, 0xf1));
    p.setPen(QPen(QColor(0xb0, 0xa5, 0x92), 0.8));
    p.setBrush(paper);
    p.drawPath(page);

    const bool left = outerTop.x() < spineTop.x();
    QPolygonF quad;
    if (left)
        quad << outerTop << spineTop << spineBottom << outerBottom;
    else
        quad << spineTop << outerTop << outerBottom << spineBottom;
    p.save();
    p.setTransform(PageTransform(quad), true);
    const qreal x = left ? 20 : 30;
    DrawPrint(p, QRectF(x, 22, 150, 108), top);
    QTransform turn;
    const QRectF second(x, 146, 150, 96);
    turn.translate(second.center().x(), second.center().y());
    turn.rotate(tilt);
    turn.translate(-second.center().x(), -second.center().y());
    p.setTransform(turn, true);
    DrawPrint(p, second, bottom);
    p.restore();
}

void DrawBook(QPainter& p)
{
    // Shadow on the table.
    QRadialGradient shadow(QPointF(192, 372), 200);
    shadow.setColorAt(0, QColor(60, 40, 20, 90));
    shadow.setColorAt(1, QColor(60, 40, 20, 0));
    p.save();
    p.translate(192, 372);
    p.scale(1.0, 0.16);
    p.translate(-192, -372);
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(192, 372), 200, 200);
    p.restore();

    // Cover boards: edge first, then the face.
    QPolygonF cover;
    cover << QPointF(52, 126) << QPointF(192, 106) << QPointF(332, 126) << QPointF(376, 356) << QPointF(192, 378)
          << QPointF(8, 356);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4e, 0x12, 0x1c));
    p.drawPolygon(cover.translated(0, 7));
    QLinearGradient leather(QPointF(8, 0), QPointF(376, 0));
    leather.setColorAt(0, QColor(0x8c, 0x24, 0x33));
    leather.setColorAt(0.5, QColor(0x6a, 0x17, 0x24));
    leather.setColorAt(1, QColor(0x8c, 0x24, 0x33));
    p.setBrush(leather);
    p.setPen(QPen(QColor(0x3f, 0x0c, 0x15), 1));
    p.drawPolygon(cover);

    DrawPage(p, QPointF(64, 132), QPointF(192, 116), QPointF(192, 362), QPointF(24, 344), DrawMountainLake, DrawMeadow,
             -2.5);
    DrawPage(p, QPointF(320, 132), QPointF(192, 116), QPointF(192, 362), QPointF(360, 344), DrawSunset, DrawNightCity,
             2.0);

    // The crease where the pages meet.
    QLinearGradient crease(QPointF(186, 0), QPointF(198, 0));
    crease.setColorAt(0, QColor(90, 70, 50, 0));
    crease.setColorAt(0.5, QColor(90, 70, 50, 90));
    crease.setColorAt(1, QColor(90, 70, 50, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(crease);
    p.drawRect(QRectF(186, 112, 12, 252));
}

void DrawLoosePrint(QPainter& p, const QPointF& centre, qreal angle, SceneFn scene)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    DrawPrint(p, QRectF(-58, -50, 116, 100), scene, 7, 22);
    p.restore();
}

void DrawTitle(QPainter& p)
{
    QFont serif;
    serif.setFamilies({QStringLiteral("Georgia"), QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
    serif.setStyleHint(QFont::Serif);
    serif.setBold(true);
    serif.setPixelSize(42);
    p.setFont(serif);
    p.setPen(QColor(0x2a, 0x3b, 0x5a));
    const QRectF column(330, 0, 625 - 330, 480);
    p.drawText(QRectF(column.left(), 84, column.width(), 56), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("Quillo's"));
    p.setPen(QColor(0x8c, 0x24, 0x33));
    p.drawText(QRectF(column.left(), 136, column.width(), 56), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("Photo Book"));
    // A short rule between the name and the version line drawn by the dialog.
    QLinearGradient rule(QPointF(430, 0), QPointF(625, 0));
    rule.setColorAt(0, QColor(0xc9, 0xa2, 0x5b, 0));
    rule.setColorAt(1, QColor(0xc9, 0xa2, 0x5b));
    p.fillRect(QRectF(430, 199, 195, 2), rule);
}

QImage MakeAboutPicture()
{
    QImage image(kAboutWidth, kAboutHeight, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    QLinearGradient backdrop(0, 0, 0, kAboutHeight);
    backdrop.setColorAt(0, QColor(0xfd, 0xfb, 0xf6));
    backdrop.setColorAt(1, QColor(0xec, 0xe5, 0xd8));
    p.fillRect(image.rect(), backdrop);
    QRadialGradient glow(QPointF(200, 230), 300);
    glow.setColorAt(0, QColor(255, 255, 255, 230));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);
    DrawBook(p);
    DrawLoosePrint(p, QPointF(478, 322), -7, DrawMeadow);
    DrawLoosePrint(p, QPointF(568, 318), 5, DrawMountainLake);
    DrawTitle(p);
    return image;
}

} // namespace

const QImage& AboutPicture()
{
    static const QImage picture = MakeAboutPicture();
    return picture;
}
