// The diagnostic macros in a _DEBUG build (this file's executable is compiled
// with it): ASSERT and VERIFY check their expression, once, and a failed one
// names itself on standard error and ends the process.
#include "afxwin.h"

#include <gtest/gtest.h>

#ifndef _DEBUG
#    error "compiled with _DEBUG, so that the debug diagnostics are the ones tested"
#endif

TEST(DebugDiagnostics, AssertAndVerifyEvaluateOnceAndPassWhenTrue)
{
    int asserted = 0;
    ASSERT(++asserted == 1);
    EXPECT_EQ(asserted, 1);
    int verified = 0;
    VERIFY(++verified == 1);
    EXPECT_EQ(verified, 1);
    int object = 0;
    ASSERT_VALID(&object);
}

TEST(DebugDiagnosticsDeathTest, FailedAssertNamesItselfAndEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    int const value = 98;
    EXPECT_DEATH(ASSERT(value == 99), "AfxDefsDebug_test\\.cpp:[0-9]+: assertion failed: value == 99");
    EXPECT_DEATH(VERIFY(value < 0), "assertion failed: value < 0");
    int* const missing = nullptr;
    EXPECT_DEATH(ASSERT_VALID(missing), "assertion failed: \\(missing\\) != nullptr");
}
