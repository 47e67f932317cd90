#pragma once
// The engine error table (one row per engine error number) and the category
// table that decides where a reported message goes.
#include <cstdint>

#include "errors/engine_error_numbers.h"

/// One row of the engine error table.
struct qv_engine_error_row {
  int category;                     ///< index into the category table
  const char* format;               ///< printf-style message format
  const char* argumentDescription;  ///< names of the format's arguments
  const char* help;                 ///< documentation only; never printed
  int number;                       ///< equal to the row's index
  const char* identifier;           ///< symbolic name of the number
};

/// The 456 rows, then one row of empty texts (number -1) that ends the table.
extern const qv_engine_error_row qv_engine_error_table[QV_ENGINE_ERROR_COUNT + 1];

/// Flag bits of a category.
enum qv_engine_category_flag : uint32_t {
  QV_CAT_WARNING = 0x001,      ///< the work goes on (informational)
  QV_CAT_FATAL = 0x002,        ///< the process ends after all outputs
  QV_CAT_NO_STDOUT = 0x004,    ///< not shown on standard output
  QV_CAT_MAIL = 0x008,         ///< mailed to the administrator
  QV_CAT_RETAIN = 0x010,       ///< kept in the retained message list
  QV_CAT_NO_ERRORLOG = 0x020,  ///< not written to the error log file
  QV_CAT_MONITOR_LOG = 0x040,  ///< written to the monitor log
  QV_CAT_IPC_LOG = 0x080,      ///< written to the IPC log
  QV_CAT_NO_NUMBER = 0x100,    ///< shown on standard output without "[Mnnnnn]"
};

/// One row of the category table; prefix and suffix are nullptr when absent.
struct qv_engine_category {
  uint32_t flags;
  const char* prefix;
  const char* suffix;
};

/// Number of categories.
inline constexpr int QV_ENGINE_CATEGORY_COUNT = 22;

/// The category table.
extern const qv_engine_category qv_engine_categories[QV_ENGINE_CATEGORY_COUNT];

/// Category used for a number outside the table: written to the error log
/// only (never shown, mailed or fatal).
inline constexpr int QV_ENGINE_UNKNOWN_NUMBER_CATEGORY = 11;
