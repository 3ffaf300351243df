// Rows of the saves list, column by column.
#include "saves/qt/save_row_delegate.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "saves/qt/saves_list.h"

namespace kovalo {

namespace {

QColor Rgb(uint32_t rgb) { return QColor::fromRgb(QRgb{rgb}); }  // 0xRRGGBB, solid

// The row's words as the window title shows a title: UTF-8 where they are
// valid UTF-8, Windows-1252 otherwise.
QString Shown(const std::string& text) { return QString::fromStdString(TitleForDisplay(text)); }

// Column x positions, from the row's left edge.
constexpr int kNumberX = 3, kDateX = 64, kTimeX = 128, kFirstSaveX = 213, kWeekdayX = 235,
              kAnswersX = 310, kSiteX = 320, kCompletionX = 380, kLevelX = 400;
constexpr int kTextTop = 3;

// The room of the site word: up to the completion symbol.
constexpr int kSiteWidth = kCompletionX - kSiteX - 2;

void DrawColumnText(QPainter& painter, const QRect& row, int x, const QString& text) {
  painter.drawText(QRect(row.left() + x, row.top() + kTextTop, row.width(), row.height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

QPen SymbolPen(const QColor& colour, const QRectF& box) {
  QPen pen(colour, std::max<qreal>(1.6, box.height() / 5.5));
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

}  // namespace

void DrawNumberedDisc(QPainter& painter, const QRectF& box, const QColor& colour,
                      const QColor& digitColour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  const qreal side = std::min(box.width(), box.height());
  const QRectF disc(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
  painter.drawEllipse(disc);
  // The "1" as a path of its own, cut out in the row's colour.
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(std::max(6, static_cast<int>(side * 0.72)));
  QPainterPath digit;
  digit.addText(0, 0, font, "1");
  const QRectF bounds = digit.boundingRect();
  digit.translate(disc.center() - bounds.center());
  painter.setBrush(digitColour);
  painter.drawPath(digit);
  painter.restore();
}

void DrawCheck(QPainter& painter, const QRectF& box, const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(SymbolPen(colour, box));
  painter.setBrush(Qt::NoBrush);
  QPainterPath check;
  check.moveTo(box.left() + box.width() * 0.08, box.top() + box.height() * 0.55);
  check.lineTo(box.left() + box.width() * 0.38, box.top() + box.height() * 0.88);
  check.lineTo(box.left() + box.width() * 0.92, box.top() + box.height() * 0.10);
  painter.drawPath(check);
  painter.restore();
}

void DrawCross(QPainter& painter, const QRectF& box, const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(SymbolPen(colour, box));
  const QRectF inner = box.adjusted(box.width() * 0.15, box.height() * 0.15, -box.width() * 0.15,
                                    -box.height() * 0.15);
  painter.drawLine(inner.topLeft(), inner.bottomRight());
  painter.drawLine(inner.topRight(), inner.bottomLeft());
  painter.restore();
}

QColor ReadableColour(const QColor& ink, const QColor& fill) {
  // Relative luminance and contrast ratio as the accessibility guidelines
  // reckon them.
  auto luminance = [](const QColor& c) {
    auto linear = [](double v) {
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double a = luminance(ink) + 0.05, b = luminance(fill) + 0.05;
  if (std::max(a, b) / std::min(a, b) >= kLeastContrast) return ink;
  return luminance(fill) > 0.18 ? ink.darker(200) : ink.lighter(200);
}

std::string SpokenSaveRow(const std::string& text, const SaveEntry* entry) {
  const RowColumns columns = ReadRowText(text);
  if (columns.shape == RowColumns::WholeText) return columns.whole;
  std::string spoken = "Number " + columns.number + ", " + columns.date;
  if (columns.shape != RowColumns::AllColumns) return spoken;
  spoken += ", " + columns.time;
  if (columns.firstSave) spoken += ", first save";
  if (columns.weekday >= 0) spoken += std::string(", ") + RowWeekdayName(columns.weekday);
  const std::string title = entry ? entry->title : std::string();
  const std::string site = TitleWord(title, 0);
  if (!site.empty()) spoken += ", site " + site;
  const std::string level = TitleWord(title, 3);
  if (LevelShown(level)) spoken += ", level " + level;
  const SaveChecks checks = entry ? entry->Checks() : SaveChecks{};
  spoken += checks.answersKnown ? ", answers known" : ", no answers";
  switch (checks.completion) {
    case Completion::CompletedCorrect: spoken += ", completed correctly"; break;
    case Completion::FilledNotVerifiable: spoken += ", filled, not verifiable"; break;
    case Completion::NotCompleted: spoken += ", not completed"; break;
  }
  return spoken;
}

void DrawSaveRow(QPainter& painter, const QRect& rect, const std::string& text,
                 const SaveEntry* entry, bool groupRow, bool selected) {
  painter.save();
  painter.setClipRect(rect);
  const QColor fill = groupRow ? QColor(0, 128, 192) : QColor(192, 192, 192);
  const QColor ink = groupRow ? Qt::white : Qt::black;
  painter.fillRect(rect, fill);
  painter.setPen(ink);

  const RowColumns columns = ReadRowText(text);
  if (columns.shape == RowColumns::WholeText) {
    DrawColumnText(painter, rect, 1, Shown(columns.whole));
  } else {
    DrawColumnText(painter, rect, kNumberX, Shown(columns.number));
    DrawColumnText(painter, rect, kDateX, Shown(columns.date));
  }
  if (columns.shape == RowColumns::AllColumns) {
    DrawColumnText(painter, rect, kTimeX, Shown(columns.time));
    const int top = rect.top();
    if (columns.firstSave)
      DrawNumberedDisc(painter, QRectF(rect.left() + kFirstSaveX, top + 4, 14, 14),
                       groupRow ? QColor(128, 255, 255) : QColor(0, 64, 192), fill);
    if (columns.weekday >= 0)
      DrawColumnText(painter, rect, kWeekdayX,
                     QString::fromLatin1(RowWeekdayName(columns.weekday)));

    const SaveChecks checks = entry ? entry->Checks() : SaveChecks{};
    const QRectF answersBox(rect.left() + kAnswersX, top + 5, 9, 11);
    if (checks.answersKnown)
      DrawCheck(painter, answersBox, groupRow ? QColor(128, 255, 128) : QColor(0, 140, 0));
    else
      DrawCross(painter, answersBox, groupRow ? QColor(255, 128, 128) : QColor(140, 0, 0));

    const std::string title = entry ? entry->title : std::string();
    const std::string site = TitleWord(title, 0);
    painter.setPen(ReadableColour(Rgb(SiteColour(site, groupRow)), fill));
    // A long word is cut before it reaches the completion symbol.
    DrawColumnText(painter, rect, kSiteX,
                   painter.fontMetrics().elidedText(Shown(site), Qt::ElideRight, kSiteWidth));

    const QRectF completionBox(rect.left() + kCompletionX, top + 5, 13, 11);
    switch (checks.completion) {
      case Completion::CompletedCorrect:
        DrawCheck(painter, completionBox, groupRow ? QColor(128, 255, 128) : QColor(0, 140, 0));
        break;
      case Completion::FilledNotVerifiable:
        DrawCheck(painter, completionBox, groupRow ? QColor(255, 255, 0) : QColor(180, 180, 0));
        break;
      case Completion::NotCompleted:
        DrawCross(painter, completionBox, groupRow ? QColor(255, 128, 128) : QColor(140, 0, 0));
        break;
    }

    const std::string level = TitleWord(title, 3);
    if (LevelShown(level)) {
      painter.setPen(ReadableColour(Rgb(LevelColour(level)), fill));
      DrawColumnText(painter, rect, kLevelX, Shown(level));
    }
  }

  painter.setPen(selected ? QColor(0, 255, 0) : QColor(0, 0, 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  painter.restore();
}

SaveRowDelegate::SaveRowDelegate(const CSaves& list, QObject* parent)
    : QStyledItemDelegate(parent), list_(list) {}

void SaveRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const int row = index.row();
  if (row < 0 || row >= list_.RowCount()) return;
  const std::string text = list_.RowText(row);
  const std::string group = list_.GroupRowText();
  DrawSaveRow(*painter, option.rect, text, list_.RowEntry(row), InGroup(text, GroupPrefix(group)),
              list_.SelectedRow() == row);
}

QSize SaveRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(CSaves::kRowWidth, CSaves::kRowHeight);
}

}  // namespace kovalo
