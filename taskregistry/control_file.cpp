#include "taskregistry/control_file.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace qv_controlfile {

std::optional<qv_jobstatus_effect> effectOfJobStatus(int32_t jobStatus) {
  qv_jobstatus_effect e;
  switch (jobStatus) {
    case 0:
      e.state = 2;  // queued
      return e;
    case 1:
    case 10:
    case 11:
      e.state = 3;  // running
      e.progressFromSlot = true;
      return e;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
      e.state = 4;  // complete
      e.progressComplete = true;
      return e;
    case 8:
    case 9:
      e.state = 5;  // failed: the engine's two failure statuses become -1 and -2
      e.setsError = true;
      e.errorNumber = jobStatus == 8 ? -1 : -2;
      return e;
    default:
      // A status from a newer engine (above 11) says nothing this program can
      // trust about the task, so the record's own state stands.
      return std::nullopt;
  }
}

bool qv_controlview::fits(uint64_t offset, uint64_t length, uint64_t alignment) const {
  if (base_ == nullptr || offset > size_ || length > size_ - offset) return false;
  return reinterpret_cast<uintptr_t>(base_ + offset) % alignment == 0;
}

uint64_t qv_controlview::blocksToExamine() const { return std::min(size_ / kBlockSize, kMaxBlocks); }

bool qv_controlview::isBlockInUse(uint64_t block) const {
  const uint64_t offset = block * kBlockSize + kBlockInUseOffset;
  if (block >= blocksToExamine() || !fits(offset, 1, 1)) return false;
  return std::atomic_ref<char>(base_[offset]).load(std::memory_order_acquire) != 0;
}

std::optional<uint64_t> qv_controlview::findSlot(int64_t taskId) const {
  const uint64_t blocks = blocksToExamine();
  for (uint64_t b = 0; b < blocks; ++b) {
    if (!isBlockInUse(b)) continue;
    for (uint64_t s = 0; s < kSlotsPerBlock; ++s) {
      const uint64_t slot = slotOffset(b, s);
      if (fits(slot + kTaskIdOffset, 8, 8) && load64(slot + kTaskIdOffset) == taskId) return slot;
    }
  }
  return std::nullopt;
}

template <typename T>
T qv_controlview::loadWord(uint64_t offset) const {
  if (!fits(offset, sizeof(T), sizeof(T))) return 0;
  return std::atomic_ref<T>(*reinterpret_cast<T*>(base_ + offset)).load(std::memory_order_acquire);
}

template <typename T>
bool qv_controlview::storeWord(uint64_t offset, T value) {
  if (!fits(offset, sizeof(T), sizeof(T))) return false;
  std::atomic_ref<T>(*reinterpret_cast<T*>(base_ + offset)).store(value, std::memory_order_release);
  return true;
}

int32_t qv_controlview::load32(uint64_t offset) const { return loadWord<int32_t>(offset); }
bool qv_controlview::store32(uint64_t offset, int32_t value) { return storeWord(offset, value); }
int64_t qv_controlview::load64(uint64_t offset) const { return loadWord<int64_t>(offset); }
bool qv_controlview::store64(uint64_t offset, int64_t value) { return storeWord(offset, value); }

std::string qv_controlview::resultsName(uint64_t slot) const {
  char name[kResultsNameSpace];
  const size_t length = copyResultsName(slot, name);
  return std::string(name, length);
}

size_t qv_controlview::copyResultsName(uint64_t slot, char* out) const {
  const uint64_t offset = slot + kResultsNameOffset;
  if (!fits(offset, kResultsNameSpace, 1)) return 0;
  // One copy out of the shared bytes, then the terminator is looked for in
  // the copy: the engine may be rewriting the name meanwhile.
  std::memcpy(out, base_ + offset, kResultsNameSpace);
  const void* zero = std::memchr(out, '\0', kResultsNameSpace);
  return zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - out) : kResultsNameSpace;
}

bool qv_controlview::setResultsName(uint64_t slot, std::string_view name) {
  const uint64_t offset = slot + kResultsNameOffset;
  if (!fits(offset, kResultsNameSpace, 1)) return false;
  const size_t length = std::min(name.size(), static_cast<size_t>(kResultsNameSpace - 1));
  std::memcpy(base_ + offset, name.data(), length);
  std::memset(base_ + offset + length, 0, kResultsNameSpace - length);
  return true;
}

}  // namespace qv_controlfile
