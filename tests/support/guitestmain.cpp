// The shared test main with a QApplication, for tests that draw or show widgets.
#include <QApplication>
#define CORVANE_TEST_APPLICATION QApplication
#include "testmain.cpp"
