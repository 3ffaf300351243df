#include "app/kovalo_app.h"

#include <QMessageBox>
#include <memory>

#include "app/kovalo_dlg.h"
#include "app/program_icon.h"

namespace kovalo {

CKovaloApp::CKovaloApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Kovalo");
  setDesktopFileName(KOVALO_APP_ID);  // the desktop entry that started us, for the shell's icon
  setWindowIcon(ProgramIcon());
  setQuitOnLastWindowClosed(true);
}

int CKovaloApp::Run(const std::string& workingFolder, const std::string& puzzleFile) {
  auto dialog = std::make_unique<CKovaloDlg>(workingFolder);
  dialog->show();
  if (!puzzleFile.empty()) dialog->session().OpenPuzzleFile(puzzleFile);
  // Closing the main window ends the loop and the program.
  return exec();
}

int CKovaloApp::ShowNoDataFolder() {
  QMessageBox::critical(nullptr, "Kovalo",
                        "The data folder for the saves cannot be made.\n"
                        "Set XDG_DATA_HOME or HOME to a folder you can write.");
  return 1;
}

}  // namespace kovalo
