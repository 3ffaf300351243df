#include "app/kovalo_app.h"

#include <unistd.h>

#include <memory>
#include <string>

#include "app/kovalo_dlg.h"

namespace kovalo {

CKovaloApp::CKovaloApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Kovalo");
  setQuitOnLastWindowClosed(true);
}

namespace {

// The process's current folder, read once, with a trailing '/'.
std::string WorkingFolder() {
  std::string folder;
  if (char* cwd = getcwd(nullptr, 0)) {
    folder = cwd;
    free(cwd);
  }
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

int CKovaloApp::Run() {
  auto dialog = std::make_unique<CKovaloDlg>(WorkingFolder());
  dialog->show();
  // Closing the main window ends the loop and the program.
  return exec();
}

}  // namespace kovalo
