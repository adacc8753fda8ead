#pragma once
// What a dialog test expects of a DialogFit report: nothing cut, nothing missing.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

namespace DialogFit {

inline void expectNothingCut(const std::string& report) {
    EXPECT_NE(report.find(" cut=0\n"), std::string::npos) << report.substr(0, 300);
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        // Without a font for a language its texts are measured as boxes: said, not hidden.
        if (line.rfind("NOFONT", 0) == 0) std::cout << "note: " << line << "\n";
        EXPECT_FALSE(line.rfind("CUT", 0) == 0 || line.rfind("MISSING", 0) == 0) << line;
    }
}

}  // namespace DialogFit
