// CKovaloApp: starts the toolkit, opens the main window and turns the
// event loop until the window is closed.
#pragma once

#include <QApplication>
#include <string>

namespace kovalo {

class CKovaloApp : public QApplication {
  Q_OBJECT
 public:
  CKovaloApp(int& argc, char** argv);
  // workingFolder ends in '/': the Saves folder is made below it.
  // puzzleFile, when not empty, is entered as the first puzzle.
  int Run(const std::string& workingFolder, const std::string& puzzleFile = {});
  // Says that the data folder cannot be made; returns the exit status.
  int ShowNoDataFolder();
};

}  // namespace kovalo
