#include "reports/ini_rewrite.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view kHeader = "Content-Type:";
constexpr std::string_view kName = "name=\"";
constexpr std::string_view kBoundary = "--";
constexpr int kLeadingLines = 3;
// The bytes that tell what becomes of a line: enough to see a header.
constexpr size_t kStartBytes = kHeader.size();

std::string_view withoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

void qv_iniRewriteLine(std::string_view line, std::string& out) {
  if (line.starts_with(kHeader)) {
    const size_t name = line.find(kName);
    if (name == std::string_view::npos) return;
    const size_t from = name + kName.size();
    const size_t to = line.find('"', from);
    if (to == std::string_view::npos || to - from > kIniMaxPartName) return;
    out.push_back('[');
    out.append(line.substr(from, to - from));
    out.append("]\n");
    return;
  }
  if (line.empty() || line.starts_with(kBoundary)) return;
  out.append(line);
  out.push_back('\n');
}

void qv_ini_rewrite::rewriteLine(std::string_view line, std::string& out) {
  if (skipped_ < kLeadingLines) {
    ++skipped_;
    return;
  }
  qv_iniRewriteLine(withoutLineEnd(line), out);
}

// Bytes of the line in progress (no line feed among them).
void qv_ini_rewrite::take(std::string_view bytes, std::string& out) {
  while (!bytes.empty()) {
    switch (state_) {
      case State::kStart: {
        if (skipped_ < kLeadingLines) {
          state_ = State::kSkip;
          return;
        }
        const size_t n = std::min(kStartBytes - start_.size(), bytes.size());
        start_.append(bytes.substr(0, n));
        bytes.remove_prefix(n);
        if (start_.size() == kStartBytes) classify(out);
        break;
      }
      case State::kCopy:
        copy(bytes, out);
        return;
      case State::kSkip:
        return;
      case State::kHeader:
        // `name="` holds no byte twice, so after a byte that breaks a
        // partial match only that byte can begin a new one.
        while (!bytes.empty() && nameMatched_ < kName.size()) {
          const char c = bytes.front();
          bytes.remove_prefix(1);
          nameMatched_ = c == kName[nameMatched_] ? nameMatched_ + 1 : (c == kName[0] ? 1 : 0);
        }
        if (nameMatched_ == kName.size()) state_ = State::kName;
        break;
      case State::kName: {
        const size_t quote = bytes.find('"');
        const std::string_view part = bytes.substr(0, quote);
        if (!nameTooLong_ && name_.size() + part.size() > kIniMaxPartName) {
          nameTooLong_ = true;
          name_ = std::string();
        }
        if (!nameTooLong_) name_.append(part);
        if (quote == std::string_view::npos) return;
        if (!nameTooLong_) {
          out.push_back('[');
          out.append(name_);
          out.append("]\n");
        }
        state_ = State::kSkip;  // the rest of a header is not written
        return;
      }
    }
  }
}

// The line's first kStartBytes bytes are in: a header, a boundary or a line
// to copy (a line this long is never empty, with or without its CR).
void qv_ini_rewrite::classify(std::string& out) {
  if (start_ == kHeader) {
    state_ = State::kHeader;
    nameMatched_ = 0;
  } else if (std::string_view(start_).starts_with(kBoundary)) {
    state_ = State::kSkip;
  } else {
    state_ = State::kCopy;
    copy(start_, out);
  }
  start_.clear();
}

// Copies bytes of a line, holding back a CR at their end until it is known
// whether the line ends after it.
void qv_ini_rewrite::copy(std::string_view bytes, std::string& out) {
  if (bytes.empty()) return;
  if (carriageHeld_) {
    out.push_back('\r');
    carriageHeld_ = false;
  }
  if (bytes.back() == '\r') {
    carriageHeld_ = true;
    bytes.remove_suffix(1);
  }
  out.append(bytes);
}

// The line in progress has ended (at a line feed or at the end of the file).
void qv_ini_rewrite::endLine(std::string& out) {
  if (state_ == State::kStart) {
    rewriteLine(start_, out);  // shorter than kStartBytes: decided as a whole
  } else {
    if (skipped_ < kLeadingLines) ++skipped_;
    if (state_ == State::kCopy) out.push_back('\n');  // a held CR was the line end's
  }
  state_ = State::kStart;
  start_.clear();
  carriageHeld_ = false;
  nameMatched_ = 0;
  name_.clear();
  nameTooLong_ = false;
}

void qv_ini_rewrite::feed(std::string_view piece, std::string& out) {
  const char* p = piece.data();
  const char* const end = p + piece.size();
  while (p < end) {
    const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const bool lineBegins = state_ == State::kStart && start_.empty();
    if (nl != nullptr && lineBegins) {
      // A whole line in the piece, as most are: decided at once.
      rewriteLine(std::string_view(p, static_cast<size_t>(nl - p)), out);
      p = nl + 1;
      continue;
    }
    take(std::string_view(p, static_cast<size_t>((nl != nullptr ? nl : end) - p)), out);
    if (nl == nullptr) return;
    endLine(out);
    p = nl + 1;
  }
}

void qv_ini_rewrite::finish(std::string& out) {
  // Nothing after the last line feed: no line in progress.
  if (state_ == State::kStart && start_.empty()) return;
  endLine(out);
}
