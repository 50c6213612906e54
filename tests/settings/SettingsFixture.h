// The store the settings tests run against, fresh for each test. On the
// emulated device: a device directory of its own. On Windows (under Wine): the
// real registry, with the maker's key removed before and after each test, so
// that no test sees another's values and none are left behind.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32

#include <windows.h>

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override { remove_maker_key(); }
    void TearDown() override { remove_maker_key(); }

private:
    static void remove_maker_key()
    {
        LONG const result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Corvane");
        ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << "RegDeleteTreeW: " << result;
        ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Corvane"), ERROR_FILE_NOT_FOUND);
    }
};

#else

#include "DeviceFixture.h"

using SettingsFixture = test_support::DeviceFixture;

#endif
