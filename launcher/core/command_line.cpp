#include "command_line.h"

namespace {

bool isWhiteSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

}  // namespace

std::vector<std::wstring> splitCommandLine(std::wstring_view text) {
    std::vector<std::wstring> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == L' ') {
            ++pos;
            continue;
        }
        if (text[pos] == L'"') {
            const std::size_t close = text.find(L'"', pos + 1);
            const std::size_t end = close == std::wstring_view::npos ? text.size() : close;
            tokens.emplace_back(text.substr(pos + 1, end - pos - 1));
            pos = close == std::wstring_view::npos ? text.size() : close + 1;  // text right after starts a token
        } else {
            std::size_t end = text.find(L' ', pos);
            if (end == std::wstring_view::npos) end = text.size();
            tokens.emplace_back(text.substr(pos, end - pos));
            pos = end;
        }
    }
    return tokens;
}

std::vector<std::wstring> programArgumentsOf(std::wstring_view commandLine) {
    std::size_t first = 0, last = commandLine.size();
    while (first < last && isWhiteSpace(commandLine[first])) ++first;
    while (last > first && isWhiteSpace(commandLine[last - 1])) --last;
    std::vector<std::wstring> tokens = splitCommandLine(commandLine.substr(first, last - first));
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}
