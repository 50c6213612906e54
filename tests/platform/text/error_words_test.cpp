// The device's words for its error codes.
#include "text/ErrorWords.h"

#include "winerror.h"

#include <gtest/gtest.h>

TEST(ErrorWords, NamesEachStorageFailureAndNumbersTheRest)
{
    using platform::text::error_words;
    EXPECT_EQ(error_words(ERROR_DISK_FULL), "the disk is full");
    EXPECT_EQ(error_words(ERROR_REGISTRY_CORRUPT), "the registry file cannot be parsed");
    EXPECT_EQ(error_words(ERROR_REGISTRY_IO_FAILED), "the registry file cannot be read or written");
    EXPECT_EQ(error_words(ERROR_PATH_NOT_FOUND), "the device directory cannot be used");
    EXPECT_EQ(error_words(ERROR_LOCK_VIOLATION), "the registry cannot be locked");
    EXPECT_EQ(error_words(4242), "error 4242");
}
