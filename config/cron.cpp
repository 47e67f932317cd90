#include "config/cron.h"

int qv_cronjob::parse(const std::string&, bool& isJob) {
  isJob = false;
  return 0;
}
int qv_cronjob::parseField(std::string_view, int) { return 0; }
void qv_cron::reset() { *this = qv_cron(); }
bool qv_cron::addJob(qv_cronjob job) {
  if (jobs_.size() >= kMaxJobs) return false;
  jobs_.push_back(std::move(job));
  return true;
}
std::vector<std::string> qv_cron::dumpLines() const { return {}; }
void readCronSection(qv_config_lines&, const std::string&, qv_errors&, qv_cron& out) { out.setSectionAvailable(); }
