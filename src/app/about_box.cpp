#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/program_icon.h"

namespace kovalo {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Sudoku");
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  auto* text = new QVBoxLayout;
  text->addWidget(new QLabel("Kovalo Version 1.0"));
  text->addWidget(new QLabel("Play, solve and download 9 x 9 Sudoku puzzles."));
  text->addWidget(new QLabel("Copyright (C) 2026 the Kovalo developers"));
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  setFixedSize(sizeHint());
}

}  // namespace kovalo
