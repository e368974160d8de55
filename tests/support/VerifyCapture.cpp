#include "support/VerifyCapture.h"

#include "support/CoreMachDebugLog.h"
#include "support/SyslogCapture.h"

#include <regex>

VerifyCapture::VerifyCapture() : mSavedKind(CoreMachDebugLogGetUseLogger()) {
    CoreMachDebugLogSetUseLogger(kCoreLogOutputASL);
    SyslogCapture::clear();
}

VerifyCapture::~VerifyCapture() {
    CoreMachDebugLogSetUseLogger(static_cast<kCoreLogOutput>(mSavedKind));
}

std::vector<std::string> VerifyCapture::messages() const {
    std::vector<std::string> out;
    for (const SyslogRecord& record : SyslogCapture::records())
        out.push_back(record.message);
    return out;
}

std::vector<VerifyLine> VerifyCapture::lines() const {
    static const std::regex pattern(R"(^VERIFY FAILED: (.*) in (.*):(\d+) \((.*)\)$)");
    std::vector<VerifyLine> out;
    for (const std::string& message : messages()) {
        std::smatch match;
        if (!std::regex_match(message, match, pattern))
            continue;
        std::string file = match[2];
        const auto slash = file.find_last_of('/');
        if (slash != std::string::npos)
            file = file.substr(slash + 1);
        out.push_back({match[1], file, std::stoi(match[3]), match[4]});
    }
    return out;
}
