#pragma once

#include <QObject>
#include <functional>
#include <memory>

// One executable per area holds several QtTest classes. Each file registers its class with
// CORVANE_TEST(Class); the shared main runs them all, or only the class named by the first
// argument ("test_engine WatchCycleTest -v2").
namespace corvane::test {
using TestFactory = std::function<std::unique_ptr<QObject>()>;
bool registerTest(const char* name, TestFactory factory);
} // namespace corvane::test

#define CORVANE_TEST(Class)                                                                        \
    static const bool corvaneRegistered##Class =                                                   \
        corvane::test::registerTest(#Class, [] { return std::make_unique<Class>(); });
