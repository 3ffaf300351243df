// CKovaloApp: starts the toolkit, opens the main window and turns the
// event loop until the window is closed.
#pragma once

#include <QApplication>

namespace kovalo {

class CKovaloApp : public QApplication {
  Q_OBJECT
 public:
  CKovaloApp(int& argc, char** argv);
  int Run();
};

}  // namespace kovalo
