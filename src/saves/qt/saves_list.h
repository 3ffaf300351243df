// CSaves: the list of saved positions under the buttons. It keeps one row
// per save, each a text and the save reference of the save it shows, in
// case-insensitive text order, and forwards the player's "Delete Save" from
// its right-button menu. Its rows are drawn by the main window's delegate.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "saves/save_book.h"

class QMenu;

namespace kovalo {

// The rows behind the list, sorted as the list shows them.
class SavesModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void SetRows(std::vector<ListedRow> rows);
  int AddRow(ListedRow row);
  void RemoveRow(int row);
  const ListedRow& Row(int row) const { return rows_[row]; }
  void SetReference(int row, uint32_t reference) { rows_[row].reference = reference; }

  // What a screen reader says for a row (Qt::AccessibleTextRole): the row's
  // columns in words, symbols included. Without it, the row's text.
  std::function<std::string(const ListedRow&)> spokenRow;

 private:
  std::vector<ListedRow> rows_;
};

class CSaves : public QListView {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 22;
  static constexpr int kRowWidth = 200;

  explicit CSaves(QWidget* parent);

  // Replaces every row; they are sorted once.
  void SetRows(std::vector<ListedRow> rows);
  // Puts a row in its sorted place and returns that place.
  int AddRow(ListedRow row);
  void RemoveRow(int row);

  int RowCount() const { return model_->rowCount(); }
  const std::string& RowText(int row) const { return model_->Row(row).text; }
  uint32_t RowReference(int row) const { return model_->Row(row).reference; }
  void SetRowReference(int row, uint32_t reference) { model_->SetReference(row, reference); }
  // Gives the rows their spoken text, see SavesModel::spokenRow.
  void SetSpokenRow(std::function<std::string(const ListedRow&)> spoken) {
    model_->spokenRow = std::move(spoken);
  }
  // The row showing reference, or -1.
  int RowOfReference(uint32_t reference) const;

  // The selected row, or -1.
  int SelectedRow() const;
  // Selects row (none for -1) and scrolls it into view, to the top of the
  // list when atTop.
  void SelectRow(int row, bool atTop = false);
  // The text of the row whose group is highlighted: the selected row's, or
  // the first row's when none is selected.
  std::string GroupRowText() const;

  // Selects the row under pos (list coordinates) and opens the menu with
  // "Delete Save" there; nothing outside the rows.
  void OpenRowMenu(const QPoint& pos);

 signals:
  // "Delete Save" was chosen for the selected row.
  void deleteSaveChosen();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  SavesModel* model_;
};

}  // namespace kovalo
