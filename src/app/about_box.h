// The about box of the "Info" menu.
#pragma once

#include <QDialog>

namespace kovalo {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent);
};

}  // namespace kovalo
