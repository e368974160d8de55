#include "support/VerifyFailureCase.h"

#include "common/TestSupport.h"
#include "support/VerifyCapture.h"

#include <QFile>

#include <algorithm>
#include <map>
#include <regex>
#include <vector>

namespace {

// The lines of every case in the table's data file, by case name. A line reads
// "Case: expression in File.cpp:123 (function)", as the check writes it after its " code : ".
std::map<std::string, std::vector<VerifyLine>> listedLines(const char* table) {
    static const std::regex pattern(R"(^(\w+): (.*) in (\S+):(\d+) \((.*)\)$)");
    QFile file(lumenreel::test::testDataPath(QStringLiteral("verify/%1.txt").arg(table)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << file.fileName().toStdString();
    std::map<std::string, std::vector<VerifyLine>> lines;
    while (!file.atEnd()) {
        const std::string text = file.readLine().trimmed().toStdString();
        if (text.empty() || text.front() == '#')
            continue;
        std::smatch match;
        if (!std::regex_match(text, match, pattern)) {
            ADD_FAILURE() << table << ": unreadable line: " << text;
            continue;
        }
        lines[match[1]].push_back(
            {" code : " + match[2].str(), match[3], std::stoi(match[4]), match[5]});
    }
    return lines;
}

} // namespace

void expectFailureLines(const char* table, const FailureCase& c) {
    const auto listed = listedLines(table);
    const auto expected = listed.find(c.name);
    ASSERT_NE(expected, listed.end()) << c.name << " is not listed in " << table;
    VerifyCapture capture;
    EXPECT_TRUE(c.operation());
    EXPECT_EQ(capture.lines(), expected->second);
}

void expectEveryListedCaseRuns(const char* table, std::span<const FailureCase> cases) {
    for (const auto& [name, lines] : listedLines(table))
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(),
                                [&](const FailureCase& c) { return name == c.name; }))
            << name << " is listed in " << table << " but has no operation";
}
