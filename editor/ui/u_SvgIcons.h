// Pictures drawn as SVG files in the program's resources (":/icons/AREA/NAME.svg"),
// rendered at the size and pixel density they are shown at.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// The picture at Size (logical pixels) for a screen of DevicePixelRatio; an empty
// pixmap when the resource is missing or not a valid SVG.
QPixmap SvgIconPixmap(const QString& ResourcePath, const QSize& Size, qreal DevicePixelRatio = 1.0);
