#include "support/harness.h"

#include <algorithm>
#include <sstream>

namespace tw::test {

std::string runLines(const std::vector<std::string>& lines, long statementLimit) {
    TestHost host;
    Interpreter in(host);
    for (const std::string& line : lines) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
        long budget = statementLimit;
        while (in.running() && !in.inputWaiting() && budget > 0) {
            in.runSlice(1000, 10000);
            budget -= 10000;
        }
    }
    std::ostringstream out;
    for (const std::string& r : host.scrolled) out << trimRight(r) << "\n";
    const TextScreen& s = in.screen();
    const int last = s.lastUsedRow(23);
    for (int r = 0; r <= last; ++r) out << trimRight(s.rowText(r)) << "\n";
    return out.str();
}

std::string directOutput(const std::string& statement) {
    const std::string all = runLines({"CLS", statement});
    // Drop the echo of the typed line and the final OK.
    std::istringstream in(all);
    std::string row;
    std::vector<std::string> rows;
    while (std::getline(in, row)) rows.push_back(row);
    // The typed line may span several rows.
    const std::string head = statement.substr(0, std::min<size_t>(statement.size(), 80));
    size_t start = 0;
    while (start < rows.size() && rows[start] != trimRight(head)) ++start;
    const size_t typedRows = std::max<size_t>(1, (statement.size() + 79) / 80);
    std::string out;
    for (size_t i = start + typedRows; i < rows.size(); ++i) {
        if (i + 1 == rows.size() && rows[i] == "OK") break;
        if (!out.empty()) out += "\n";
        out += rows[i];
    }
    return out;
}

}  // namespace tw::test
