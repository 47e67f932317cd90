#pragma once
// Where a report's lines go. The report hands over each line as soon as it
// is complete (lines it writes in one go, together) and says when a long
// computation is about to start; the sink
// decides when bytes actually reach the reader (the program's sink batches
// lines into few system calls but lets no complete line wait long), and
// tells the report when its reader has gone. Tests collect the lines in
// memory.
#include <string>
#include <string_view>

class qv_report_sink {
 public:
  virtual ~qv_report_sink() = default;
  /// Takes one or more complete lines, the newline of each included.
  virtual void line(std::string_view text) = 0;
  /// Everything taken so far must reach the reader now: the report is about
  /// to compute for a while without writing.
  virtual void flush() = 0;
  /// True once what the sink takes can no longer reach its reader (it has
  /// gone): the report stops at once, since nobody will read the rest.
  /// Asked before each long computation and between the items of long lists.
  virtual bool readerGone() { return false; }
};

/// A sink that keeps everything in a string.
class qv_string_sink : public qv_report_sink {
 public:
  void line(std::string_view text) override { text_.append(text); }
  void flush() override { ++flushes_; }
  const std::string& text() const { return text_; }
  int flushes() const { return flushes_; }

 private:
  std::string text_;
  int flushes_ = 0;
};
