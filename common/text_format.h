#pragma once
// One small printf-style formatter for wide text, the same on Linux and Windows.
//
// The patterns of the string tables ("%s", "%d", "%%", "%.1f", "%02d", "%I64d", ...) are filled from
// typed arguments, so a text from the engine or the user is only ever an argument, never a pattern.
// Supported: flags '-' and '0', a width, a precision, the length modifiers h/l/ll/I64 (ignored: the
// argument carries its own type), and the conversions s c d i u x X f %.
//
// `limit` is the size of the caller's buffer in characters, terminator included: the text fits when
// it is at most limit - 1 characters long. A text that does not fit, a pattern that asks for a
// missing argument or for the wrong kind of argument, gives -1 and an empty `out`.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace TextFormat {

class Arg {
public:
    enum class Kind { Text, Integer, Real };

    Arg(std::wstring_view text) : kind_(Kind::Text), text_(text) {}
    Arg(const wchar_t* text) : kind_(Kind::Text), text_(text ? text : L"") {}
    Arg(const std::wstring& text) : kind_(Kind::Text), text_(text) {}
    Arg(int v) : kind_(Kind::Integer), integer_(v) {}
    Arg(long v) : kind_(Kind::Integer), integer_(v) {}
    Arg(long long v) : kind_(Kind::Integer), integer_(v) {}
    Arg(unsigned v) : kind_(Kind::Integer), integer_(v) {}
    Arg(unsigned long v) : kind_(Kind::Integer), integer_(static_cast<long long>(v)) {}
    Arg(unsigned long long v) : kind_(Kind::Integer), integer_(static_cast<long long>(v)) {}
    Arg(double v) : kind_(Kind::Real), real_(v) {}

    Kind kind() const { return kind_; }
    std::wstring_view text() const { return text_; }
    long long integer() const { return integer_; }
    double real() const { return real_; }

private:
    Kind kind_;
    std::wstring_view text_;
    long long integer_ = 0;
    double real_ = 0.0;
};

// Bounded: see the limit rule above. Returns the length written, or -1.
int format(std::wstring& out, std::size_t limit, std::wstring_view pattern, std::initializer_list<Arg> args);

// Unbounded: for texts whose size the caller does not fix. Returns the empty string on a bad pattern.
std::wstring format(std::wstring_view pattern, std::initializer_list<Arg> args);

}  // namespace TextFormat
