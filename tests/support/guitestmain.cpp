// The shared test main with a QApplication, for tests that draw or show widgets.
#include "views/viewstyle.h"

#include <QApplication>
#define CORVANE_TEST_APPLICATION QApplication
// The views are drawn in the style the program gives them.
#define CORVANE_TEST_APPLICATION_SETUP corvane::ViewStyle::install
#include "testmain.cpp"
