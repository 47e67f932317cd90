#include "errors/engine_settings.h"

namespace {

// The process-wide settings, made on first use.
qv_engine_settings& current() {
  static qv_engine_settings settings;
  return settings;
}

}  // namespace

const qv_engine_settings& getEngineSettings() { return current(); }

void setEngineSettings(const qv_engine_settings& settings) { current() = settings; }
