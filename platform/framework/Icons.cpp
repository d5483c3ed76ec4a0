#include "platform/framework/Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtDebug>

namespace framework {

QIcon LoadIcon(const QString& path) {
  if (!path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
    QIcon icon(path);
    if (icon.availableSizes().isEmpty()) qWarning("icon %s could not be read", qPrintable(path));
    return icon;
  }
  QSvgRenderer svg(path);
  if (!svg.isValid()) {
    qWarning("icon %s could not be read", qPrintable(path));
    return {};
  }
  QIcon icon;
  for (const int pixels : {16, 22, 24, 32, 48, 64, 96}) {
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace framework
