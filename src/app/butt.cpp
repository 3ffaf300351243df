#include "app/butt.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/tooltip_filter.h"

namespace kovalo {

CButt::CButt(const ButtonRow& row, QWidget* parent)
    : QAbstractButton(parent), id_(row.id), kind_(row.kind) {
  setText(QString::fromLatin1(row.label));
  setGeometry(row.rect.left, row.rect.top, row.rect.Width(), row.rect.Height());
  setCheckable(kind_ != ButtonKind::Push);
  setAutoExclusive(kind_ == ButtonKind::Radio);  // the six radio buttons form one group
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
  RegisterTooltipTool(this, id_);
}

void CButt::paintEvent(QPaintEvent*) {
  QStyleOptionButton option;
  option.initFrom(this);
  option.text = text();
  if (isDown()) option.state |= QStyle::State_Sunken;
  if (kind_ == ButtonKind::Push) {
    if (!isDown()) option.state |= QStyle::State_Raised;
  } else {
    option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
  }
  QPainter painter(this);
  switch (kind_) {
    case ButtonKind::Push:
      style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
      break;
    case ButtonKind::CheckBox:
    case ButtonKind::Radio:
      // The check box and the radio buttons are bordered.
      painter.setPen(palette().color(QPalette::Mid));
      painter.drawRect(rect().adjusted(0, 0, -1, -1));
      option.rect.adjust(2, 0, -2, 0);  // the mark clear of the border
      style()->drawControl(kind_ == ButtonKind::Radio ? QStyle::CE_RadioButton
                                                      : QStyle::CE_CheckBox,
                           &option, &painter, this);
      break;
  }
}

}  // namespace kovalo
