// The drawing of the saves list's rows: nine columns at fixed x positions,
// the group highlight, the frame of the selected row, and the three symbol
// columns drawn as vector shapes, so that they stay sharp at any scale.
#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <string>

#include "saves/save_book.h"

class QPainter;

namespace kovalo {

class CSaves;

// Draws one row into rect: text is the row's text, entry the save it shows
// (nullptr when there is none), groupRow whether it belongs to the selected
// row's group.
void DrawSaveRow(QPainter& painter, const QRect& rect, const std::string& text,
                 const SaveEntry* entry, bool groupRow, bool selected);

// The colour a word of the row is drawn in on fill: ink itself, unless the
// two are so alike (contrast below kLeastContrast) that the word would
// vanish; then ink darkened on a light fill, lightened on a dark one.
constexpr double kLeastContrast = 1.25;
QColor ReadableColour(const QColor& ink, const QColor& fill);

// The row in words, as a screen reader says it: the columns that DrawSaveRow
// draws, the symbols named.
std::string SpokenSaveRow(const std::string& text, const SaveEntry* entry);

// The symbols of the first-save, answers and completion columns, each filling
// box.
void DrawNumberedDisc(QPainter& painter, const QRectF& box, const QColor& colour,
                      const QColor& digitColour);
void DrawCheck(QPainter& painter, const QRectF& box, const QColor& colour);
void DrawCross(QPainter& painter, const QRectF& box, const QColor& colour);

class SaveRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  SaveRowDelegate(const CSaves& list, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  const CSaves& list_;
};

}  // namespace kovalo
