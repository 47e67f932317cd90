#pragma once
// Numbers of the library messages that the configuration records in its error
// lists (their texts and levels are in errors/message_table.cpp). Every reader
// of config/ names its messages from here.

// ---- files ------------------------------------------------------------------
/// "Failed to open file %s for %s" (name, mode).
inline constexpr int MSG_FAILED_TO_OPEN_FILE = 0x100;
/// "Cannot find file '%s'".
inline constexpr int MSG_CANNOT_FIND_FILE = 0x104;

// ---- tarnel.dat and its sections --------------------------------------------
/// "Cannot find file 'tarnel.dat'. ..."
inline constexpr int MSG_NO_TARNEL_DAT = 0x601;
/// "In the file %s the database %s has no %s rule".
inline constexpr int MSG_DATABASE_NO_RULE = 0x602;
/// "Error compiling the parse rule: %s. Error string: %s".
inline constexpr int MSG_PARSE_RULE_COMPILE = 0x603;
/// "Only one sub-expression per parse rule allowed. Found %d in %s".
inline constexpr int MSG_PARSE_RULE_SUBEXPRESSIONS = 0x604;
/// "... database %s doesn't have enough parameters".
inline constexpr int MSG_DATABASE_TOO_FEW_FIELDS = 0x605;
/// "Error in line in Options section of the configuration file %s: %s".
inline constexpr int MSG_OPTIONS_BAD_LINE = 0x606;
/// "Invalid entry in Cluster section of the configuration file %s: %s".
inline constexpr int MSG_CLUSTER_BAD_ENTRY = 0x607;
/// "Too many cpus in sub cluster %d. Setting number of usable cpus to %d".
inline constexpr int MSG_CLUSTER_TOO_MANY_CPUS = 0x608;
/// "Too many cron jobs in the configuration file %s. The limit is %d".
inline constexpr int MSG_CRON_TOO_MANY_JOBS = 0x609;
/// "Invalid parsing rule syntax in %s file. Expecting RULE_, found %s".
inline constexpr int MSG_PARSE_RULE_SYNTAX = 0x60A;
/// "... all parsing rules must have numbers between 1 and %d ...".
inline constexpr int MSG_PARSE_RULE_NUMBER = 0x60B;
/// "... parsing rule %d has been defined twice ...".
inline constexpr int MSG_PARSE_RULE_TWICE = 0x60C;
/// "Missing quote in parse rule in %s: %s".
inline constexpr int MSG_PARSE_RULE_QUOTE = 0x60D;
/// "... maximimum length of parse string (%d) is exceeded in: %s".
inline constexpr int MSG_PARSE_RULE_TOO_LONG = 0x60E;
/// "Invalid entry in the configuration file %s - taxonomy section: %s".
inline constexpr int MSG_TAXONOMY_BAD_ENTRY = 0x60F;
/// "Incompatible TAXID with some other taxonomy rule parameters ...".
inline constexpr int MSG_TAXONOMY_TAXID_CLASH = 0x610;
/// "In taxonomy section of %s, max prefixes (%d) exceeded".
inline constexpr int MSG_TAXONOMY_TOO_MANY_PREFIXES = 0x611;
/// "In taxonomy section of %s, max suffixed (%d) exceeded".
inline constexpr int MSG_TAXONOMY_TOO_MANY_SUFFIXES = 0x612;
/// "In taxonomy section of %s, max no breaks (%d) exceeded".
inline constexpr int MSG_TAXONOMY_TOO_MANY_NO_BREAKS = 0x613;
/// "Invalid character in cron section of %s. Line is: %s".
inline constexpr int MSG_CRON_INVALID_CHARACTER = 0x614;
/// "Number out of range in cron section of %s. Line is: %s".
inline constexpr int MSG_CRON_OUT_OF_RANGE = 0x615;
/// "Invalid * in cron section of %s. Line is: %s".
inline constexpr int MSG_CRON_INVALID_STAR = 0x616;
/// "Expecting number before , in cron section of %s. Line is: %s".
inline constexpr int MSG_CRON_NUMBER_BEFORE_COMMA = 0x617;
/// "Expecting number before - in cron section of %s. Line is: %s".
inline constexpr int MSG_CRON_NUMBER_BEFORE_HYPHEN = 0x618;
/// "Invalid line in %s file starting with: %s".
inline constexpr int MSG_INVALID_LINE = 0x619;
/// "... there are %d threads for database '%s'. Too many processors named".
inline constexpr int MSG_PROCESSOR_TOO_MANY_THREADS = 0x61D;
/// "Error in WWW section of %s: %s".
inline constexpr int MSG_WWW_BAD_ENTRY = 0x61E;
/// "A taxonomy rule with duplicate number %d has been encountered".
inline constexpr int MSG_TAXONOMY_DUPLICATE_NUMBER = 0x61F;
/// "Empty ICAT filter is not allowed. ..."
inline constexpr int MSG_EMPTY_ICAT_FILTER = 0x620;

// ---- configuration sources --------------------------------------------------
/// "Http-transmission failed with error: %s".
inline constexpr int MSG_HTTP_FAILED = 0x901;
/// "Invalid URL: %s".
inline constexpr int MSG_INVALID_URL = 0x902;
/// "The Tarnel service is not running. ..."
inline constexpr int MSG_SERVICE_NOT_RUNNING = 0x903;
/// "Wininet failure: %s" (the HTTP client's failure).
inline constexpr int MSG_HTTP_CLIENT_FAILURE = 0x904;
