#pragma once

#include "support/CoreException.h"
#include "support/VerifyCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

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

// One line a failed verification must write.
struct ExpectedLine {
    const char* file;
    int line;
    const char* function;
    const char* expression;
};

// Runs `operation` and checks that it returned the stated value (true) and wrote exactly the
// `expected` lines, in their order.
inline void expectFailureLines(const std::function<bool()>& operation,
                               const std::vector<ExpectedLine>& expected) {
    VerifyCapture capture;
    EXPECT_TRUE(operation());
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i].file, expected[i].file);
        EXPECT_EQ(lines[i].line, expected[i].line);
        EXPECT_EQ(lines[i].function, expected[i].function);
        EXPECT_EQ(lines[i].expression, std::string(" code : ") + expected[i].expression);
    }
}

// Runs the case's operation and checks that it returned the stated value and wrote its one line.
inline void expectOneFailureLine(const FailureCase& c) {
    expectFailureLines(c.operation, {{c.file, c.line, c.function, c.expression}});
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
