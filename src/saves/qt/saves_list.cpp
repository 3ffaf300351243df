// The saves list: its sorted rows, the selection and the right-button menu.
#include "saves/qt/saves_list.h"

#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

#include "saves/qt/save_row_delegate.h"
#include "saves/save_texts.h"

namespace kovalo {

// ---------------------------------------------------------------- the rows

SavesModel::SavesModel(const SaveBook& book, QObject* parent)
    : QAbstractListModel(parent), book_(book) {}

int SavesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(references_.size());
}

QVariant SavesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(references_.size())) return {};
  const int row = index.row();
  auto shown = [](const std::string& text) {
    return QString::fromStdString(TitleForDisplay(text));
  };
  if (role == Qt::DisplayRole) return shown(Text(row));
  if (role == Qt::AccessibleTextRole) return shown(SpokenSaveRow(Text(row), Entry(row)));
  if (role == Qt::UserRole) return QVariant::fromValue(Reference(row));
  return {};
}

void SavesModel::Relist() {
  std::vector<ListedRow> rows = book_.Rows();
  // Rows that compare equal keep the book's order, as a sorted list box
  // puts each new row after the rows it equals.
  std::stable_sort(rows.begin(), rows.end(), [](const ListedRow& a, const ListedRow& b) {
    return RowTextLess(a.text, b.text);
  });
  beginResetModel();
  references_.clear();
  references_.reserve(rows.size());
  for (const ListedRow& row : rows) references_.push_back(row.reference);
  endResetModel();
}

// ---------------------------------------------------------------- the list

CSaves::CSaves(const SaveBook& book, QWidget* parent)
    : QListView(parent), model_(new SavesModel(book, this)) {
  setModel(model_);
  setItemDelegate(new SaveRowDelegate(*this, this));
  setFrameShape(QFrame::Box);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  // The area behind the rows is the list's blue.
  QPalette pal = palette();
  pal.setColor(QPalette::Base, QColor(0, 0, 128));
  setPalette(pal);
}

int CSaves::RowOfReference(uint32_t reference) const {
  for (int row = 0; row < RowCount(); ++row)
    if (RowReference(row) == reference) return row;
  return -1;
}

int CSaves::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void CSaves::SelectRow(int row, bool atTop) {
  if (row < 0 || row >= RowCount()) {
    selectionModel()->clearSelection();
    return;
  }
  const QModelIndex index = model_->index(row);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index, atTop ? QAbstractItemView::PositionAtTop : QAbstractItemView::EnsureVisible);
}

std::string CSaves::GroupRowText() const {
  const int row = SelectedRow();
  if (row >= 0) return RowText(row);
  return RowCount() > 0 ? RowText(0) : std::string();
}

void CSaves::OpenRowMenu(const QPoint& pos) {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) return;
  SelectRow(index.row());
  QMenu menu(this);
  connect(menu.addAction("Delete Save"), &QAction::triggered, this, &CSaves::deleteSaveChosen);
  // Centred on the pointer.
  const QPoint global = viewport()->mapToGlobal(pos);
  menu.exec(QPoint(global.x() - menu.sizeHint().width() / 2, global.y()));
}

void CSaves::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    OpenRowMenu(event->position().toPoint());
    return;
  }
  QListView::mousePressEvent(event);
}

void CSaves::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QListView::selectionChanged(selected, deselected);
  // The group highlight follows the selection: every row may change.
  viewport()->update();
}

}  // namespace kovalo
