// CButt: every button, check box and radio button of the main window. It
// knows its control id and registers itself as a tooltip tool when made.
#pragma once

#include <QAbstractButton>

#include "app/control_table.h"

namespace kovalo {

class CButt : public QAbstractButton {
  Q_OBJECT
 public:
  CButt(const ButtonRow& row, QWidget* parent);
  int id() const { return id_; }
  ButtonKind kind() const { return kind_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  int id_;
  ButtonKind kind_;
};

}  // namespace kovalo
