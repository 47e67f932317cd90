#pragma once
// Applying a printf-style format from a message table to the caller's
// arguments safely. The format decides the layout; each argument is carried
// with its own type, and every conversion takes the next argument converted
// to what the conversion expects. A missing argument prints nothing, a
// surplus one is ignored, and a text is never used as a format: no mismatch
// between a table row and its caller can read arbitrary memory.
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace qv_format {

/// One formatting argument, holding a copy of an integer or a double or a
/// view of a text (the text must outlive the call).
class Arg {
 public:
  enum class Kind { Integer, Unsigned, Real, Text };

  template <std::signed_integral T>
  Arg(T v) : kind_(Kind::Integer), i_(static_cast<int64_t>(v)) {}
  template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>)
  Arg(T v) : kind_(Kind::Unsigned), u_(static_cast<uint64_t>(v)) {}
  Arg(bool v) : kind_(Kind::Integer), i_(v ? 1 : 0) {}
  Arg(double v) : kind_(Kind::Real), d_(v) {}
  Arg(float v) : kind_(Kind::Real), d_(v) {}
  Arg(const char* v) : kind_(Kind::Text), s_(v != nullptr ? std::string_view(v) : std::string_view("(null)")) {}
  Arg(std::string_view v) : kind_(Kind::Text), s_(v) {}
  Arg(const std::string& v) : kind_(Kind::Text), s_(v) {}

  Kind kind() const { return kind_; }
  int64_t asInteger() const;
  uint64_t asUnsigned() const;
  double asReal() const;
  /// The text, or the argument written in its natural decimal form.
  std::string asText() const;

 private:
  Kind kind_;
  int64_t i_ = 0;
  uint64_t u_ = 0;
  double d_ = 0;
  std::string_view s_;
};

/// Formats `format` with `args`. The result is cut to at most `maxLength`
/// bytes (a fixed-size buffer of maxLength + 1 with its terminating NUL).
std::string formatMessage(std::string_view format, std::span<const Arg> args, size_t maxLength = 2047);

inline std::string formatMessage(std::string_view format, std::initializer_list<Arg> args,
                                 size_t maxLength = 2047) {
  return formatMessage(format, std::span<const Arg>(args.begin(), args.size()), maxLength);
}

}  // namespace qv_format
