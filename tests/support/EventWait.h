#pragma once
// Waiting in a GoogleTest test for what an event brings about (a signal, a timer tick, a worker
// thread's report, a window that closes): the event loop runs until the condition holds, for at
// most a limit long enough for a loaded machine, and the test fails when it never holds. (QtTest's
// QTRY_ macros report through QtTest alone, which a GoogleTest test never sees.) Like ASSERT_, a
// failed wait returns from the function (or lambda) it stands in.

#include <QTest>

#include <gtest/gtest.h>

// A wait that holds returns as soon as its condition does; the limit only bounds a failing one.
inline constexpr int EventWaitMs = 10000;

#define ASSERT_EVENTUALLY(condition)                                                                         \
    do {                                                                                                     \
        if (!QTest::qWaitFor([&] { return bool(condition); }, EventWaitMs))                                  \
            GTEST_FAIL() << "not true after " << EventWaitMs << " ms: " #condition;                          \
    } while (false)

#define ASSERT_EVENTUALLY_EQ(actual, expected)                                                               \
    do {                                                                                                     \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, EventWaitMs);                          \
        ASSERT_EQ(actual, expected) << "after waiting up to " << EventWaitMs << " ms";                       \
    } while (false)
