#pragma once
// A small writer of line-oriented XML. The caller spells out the markup
// (element names, brackets, the spaces between them) as fixed text and
// gives every value through an attribute call, which escapes it; so a value
// read from a results file cannot break the document, whatever it holds.
//
// Attribute values are written as XML 1.0 UTF-8 text:
// - & < > " ' become &amp; &lt; &gt; &quot; &apos;;
// - tab, line feed and carriage return become character references, so
//   that a reader's attribute-value normalisation does not turn them into
//   spaces;
// - any other control character XML 1.0 cannot hold (below 0x20), and the
//   non-characters U+FFFE and U+FFFF, become a space;
// - a well-formed UTF-8 sequence is copied; a byte that does not start one
//   is read as Latin-1 and written as the UTF-8 of that character.
// A percent-escaped attribute holds only ASCII letters, digits, "_" and
// "%xx" and needs no further escaping.
//
// Complete lines go to a qv_report_sink, one call per line, or, for lines
// written in one go (breakLine), one call for several.
//
// Text that repeats (the same protein on the line of each of its thousands
// of matches) can be written once into a qv_xmlpiece and appended as often
// as it is needed: a piece is filled only by a writer's own calls, so it
// holds escaped text as any line does.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "reports/report_sink.h"

/// Part of a line, written once by qv_xmlwriter::piece and appended with
/// qv_xmlwriter::append.
class qv_xmlpiece {
 public:
  qv_xmlpiece() = default;
  const std::string& text() const { return text_; }

 private:
  friend class qv_xmlwriter;
  std::string text_;
};

class qv_xmlwriter {
 public:
  /// `sink` must outlive the writer.
  explicit qv_xmlwriter(qv_report_sink& sink) : sink_(sink) { line_.reserve(512); }
  qv_xmlwriter(const qv_xmlwriter&) = delete;
  qv_xmlwriter& operator=(const qv_xmlwriter&) = delete;

  /// Appends fixed markup as it stands. Only for text the program itself
  /// spells (element names, brackets, fixed values), never for data.
  qv_xmlwriter& markup(std::string_view text) {
    line_.append(text);
    return *this;
  }
  /// Appends ` name="value"` with the value escaped as described above.
  qv_xmlwriter& attr(std::string_view name, std::string_view value);
  /// Appends ` name="value"` with the integer in signed decimal.
  qv_xmlwriter& attrInt(std::string_view name, int64_t value);
  /// Appends ` name="value"` with the double in the reports' default form.
  qv_xmlwriter& attrDouble(std::string_view name, double value);
  /// Appends ` name="value"` with every byte of the value that is not an
  /// ASCII letter, digit or "_" written as "%" and two lower-case
  /// hexadecimal digits.
  qv_xmlwriter& attrPercentEscaped(std::string_view name, std::string_view value);
  /// Appends a piece written before.
  qv_xmlwriter& append(const qv_xmlpiece& piece) {
    line_.append(piece.text_);
    return *this;
  }
  /// The text that `write(w)` appends to a writer `w` of its own: markup
  /// and attributes, no end of line (a line it ends is dropped).
  template <typename Write>
  static qv_xmlpiece piece(Write&& write) {
    qv_xmlwriter w(noLines_);
    std::forward<Write>(write)(w);
    qv_xmlpiece piece;
    piece.text_ = w.line_;  // a copy, without the line buffer's spare room
    return piece;
  }
  /// Ends the line and hands it to the sink, with the lines ended by
  /// breakLine() before it.
  void endLine();
  /// Ends the line but keeps it until the next endLine() or flush(), so
  /// that lines written in one go cost one hand-over to the sink. Only for
  /// lines whose successors follow without a pause.
  void breakLine() {
    line_.push_back('\n');
    whole_ = line_.size();
  }
  /// Ends the line (when anything is pending), hands every line kept to
  /// the sink and asks it to pass everything on now, before a long
  /// computation.
  void flush();
  /// True once the sink's reader has gone: the report stops.
  bool readerGone() { return sink_.readerGone(); }

  /// Appends `value` escaped as an attribute value (without quotes).
  static void appendEscaped(std::string& out, std::string_view value);
  /// Appends `value` percent-escaped.
  static void appendPercentEscaped(std::string& out, std::string_view value);

 private:
  // Appends ` name="` and then `rest`, in one append when they are short.
  void beginAttr(std::string_view name, std::string_view rest = {});

  // The sink of the writers that fill pieces.
  class NoLines : public qv_report_sink {
   public:
    void line(std::string_view) override {}
    void flush() override {}
  };
  static inline NoLines noLines_;

  qv_report_sink& sink_;
  std::string line_;  // the lines kept, then the line being written
  size_t whole_ = 0;  // the bytes of line_ that are lines ended by breakLine()
};
