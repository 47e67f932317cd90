#include "errors/qv_format.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace qv_format {

int64_t Arg::asInteger() const {
  switch (kind_) {
    case Kind::Integer: return i_;
    case Kind::Unsigned: return static_cast<int64_t>(u_);
    case Kind::Real: {
      if (!(d_ >= -9.2e18 && d_ <= 9.2e18)) return 0;
      return static_cast<int64_t>(d_);
    }
    case Kind::Text: return std::strtoll(std::string(s_).c_str(), nullptr, 10);
  }
  return 0;
}

uint64_t Arg::asUnsigned() const {
  return kind_ == Kind::Unsigned ? u_ : static_cast<uint64_t>(asInteger());
}

double Arg::asReal() const {
  switch (kind_) {
    case Kind::Integer: return static_cast<double>(i_);
    case Kind::Unsigned: return static_cast<double>(u_);
    case Kind::Real: return d_;
    case Kind::Text: return std::strtod(std::string(s_).c_str(), nullptr);
  }
  return 0;
}

std::string Arg::asText() const {
  char buf[64];
  switch (kind_) {
    case Kind::Integer: std::snprintf(buf, sizeof buf, "%" PRId64, i_); return buf;
    case Kind::Unsigned: std::snprintf(buf, sizeof buf, "%" PRIu64, u_); return buf;
    case Kind::Real: std::snprintf(buf, sizeof buf, "%g", d_); return buf;
    case Kind::Text: return std::string(s_);
  }
  return {};
}

namespace {

bool isFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || c == '\''; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Formats one conversion. `directive` holds '%', flags, width and precision (no
// length modifier); `conv` is the conversion character.
void appendConversion(std::string& out, std::string directive, char conv, const Arg* arg) {
  if (arg == nullptr) return;
  int n = 0;
  char small[512];
  std::string big;
  auto emit = [&](auto... value) {
    n = std::snprintf(small, sizeof small, directive.c_str(), value...);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof small) {
      out.append(small, static_cast<size_t>(n));
    } else {
      big.assign(static_cast<size_t>(n) + 1, '\0');
      std::snprintf(big.data(), big.size(), directive.c_str(), value...);
      out.append(big.data(), static_cast<size_t>(n));
    }
  };
  switch (conv) {
    case 'd':
    case 'i':
      if (arg->kind() == Arg::Kind::Text) {
        directive += 's';
        std::string t = arg->asText();
        emit(t.c_str());
      } else {
        directive += "lld";
        emit(static_cast<long long>(arg->asInteger()));
      }
      break;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      directive += "ll";
      directive += conv;
      emit(static_cast<unsigned long long>(arg->asUnsigned()));
      break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      directive += conv;
      emit(arg->asReal());
      break;
    case 'c':
      directive += 'c';
      emit(static_cast<int>(arg->kind() == Arg::Kind::Text ? (arg->asText().empty() ? ' ' : arg->asText()[0])
                                                             : static_cast<char>(arg->asInteger())));
      break;
    default: {  // 's' and anything else: the argument as text
      directive += 's';
      std::string t = arg->asText();
      emit(t.c_str());
      break;
    }
  }
}

}  // namespace

std::string formatMessage(std::string_view format, std::span<const Arg> args, size_t maxLength) {
  std::string out;
  size_t next = 0;
  size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // Parse %[flags][width][.precision][length]conversion.
    size_t j = i + 1;
    std::string directive = "%";
    while (j < format.size() && isFlag(format[j])) directive += format[j++];
    size_t widthDigits = 0;
    while (j < format.size() && isDigit(format[j])) {
      if (widthDigits++ < 4) directive += format[j];  // widths beyond 9999 are cut
      ++j;
    }
    if (j < format.size() && format[j] == '.') {
      directive += format[j++];
      size_t digits = 0;
      while (j < format.size() && isDigit(format[j])) {
        if (digits++ < 4) directive += format[j];
        ++j;
      }
    }
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'z' ||
                                 format[j] == 'j' || format[j] == 't' || format[j] == 'L' || format[j] == 'q')) {
      ++j;
    }
    if (j >= format.size()) {  // a lone '%' at the end stands as it is
      out.append(format.substr(i));
      break;
    }
    char conv = format[j];
    const Arg* arg = next < args.size() ? &args[next] : nullptr;
    ++next;
    appendConversion(out, directive, conv, arg);
    i = j + 1;
  }
  if (out.size() > maxLength) out.resize(maxLength);
  return out;
}

}  // namespace qv_format
