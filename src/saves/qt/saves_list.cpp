// The saves list: its sorted rows, the selection and the right-button menu.
#include "saves/qt/saves_list.h"

#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

namespace kovalo {

namespace {

bool RowLess(const ListedRow& a, const ListedRow& b) { return RowTextLess(a.text, b.text); }

}  // namespace

// ---------------------------------------------------------------- the rows

int SavesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SavesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const ListedRow& row = rows_[index.row()];
  if (role == Qt::DisplayRole)
    return QString::fromLatin1(row.text.data(), static_cast<qsizetype>(row.text.size()));
  if (role == Qt::AccessibleTextRole) {
    const std::string spoken = spokenRow ? spokenRow(row) : row.text;
    return QString::fromLatin1(spoken.data(), static_cast<qsizetype>(spoken.size()));
  }
  if (role == Qt::UserRole) return QVariant::fromValue(row.reference);
  return {};
}

void SavesModel::SetRows(std::vector<ListedRow> rows) {
  std::stable_sort(rows.begin(), rows.end(), RowLess);
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int SavesModel::AddRow(ListedRow row) {
  // After the rows it equals, as a sorted list box puts a new row.
  const auto at = std::upper_bound(rows_.begin(), rows_.end(), row, RowLess);
  const int place = static_cast<int>(at - rows_.begin());
  beginInsertRows(QModelIndex(), place, place);
  rows_.insert(at, std::move(row));
  endInsertRows();
  return place;
}

void SavesModel::RemoveRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

// ---------------------------------------------------------------- the list

CSaves::CSaves(QWidget* parent) : QListView(parent), model_(new SavesModel(this)) {
  setModel(model_);
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

void CSaves::SetRows(std::vector<ListedRow> rows) { model_->SetRows(std::move(rows)); }

int CSaves::AddRow(ListedRow row) { return model_->AddRow(std::move(row)); }

void CSaves::RemoveRow(int row) { model_->RemoveRow(row); }

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
