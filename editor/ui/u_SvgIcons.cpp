#include "u_SvgIcons.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap SvgIconPixmap(const QString& ResourcePath, const QSize& Size, qreal DevicePixelRatio) {
    QSvgRenderer renderer(ResourcePath);
    if (!renderer.isValid() || Size.isEmpty())
        return QPixmap();
    const qreal ratio = DevicePixelRatio > 0 ? DevicePixelRatio : 1.0;
    QPixmap pixmap(Size * ratio);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}
