// Any bytes as a task record, a record's identifier column and a day index
// summary: parsing never reads outside the input, and a parsed record
// written back is one record again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "taskregistry/day_index_summary.h"
#include "taskregistry/task_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)qv_tasklayout::parseIdentifier(bytes);
  (void)qv_dayindexsummary::parseSummary(bytes);
  if (size >= 326) {
    const auto record = qv_tasklayout::parseRecord(bytes.substr(0, 326));
    if (!record) __builtin_trap();
    const std::string again = qv_tasklayout::buildRecord(*record);
    if (again.size() != 326 || again.back() != '\n') __builtin_trap();
    const auto back = qv_tasklayout::parseRecord(again);
    if (!back || back->state != record->state || back->spare != record->spare) __builtin_trap();
  }
  return 0;
}
