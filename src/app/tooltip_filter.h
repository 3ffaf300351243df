// Tooltips on request: a tool asks for its text by control id when the
// pointer rests on it, and the text is wrapped at 200 pixels.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace kovalo {

// Makes widget a tooltip tool with the given control id.
void RegisterTooltipTool(QWidget* widget, int id);

// The control id a widget was registered with, or 0.
int TooltipToolId(const QWidget* widget);

// The tooltip a tool shows: its text wrapped to lines of at most 200
// pixels in the tooltip font. Empty when the id has no text.
QString WrappedTooltip(int id);

}  // namespace kovalo
