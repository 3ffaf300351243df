#include "saves/qt/saves_list.h"

namespace kovalo {

CSaves::CSaves(QWidget* parent) : QListWidget(parent) {
  setFrameShape(QFrame::Box);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setUniformItemSizes(true);
  setSortingEnabled(true);
  // Rows are 22 pixels high; the area behind them is the list's blue.
  QPalette pal = palette();
  pal.setColor(QPalette::Base, QColor(0, 0, 128));
  setPalette(pal);
}

}  // namespace kovalo
