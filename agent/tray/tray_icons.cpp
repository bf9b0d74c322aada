#include "agent/tray/tray_icons.h"

#include <QPainter>
#include <QPixmap>

#include "agent/tray/tray_state.h"

namespace {

QPixmap MagnifyingGlass(int size, const QColor& lens, const QString& mark) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  qreal unit = size / 32.0;
  painter.setPen(QPen(QColor(60, 60, 60), 4 * unit, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(20 * unit, 20 * unit), QPointF(29 * unit, 29 * unit));
  painter.setPen(QPen(QColor(40, 40, 40), 2.5 * unit));
  painter.setBrush(lens);
  painter.drawEllipse(QPointF(13 * unit, 13 * unit), 10 * unit, 10 * unit);
  if (!mark.isEmpty()) {
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(14 * unit));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(3 * unit, 3 * unit, 20 * unit, 20 * unit), Qt::AlignCenter, mark);
  }
  return pixmap;
}

}  // namespace

QIcon TrayIconFor(uint32_t state) {
  QColor lens = state == TRAY_ALLOWED      ? QColor(40, 160, 70)
                : state == TRAY_DISALLOWED ? QColor(200, 40, 40)
                                           : QColor(230, 160, 20);
  QString mark = state == TRAY_QUESTION     ? QStringLiteral("?")
                 : state == TRAY_DISALLOWED ? QStringLiteral("x")
                                            : QString();
  QIcon icon;
  for (int size : {16, 22, 32, 48}) icon.addPixmap(MagnifyingGlass(size, lens, mark));
  return icon;
}
