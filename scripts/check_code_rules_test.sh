#!/usr/bin/env bash
# Checks that scripts/check_code_rules.py catches a thread started outside
# platform/ and each kind of mutable variable at namespace scope, naming
# file and line, and lets constants, functions, class members, locals and
# test sources pass.
set -uo pipefail
script="$(cd "$(dirname "$0")" && pwd)/check_code_rules.py"
tmp=$(mktemp -d /tmp/qv-coderules-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
failures=0
expect() {  # expect <name> <status> <text the output must contain or ''> <tree>
  local out status
  out=$(python3 "$script" "$4" 2>&1)
  status=$?
  if [ "$status" != "$2" ]; then
    echo "FAIL $1: exit status $status, expected $2; output:"; echo "$out"; failures=$((failures + 1))
  elif [ -n "$3" ] && [[ "$out" != *"$3"* ]]; then
    echo "FAIL $1: output lacks '$3':"; echo "$out"; failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}
tree() { mkdir -p "$tmp/$1" && cd "$tmp/$1" && mkdir -p platform summary results reports tools testsupport config; }

# Threads in platform/, in tests and in comments or strings; constants,
# functions, members and locals in the summaries: all pass.
tree good
printf '#include <thread>\nstd::thread t;\nstatic int count = 0;\n' >platform/threads.h
printf 'void f() { std::thread t([] {}); t.join(); }\n' >summary/ways_test.cpp
printf 'void g() { std::jthread t; }\n' >testsupport/helper.cpp
printf 'int global = 0;  // outside the three folders\n' >config/settings.cpp
cat >summary/good.cpp <<'EOF'
#include "summary/good.h"
// std::thread is not started here; int notAVariable = 1;
/* static bool flag = true; */
namespace {
constexpr int kLimit = 65536;
const std::string kName = "std::thread";
constexpr const char* kText = "x";
const char* const kOther = "y";
static const int kTable[] = {1, 2, 3};
constexpr CodeBit kBits[] = {{0x2000, 7}, {0x4000, 11}};
const auto kMake = [] { return 1; };
const std::vector<int> kList{1, 2};
int helper(int a = 3);
int helper(int a) {
  static int calls = 0;
  int local = a;
  return local + ++calls;
}
struct Sums {
  int plain = 0;
  static int made;
};
enum class Way { A, B };
using Size = unsigned;
}  // namespace
namespace qv {
template <typename T>
T twice(T t) { return t + t; }
Foo& Foo::operator=(const Foo&) = default;
Foo::~Foo() = default;
bool Foo::ready() const { return ready_; }
unsigned hardware() { return std::thread::hardware_concurrency(); }
}  // namespace qv
EOF
expect constants-functions-and-tests-pass 0 '' "$tmp/good"

# A thread started in the reader: named with file and line, header and source.
tree thread
printf '#include <thread>\n\nclass R {\n  std::thread thread_;\n};\n' >results/reader.h
printf 'void f() {\n  std::jthread worker([] {});\n}\n' >results/reader.cpp
expect thread-in-reader 1 'results/reader.h:4: std::thread outside platform/' "$tmp/thread"
expect jthread-in-reader 1 'results/reader.cpp:2: std::jthread outside platform/' "$tmp/thread"

# A program folder is product code too.
tree tool
printf 'int main() {\n  std::thread t([] {});\n  t.join();\n}\n' >tools/bench.cpp
expect thread-in-tool 1 'tools/bench.cpp:2: std::thread outside platform/' "$tmp/tool"

# Each kind of mutable variable at namespace scope, one per line.
tree globals
cat >summary/switches.cpp <<'EOF'
namespace {
size_t gTwoPartsMinItems = 65536;
}  // namespace
static int counter;
thread_local int perThread = 0;
std::atomic<bool> lostFlag{false};
const char* kName = "pointer to constant, itself mutable";
int qv_ways::calls = 0;
namespace qv {
namespace inner {
std::vector<int> seen;
}
}
auto hook = [] { return 1; };
EOF
for entry in "2:size_t gTwoPartsMinItems = 65536" "4:static int counter" "5:thread_local int perThread = 0" \
    "6:std::atomic<bool> lostFlag" "7:const char* kName" "8:int qv_ways::calls = 0" "11:std::vector<int> seen" \
    "14:auto hook = "; do
  expect "global-line-${entry%%:*}" 1 "summary/switches.cpp:${entry%%:*}: mutable variable at namespace scope in summary/: ${entry#*:}" "$tmp/globals"
done
out=$(python3 "$script" "$tmp/globals" | wc -l)
if [ "$out" != 8 ]; then echo "FAIL globals: $out lines, expected 8"; failures=$((failures + 1)); else echo "ok   globals-counted"; fi

# The reader and the reports are held to it as well.
tree folders
printf 'bool gScoresInStoreOrder = true;\n' >results/r.cpp
printf 'int gReportWidth;\n' >reports/w.h
expect global-in-reader 1 'results/r.cpp:1: mutable variable at namespace scope in results/: bool gScoresInStoreOrder = true' "$tmp/folders"
expect global-in-reports 1 'reports/w.h:1: mutable variable at namespace scope in reports/: int gReportWidth' "$tmp/folders"

# The repository itself keeps both rules.
expect repository 0 '' "$(dirname "$script")/.."
exit $((failures > 0))
