#pragma once

#include "support/CoreException.h"
#include "support/VerifyCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

// One row of a failure table: an operation that fails, and the verification line it must write.
struct FailureCase {
    const char* name;
    // Runs the failing operation; true when it returned the stated value.
    std::function<bool()> operation;
    const char* file;
    int line;
    const char* function;
    const char* expression;
};

inline void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

// Runs the case's operation and checks that it returned the stated value and wrote its one line.
inline void expectOneFailureLine(const FailureCase& c) {
    VerifyCapture capture;
    EXPECT_TRUE(c.operation());
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].file, c.file);
    EXPECT_EQ(lines[0].line, c.line);
    EXPECT_EQ(lines[0].function, c.function);
    EXPECT_EQ(lines[0].expression, std::string(" code : ") + c.expression);
}

// Runs `operation` and returns the message of the CoreException it threw, or "" when it threw none.
inline std::string ThrownMessage(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const CoreException& exception) {
        return exception.what();
    }
    return {};
}
