// Stand-in for the memory-locking program in tests. It follows the status
// protocol of qv_memmapfile without pinning anything:
//   qv-lockmem-standin -f FILE -s START -l LENGTH -o INDEX
// appends its arguments as one line to FILE.args, then acts on entry INDEX
// of FILE.lck as FILE.mode says (default "lock"):
//   lock       status 4, wait for keep-locked 0, status 7
//   norelease  status 4, wait for keep-locked 0, exit without status 7
//   fail       status 5
//   silent     never writes a status
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "errors/file_utilities.h"
#include "taskregistry/mmapfile.h"

namespace {

void storeStatus(char* entry, int32_t status) {
  std::atomic_ref<int32_t>(*reinterpret_cast<int32_t*>(entry + 4)).store(status);
}

char keepLocked(char* entry) { return std::atomic_ref<char>(*entry).load(); }

}  // namespace

int main(int argc, char** argv) {
  std::string file, start, length, index;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "-f") file = argv[i + 1];
    if (opt == "-s") start = argv[i + 1];
    if (opt == "-l") length = argv[i + 1];
    if (opt == "-o") index = argv[i + 1];
  }
  if (file.empty() || index.empty()) return 2;
  {
    qv_file args = openFile(file + ".args", "a", false);
    (void)args.write("-f " + file + " -s " + start + " -l " + length + " -o " + index + "\n");
  }
  std::string mode = qv_platform::readWholeFile(file + ".mode").value_or("lock");
  while (!mode.empty() && (mode.back() == '\n' || mode.back() == ' ')) mode.pop_back();
  if (mode == "silent") return 0;

  qv_memmapfile status;
  int code = 0;
  const uint64_t at = std::strtoull(index.c_str(), nullptr, 10) * 12;
  if (!status.open(file + ".lck", false, code, QV_MMAP_CREATE, 0, 0, false)) return 3;
  char* entry = status.pointer(at, 12);
  if (entry == nullptr) return 4;
  if (mode == "fail") {
    storeStatus(entry, 5);
    return 0;
  }
  storeStatus(entry, 4);
  for (int i = 0; i < 3000 && keepLocked(entry) != 0; ++i) qv_platform::sleepMilliseconds(10);
  if (mode != "norelease") storeStatus(entry, 7);
  return 0;
}
