#include "testregistry.h"

// GUI tests build this file with CORVANE_TEST_APPLICATION set to QApplication.
#ifndef CORVANE_TEST_APPLICATION
#include <QCoreApplication>
#define CORVANE_TEST_APPLICATION QCoreApplication
#endif
#include <QTest>
#include <map>
#include <string>

namespace corvane::test {

namespace {
std::map<std::string, TestFactory>& registry()
{
    static std::map<std::string, TestFactory> tests;
    return tests;
}
} // namespace

bool registerTest(const char* name, TestFactory factory)
{
    registry().emplace(name, std::move(factory));
    return true;
}

} // namespace corvane::test

int main(int argc, char** argv)
{
    CORVANE_TEST_APPLICATION app(argc, argv);
#ifdef CORVANE_TEST_APPLICATION_SETUP
    CORVANE_TEST_APPLICATION_SETUP();
#endif
    auto& tests = corvane::test::registry();
    if (tests.empty()) {
        qCritical("No test class is registered in this executable.");
        return 1;
    }
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
