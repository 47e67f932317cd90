#include "platform/regex.h"

#include <regex.h>

namespace qv_platform {

struct qv_regex::Impl {
  regex_t compiled;
};

qv_regex::qv_regex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

qv_regex::~qv_regex() {
  if (impl_) regfree(&impl_->compiled);
}

std::unique_ptr<qv_regex> qv_regex::compile(std::string_view pattern, std::string& errorText) {
  auto impl = std::make_unique<Impl>();
  const std::string text(pattern.substr(0, pattern.find('\0')));
  const int rc = regcomp(&impl->compiled, text.c_str(), REG_ICASE);
  if (rc != 0) {
    char buffer[128] = {};
    regerror(rc, &impl->compiled, buffer, sizeof buffer);
    errorText = buffer;
    return nullptr;
  }
  errorText.clear();
  return std::make_unique<qv_regex>(std::move(impl));
}

size_t qv_regex::subExpressionCount() const { return impl_->compiled.re_nsub; }

std::optional<std::string> qv_regex::match(std::string_view text) const {
  const std::string subject(text.substr(0, text.find('\0')));
  regmatch_t groups[2] = {};
  if (regexec(&impl_->compiled, subject.c_str(), 2, groups, 0) != 0) return std::nullopt;
  if (impl_->compiled.re_nsub < 1 || groups[1].rm_so < 0) return std::string();
  return subject.substr(static_cast<size_t>(groups[1].rm_so), static_cast<size_t>(groups[1].rm_eo - groups[1].rm_so));
}

}  // namespace qv_platform
