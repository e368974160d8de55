#pragma once

#include "support/CoreException.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <utility>

// One row of a failure table: an operation that fails. The lines it must write are listed under
// its name in the table's data file, tests/data/verify/<table>.txt.
struct FailureCase {
    FailureCase(const char* caseName, std::function<bool()> failingOperation)
        : name(caseName), operation(std::move(failingOperation)) {}
    const char* name;
    // Runs the failing operation; true when it returned the stated value.
    std::function<bool()> operation;
};

inline void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

inline std::string failureCaseName(const ::testing::TestParamInfo<FailureCase>& info) {
    return info.param.name;
}

// Runs the case's operation and checks that it returned the stated value and wrote exactly the
// lines listed under its name in the table's data file, in their order.
void expectFailureLines(const char* table, const FailureCase& c);

// Checks that every case the table's data file lists is one of `cases`, so that no listed line
// goes unchecked.
void expectEveryListedCaseRuns(const char* table, std::span<const FailureCase> cases);

// Runs `operation` and returns the message of the CoreException it threw, or "" when it threw none.
inline std::string ThrownMessage(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const CoreException& exception) {
        return exception.what();
    }
    return {};
}
