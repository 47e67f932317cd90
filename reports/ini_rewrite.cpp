#include "reports/ini_rewrite.h"

#include <cstring>

namespace {

constexpr std::string_view kHeader = "Content-Type:";
constexpr std::string_view kName = "name=\"";
constexpr int kLeadingLines = 3;

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
    if (to == std::string_view::npos) return;
    out.push_back('[');
    out.append(line.substr(from, to - from));
    out.append("]\n");
    return;
  }
  if (line.empty() || line.starts_with("--")) return;
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

void qv_ini_rewrite::feed(std::string_view piece, std::string& out) {
  const char* p = piece.data();
  const char* const end = p + piece.size();
  if (!partial_.empty()) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (nl == nullptr) {
      partial_.append(p, static_cast<size_t>(end - p));
      return;
    }
    partial_.append(p, static_cast<size_t>(nl - p));
    rewriteLine(partial_, out);
    partial_.clear();
    p = nl + 1;
  }
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (nl == nullptr) {
      partial_.assign(p, static_cast<size_t>(end - p));
      return;
    }
    rewriteLine(std::string_view(p, static_cast<size_t>(nl - p)), out);
    p = nl + 1;
  }
}

void qv_ini_rewrite::finish(std::string& out) {
  if (partial_.empty()) return;
  rewriteLine(partial_, out);
  partial_.clear();
}
