#pragma once
// Buffered output of the generator: writes to a file, to a string, or only
// counts (to size a file before writing it). Counts bytes and lines.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qvgen {

class Sink {
 public:
  /// `file` and `capture` may each be null; with both null the sink only counts.
  Sink(std::FILE* file, std::string* capture, bool crlf) : file_(file), capture_(capture), crlf_(crlf) {
    buf_.reserve(kFlushAt + 65536);
  }

  void put(std::string_view s) { buf_.append(s); }
  void put(char c) { buf_.push_back(c); }
  void putInt(int64_t v) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, r.ptr);
  }
  /// Fixed notation with `decimals` digits after the point.
  void putFixed(double v, int decimals) {
    char tmp[64];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, decimals);
    buf_.append(tmp, r.ptr);
  }
  /// Ends the line and hands full buffers on.
  void eol() {
    buf_.append(crlf_ ? "\r\n" : "\n");
    ++lines_;
    if (buf_.size() >= kFlushAt) flush();
  }
  void line(std::string_view s) {
    put(s);
    eol();
  }
  void kv(std::string_view key, std::string_view value) {
    put(key);
    put('=');
    put(value);
    eol();
  }

  /// Hands the buffer on; false when the file could not take it.
  bool flush() {
    bool ok = true;
    if (file_ != nullptr && !buf_.empty()) ok = std::fwrite(buf_.data(), 1, buf_.size(), file_) == buf_.size();
    if (capture_ != nullptr) capture_->append(buf_);
    written_ += buf_.size();
    buf_.clear();
    failed_ = failed_ || !ok;
    return ok;
  }
  bool failed() const { return failed_; }
  uint64_t bytes() const { return written_ + buf_.size(); }
  /// Lines ended so far.
  uint64_t lines() const { return lines_; }

 private:
  static constexpr size_t kFlushAt = 4 << 20;
  std::FILE* file_;
  std::string* capture_;
  bool crlf_;
  bool failed_ = false;
  std::string buf_;
  uint64_t written_ = 0;
  uint64_t lines_ = 0;
};

}  // namespace qvgen
