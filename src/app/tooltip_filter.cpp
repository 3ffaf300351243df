#include "app/tooltip_filter.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStringList>
#include <QToolTip>
#include <QWidget>

#include "app/tooltips.h"
#include "download/run_state.h"

namespace kovalo {
namespace {

constexpr const char* kToolIdProperty = "kovaloToolId";

class TooltipFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    auto* widget = static_cast<QWidget*>(watched);
    // Once the window is closing, no tool shows its tip any more.
    if (RunState.load() >= 0) return true;
    const QString text = WrappedTooltip(TooltipToolId(widget));
    if (text.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, widget);
    return true;
  }
};

TooltipFilter* TheFilter() {
  static TooltipFilter* filter = new TooltipFilter;
  return filter;
}

}  // namespace

void RegisterTooltipTool(QWidget* widget, int id) {
  widget->setProperty(kToolIdProperty, id);
  widget->installEventFilter(TheFilter());
}

int TooltipToolId(const QWidget* widget) { return widget->property(kToolIdProperty).toInt(); }

QString WrappedTooltip(int id) {
  const std::optional<std::string> text = TooltipText(id);
  if (!text) return QString();
  const QFontMetrics metrics(QToolTip::font());
  const auto lines = WrapWords(*text, kTooltipWidth, [&](const std::string& s) {
    return metrics.horizontalAdvance(QString::fromStdString(s));
  });
  QStringList parts;
  for (const auto& line : lines) parts << QString::fromStdString(line);
  return parts.join('\n');
}

}  // namespace kovalo
