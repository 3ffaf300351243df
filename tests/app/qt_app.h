// The one QApplication of the widget tests, made on first use, offscreen.
#pragma once

#include <string>

namespace kovalo::testing {
void EnsureQtApplication();
// A fresh empty folder for one test's save files, ending in '/'.
std::string FreshFolder();
}  // namespace kovalo::testing
