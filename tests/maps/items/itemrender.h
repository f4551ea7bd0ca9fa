#pragma once
// Renders a scene the way a view zoomed by `zoom` shows it, into an image
// of w x h screen pixels starting at scene point origin.
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>

namespace ItemRender {

inline QImage render(QGraphicsScene &scene, QPointF origin, double zoom, int w = 200,
                     int h = 200)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    scene.render(&p, QRectF(0, 0, w, h), QRectF(origin, QSizeF(w / zoom, h / zoom)));
    p.end();
    return img;
}

// Bounding box of the pixels that are not transparent.
inline QRect inkBox(const QImage &img, int minAlpha = 1)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) >= minAlpha)
                box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace ItemRender
