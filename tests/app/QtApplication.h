#pragma once

#include <QApplication>

#include "support/ScopedVariable.h"

namespace skyrelle::test_support {

// The one application object of a test program, made when a test first needs it. It runs
// offscreen and scaled by 2, so that logical and physical pixels differ. It is never
// destroyed: tearing the toolkit down among the exit handlers crashes.
inline QApplication& TestApplication() {
  static QApplication* application = [] {
    // Read while the application object is made.
    const TScopedVariable platform("QT_QPA_PLATFORM", "offscreen");
    const TScopedVariable scale("QT_SCALE_FACTOR", "2");
    static int argc = 1;
    static char name[] = "Skyrelle";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *application;
}

}  // namespace skyrelle::test_support
