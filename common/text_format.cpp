#include "text_format.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace TextFormat {
namespace {

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    std::size_t width = 0;
    int precision = -1;
    wchar_t conversion = 0;
};

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Parses the part of a conversion after '%'; returns the position after it, or npos when malformed.
std::size_t parseConversion(std::wstring_view p, std::size_t i, Conversion& conv) {
    for (; i < p.size() && (p[i] == L'-' || p[i] == L'0'); ++i) {
        (p[i] == L'-' ? conv.leftAlign : conv.zeroPad) = true;
    }
    for (; i < p.size() && isDigit(p[i]); ++i) {
        conv.width = conv.width * 10 + static_cast<std::size_t>(p[i] - L'0');
        if (conv.width > 4096) return std::wstring_view::npos;
    }
    if (i < p.size() && p[i] == L'.') {
        conv.precision = 0;
        for (++i; i < p.size() && isDigit(p[i]); ++i) {
            conv.precision = conv.precision * 10 + (p[i] - L'0');
            if (conv.precision > 64) return std::wstring_view::npos;
        }
    }
    if (p.substr(i, 3) == L"I64") {
        i += 3;
    } else {
        while (i < p.size() && (p[i] == L'l' || p[i] == L'h')) ++i;
    }
    if (i >= p.size()) return std::wstring_view::npos;
    conv.conversion = p[i];
    return i + 1;
}

std::wstring digitsOf(unsigned long long v, unsigned base, bool upper) {
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    wchar_t buf[32];
    std::size_t n = 0;
    do {
        buf[n++] = set[v % base];
        v /= base;
    } while (v != 0);
    std::wstring s;
    while (n > 0) s.push_back(buf[--n]);
    return s;
}

std::wstring realText(double v, int precision) {
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 6 : precision, v);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return std::wstring();
    return std::wstring(buf, buf + n);
}

// Pads `body` (after an optional sign) to the width of the conversion. False, with nothing appended,
// when `out` would grow past `cap` characters: a bounded text stops there, whatever the arguments.
bool appendPadded(std::wstring& out, std::size_t cap, const Conversion& conv, std::wstring_view sign,
                  std::wstring_view body, bool numeric) {
    std::size_t len = sign.size() + body.size();
    std::size_t pad = conv.width > len ? conv.width - len : 0;
    if (len + pad > cap - out.size()) return false;
    if (conv.leftAlign) {
        out.append(sign).append(body).append(pad, L' ');
    } else if (conv.zeroPad && numeric) {
        out.append(sign).append(pad, L'0').append(body);
    } else {
        out.append(pad, L' ').append(sign).append(body);
    }
    return true;
}

bool convert(std::wstring& out, std::size_t cap, const Conversion& conv, const Arg& arg) {
    switch (conv.conversion) {
    case L's': {
        if (arg.kind() != Arg::Kind::Text) return false;
        std::wstring_view t = arg.text();
        if (conv.precision >= 0 && t.size() > static_cast<std::size_t>(conv.precision)) t = t.substr(0, conv.precision);
        return appendPadded(out, cap, conv, L"", t, false);
    }
    case L'c': {
        if (arg.kind() != Arg::Kind::Integer) return false;
        wchar_t c = static_cast<wchar_t>(arg.integer());
        return appendPadded(out, cap, conv, L"", std::wstring_view(&c, 1), false);
    }
    case L'd':
    case L'i': {
        if (arg.kind() != Arg::Kind::Integer) return false;
        long long v = arg.integer();
        unsigned long long magnitude = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        return appendPadded(out, cap, conv, v < 0 ? L"-" : L"", digitsOf(magnitude, 10, false), true);
    }
    case L'u':
    case L'x':
    case L'X': {
        if (arg.kind() != Arg::Kind::Integer) return false;
        auto v = static_cast<unsigned long long>(arg.integer());
        unsigned base = conv.conversion == L'u' ? 10 : 16;
        return appendPadded(out, cap, conv, L"", digitsOf(v, base, conv.conversion == L'X'), true);
    }
    case L'f': {
        double v;
        if (arg.kind() == Arg::Kind::Real) v = arg.real();
        else if (arg.kind() == Arg::Kind::Integer) v = static_cast<double>(arg.integer());
        else return false;
        std::wstring t = realText(v, conv.precision);
        if (t.empty()) return false;
        std::wstring_view body = t;
        std::wstring_view sign;
        if (!body.empty() && body[0] == L'-') {
            sign = body.substr(0, 1);
            body.remove_prefix(1);
        }
        return appendPadded(out, cap, conv, sign, body, true);
    }
    default:
        return false;
    }
}

// Fills `out` up to `cap` characters; false for a bad pattern or a text that would be longer.
bool fill(std::wstring& out, std::size_t cap, std::wstring_view pattern, std::initializer_list<Arg> args) {
    const Arg* next = args.begin();
    for (std::size_t i = 0; i < pattern.size();) {
        wchar_t c = pattern[i];
        if (c != L'%') {
            if (out.size() == cap) return false;
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == L'%') {
            if (out.size() == cap) return false;
            out.push_back(L'%');
            i += 2;
            continue;
        }
        Conversion conv;
        std::size_t after = parseConversion(pattern, i + 1, conv);
        if (after == std::wstring_view::npos || next == args.end()) return false;
        if (!convert(out, cap, conv, *next++)) return false;
        i = after;
    }
    return true;
}

}  // namespace

int format(std::wstring& out, std::size_t limit, std::wstring_view pattern, std::initializer_list<Arg> args) {
    out.clear();
    if (limit == 0) return -1;
    const std::size_t cap = std::min(limit - 1, static_cast<std::size_t>(std::numeric_limits<int>::max()));
    std::wstring text;
    if (!fill(text, cap, pattern, args)) return -1;
    out = std::move(text);
    return static_cast<int>(out.size());
}

std::wstring format(std::wstring_view pattern, std::initializer_list<Arg> args) {
    std::wstring text;
    if (!fill(text, text.max_size(), pattern, args)) return std::wstring();
    return text;
}

}  // namespace TextFormat
