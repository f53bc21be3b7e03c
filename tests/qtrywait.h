#pragma once
// QtTest's waiting checks return from the function when their time runs out, and GoogleTest does
// not count that as a failure: a window test whose awaited state never came would pass. Here they
// wait on the event loop the same way and then fail the test.

#include <QTest>
#include <gtest/gtest.h>

#undef QTRY_VERIFY_WITH_TIMEOUT
#undef QTRY_VERIFY
#undef QTRY_COMPARE_WITH_TIMEOUT
#undef QTRY_COMPARE

#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeout)                                                    \
    ASSERT_TRUE(QTest::qWaitFor([&]() { return static_cast<bool>(expr); }, timeout))                \
        << "waited in vain for " #expr
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 5000)
#define QTRY_COMPARE_WITH_TIMEOUT(actual, expected, timeout)                                       \
    do {                                                                                           \
        static_cast<void>(QTest::qWaitFor([&]() { return (actual) == (expected); }, timeout));      \
        ASSERT_TRUE((actual) == (expected)) << "waited in vain for " #actual " == " #expected;     \
    } while (false)
#define QTRY_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 5000)
