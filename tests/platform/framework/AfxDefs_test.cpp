// The diagnostic macros a program is written with, in a build without _DEBUG
// (AfxDefsDebug_test.cpp has them with it):
// VERIFY still evaluates its expression, ASSERT and TRACE do nothing at all.
#include "afxwin.h"

#include <gtest/gtest.h>

TEST(Diagnostics, VerifyEvaluatesAssertAndTraceDoNot)
{
#ifdef _DEBUG
    GTEST_SKIP() << "a _DEBUG build checks its assertions";
#endif
    int verified = 0;
    VERIFY(++verified == 1);
    EXPECT_EQ(verified, 1);

    int asserted = 0;
    ASSERT(++asserted == 1);
    ASSERT(asserted == 99); // would end a debug run; a release build ignores it
    TRACE(_T("value %d\n"), ++asserted);
    TRACE1("value %d\n", ++asserted);
    EXPECT_EQ(asserted, 0);

    int* created = DEBUG_NEW int(5);
    EXPECT_EQ(*created, 5);
    delete created;
}
