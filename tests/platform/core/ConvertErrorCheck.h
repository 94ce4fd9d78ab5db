#pragma once
// Shared by the number and date text tests.
#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

#include <string>

// The reader raises EConvertError with exactly this text.
template <class Read>
void ExpectConvertError(Read read, const std::string& message) {
    try {
        read();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), message);
    }
}
