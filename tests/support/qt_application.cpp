#include "tests/support/qt_application.h"

#include <QApplication>

#include <cstdlib>

namespace moorix::test {

void ensureQtApplication() {
    if (QApplication::instance()) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "moorix-test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

} // namespace moorix::test
