// CSaves: the list of saved positions under the buttons. Its rows are
// drawn by the main window; here it is the bare list that later holds them.
#pragma once

#include <QListWidget>

namespace kovalo {

class CSaves : public QListWidget {
  Q_OBJECT
 public:
  explicit CSaves(QWidget* parent);
};

}  // namespace kovalo
