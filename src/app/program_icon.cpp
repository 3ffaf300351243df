#include "app/program_icon.h"

#include <QPainter>
#include <QPixmap>

namespace kovalo {

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    const double step = (size - 1) / 9.0;
    p.fillRect(QRectF(3 * step, 3 * step, 3 * step, 3 * step), QColor(0, 128, 255));
    for (int i = 0; i <= 9; ++i) {
      p.setPen(QPen(QColor(0, 0, 128), i % 3 == 0 ? 1.5 : 0.5));
      p.drawLine(QPointF(i * step, 0), QPointF(i * step, size - 1));
      p.drawLine(QPointF(0, i * step), QPointF(size - 1, i * step));
    }
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace kovalo
