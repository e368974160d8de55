#pragma once

#include <ostream>
#include <string>
#include <vector>

// One line written by a failed VERIFY, taken apart.
struct VerifyLine {
    std::string expression; // as written, with its leading " code : "
    std::string file;       // the source file's leaf name
    int line = 0;
    std::string function;

    bool operator==(const VerifyLine&) const = default;
};

inline void PrintTo(const VerifyLine& line, std::ostream* os) {
    *os << line.expression << " in " << line.file << ":" << line.line << " (" << line.function
        << ")";
}

// Sends the debug log to the system log for its lifetime and collects the VERIFY lines written
// meanwhile. Restores the previous destination afterwards.
class VerifyCapture {
public:
    VerifyCapture();
    ~VerifyCapture();
    VerifyCapture(const VerifyCapture&) = delete;
    VerifyCapture& operator=(const VerifyCapture&) = delete;

    std::vector<VerifyLine> lines() const;
    // Every message recorded, VERIFY lines or not.
    std::vector<std::string> messages() const;

private:
    int mSavedKind;
};
