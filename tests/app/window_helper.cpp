// The program as the close tests run it: the real application and main
// window (CKovaloApp::Run) in the folder given, with the site addresses of
// the environment. It starts a download of one site and closes the main
// window when a line arrives on standard input; then it ends the way the
// program ends.
//
//   kovalo_window_helper <working folder> main|second|level|random
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/butt.h"
#include "app/kovalo_app.h"
#include "app/kovalo_dlg.h"
#include "saves/save_files.h"

int main(int argc, char** argv) {
  using namespace kovalo;
  if (argc != 3 || chdir(argv[1]) != 0) {
    std::fprintf(stderr, "usage: %s <working folder> main|second|level|random\n", argv[0]);
    return 2;
  }
  const std::string site = argv[2];
  CKovaloApp app(argc, argv);
  // Runs once the window of Run() is up.
  QTimer::singleShot(0, &app, [&site] {
    CKovaloDlg* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<CKovaloDlg*>(widget)) window = found;
    }
    if (window == nullptr) std::_Exit(3);
    if (site == "second") window->Button(IDC_SECOND_WEEKLY)->click();
    if (site == "level") window->Button(IDC_EASY)->click();
    window->Button(site == "random" ? IDC_RANDOM : IDC_MONDAY)->click();
    auto* closeRequest = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, window);
    QObject::connect(closeRequest, &QSocketNotifier::activated, window, [window, closeRequest] {
      closeRequest->setEnabled(false);
      window->close();
    });
  });
  return app.Run(kovalo::CurrentFolder());
}
