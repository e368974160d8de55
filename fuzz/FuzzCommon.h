#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Called once per fuzz process: the debug log goes to a log file in a Logs folder that does not
// exist, so the verification lines of rejected inputs cost nothing and are written nowhere.
void FuzzQuietDebugLog();

// Stops the process with a message when a property of the code under test does not hold.
void FuzzCheck(bool condition, const char* what);

// Reads the fuzz input piece by piece; what is missing reads as zero or empty.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}
    std::uint8_t byte();
    std::uint32_t u32();
    // Up to `max` bytes, its length taken from the input.
    std::string text(std::size_t max);
    // Everything not read yet.
    std::string rest();

private:
    const std::uint8_t* mData;
    std::size_t mSize;
};
