#include "prefsrig.h"

#include <QApplication>
#include <QTest>
#include <map>
#include <string>

// The shared test main makes a QCoreApplication; widgets need a QApplication, so the settings
// views keep their own list of test classes and their own main.
namespace corvane::test {

namespace {
std::map<std::string, PrefsTestFactory>& registry()
{
    static std::map<std::string, PrefsTestFactory> tests;
    return tests;
}
} // namespace

bool registerPrefsTest(const char* name, PrefsTestFactory factory)
{
    registry().emplace(name, std::move(factory));
    return true;
}

} // namespace corvane::test

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    corvane::test::useAppearance(false);
    auto& tests = corvane::test::registry();
    if (argc > 1 && tests.count(argv[1]) == 1) {
        auto test = tests.at(argv[1])();
        argv[1] = argv[0];
        return QTest::qExec(test.get(), argc - 1, argv + 1);
    }
    int failures = 0;
    for (auto& [name, factory] : tests) {
        auto test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
