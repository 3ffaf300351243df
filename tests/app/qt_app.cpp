#include "qt_app.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>

namespace kovalo::testing {

void EnsureQtApplication() {
  if (QApplication::instance()) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "kovalo_widget_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

std::string FreshFolder() {
  static int counter = 0;
  const auto folder =
      std::filesystem::temp_directory_path() /
      ("kovalo-widgets-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string() + "/";
}

}  // namespace kovalo::testing
