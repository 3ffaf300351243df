// CSaves: the list of saved positions under the buttons, a view of the save
// book. Its model holds the book's save references in case-insensitive text
// order and reads every row's text and save from the book; when the book
// changes, Relist sorts them again. It forwards the player's "Delete Save"
// from its right-button menu.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <cstdint>
#include <string>
#include <vector>

#include "saves/save_book.h"

class QMenu;

namespace kovalo {

// The save book's rows, sorted as the list shows them.
class SavesModel : public QAbstractListModel {
  Q_OBJECT
 public:
  SavesModel(const SaveBook& book, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The row's text (Qt::DisplayRole), what a screen reader says of it, its
  // columns and symbols in words (Qt::AccessibleTextRole), its save
  // reference (Qt::UserRole).
  QVariant data(const QModelIndex& index, int role) const override;

  // Takes the book's saves afresh.
  void Relist();
  uint32_t Reference(int row) const { return references_[row]; }
  std::string Text(int row) const { return book_.RowOf(references_[row]).text; }
  const SaveEntry* Entry(int row) const { return book_.Entry(references_[row]); }

 private:
  const SaveBook& book_;
  std::vector<uint32_t> references_;
};

class CSaves : public QListView {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 22;
  static constexpr int kRowWidth = 200;

  // Shows book's saves, drawn row by row; Relist after every change of book.
  CSaves(const SaveBook& book, QWidget* parent);

  // Takes the book's saves afresh; no row is selected then.
  void Relist() { model_->Relist(); }

  int RowCount() const { return model_->rowCount(); }
  std::string RowText(int row) const { return model_->Text(row); }
  uint32_t RowReference(int row) const { return model_->Reference(row); }
  const SaveEntry* RowEntry(int row) const { return model_->Entry(row); }
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
