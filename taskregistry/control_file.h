#pragma once
// The search engine's control file: an array of 47728-byte blocks, each with
// an in-use byte and 100 job slots of 448 bytes. The engine writes a job's
// status, progress and results file name into its slot; commands write job
// requests and priorities. Every shared field is a naturally aligned native
// (little-endian) integer, read and written as one word, so neither side
// ever sees half a value. This file holds the offsets and a bounds-checked
// view over the file's bytes (mapped memory, or a plain buffer in tests).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv_controlfile {

inline constexpr uint64_t kBlockSize = 47728;
inline constexpr uint64_t kMaxBlocks = 128;  ///< blocks beyond this are never examined
inline constexpr uint64_t kBlockInUseOffset = 512;
inline constexpr uint64_t kSlotsOffset = 2424;
inline constexpr uint64_t kSlotSize = 448;
inline constexpr uint64_t kSlotsPerBlock = 100;

/// Field offsets inside a slot.
inline constexpr uint64_t kResultsNameOffset = 238;  ///< zero-terminated text
inline constexpr uint64_t kResultsNameSpace = 110;   ///< bytes up to the job status
inline constexpr uint64_t kJobStatusOffset = 348;
inline constexpr uint64_t kPriorityOffset = 352;  ///< nice value n stored as -n
inline constexpr uint64_t kProgressOffset = 392;
inline constexpr uint64_t kRequestOffset = 396;
inline constexpr uint64_t kTaskIdOffset = 424;  ///< 8 bytes

/// Job requests (kRequestOffset).
enum qv_job_request : int32_t {
  JOB_REQUEST_RUN = 0,  ///< run, or resume a paused job
  JOB_REQUEST_KILL = 1,
  JOB_REQUEST_PAUSE = 2,
};

/// Byte offset of a slot in the file.
constexpr uint64_t slotOffset(uint64_t block, uint64_t slot) {
  return block * kBlockSize + kSlotsOffset + slot * kSlotSize;
}

/// True when a file of `size` bytes is a whole number of blocks.
constexpr bool isWholeBlocks(uint64_t size) { return size % kBlockSize == 0; }

/// What a job status means for the task's record: the state, and whether the
/// progress and the error number change with it.
struct qv_jobstatus_effect {
  int32_t state = 0;
  bool progressFromSlot = false;  ///< progress = the slot's progress
  bool progressComplete = false;  ///< progress = 100
  bool setsError = false;
  int32_t errorNumber = 0;
};

/// The state that a job status stands for; nullopt for a status this
/// program does not know (above 11 or negative), which leaves the task's
/// state as it was.
std::optional<qv_jobstatus_effect> effectOfJobStatus(int32_t jobStatus);

/// Word-sized access to a control file's bytes, checked against its size.
/// Does not own the bytes; they must stay mapped while the view is used.
class qv_controlview {
 public:
  qv_controlview(char* base, uint64_t size) : base_(base), size_(size) {}

  uint64_t size() const { return size_; }
  /// Blocks that are examined: the whole blocks, at most kMaxBlocks.
  uint64_t blocksToExamine() const;
  bool isBlockInUse(uint64_t block) const;

  /// Offset of the first slot, in the blocks in use and in slot order,
  /// whose 8-byte task identifier equals `taskId` bit for bit.
  std::optional<uint64_t> findSlot(int64_t taskId) const;

  int32_t load32(uint64_t offset) const;
  /// One aligned 32-bit store (false when out of bounds or misaligned).
  bool store32(uint64_t offset, int32_t value);
  int64_t load64(uint64_t offset) const;
  bool store64(uint64_t offset, int64_t value);

  /// The slot's results file name: its bytes up to the first zero, never
  /// beyond the name's space.
  std::string resultsName(uint64_t slot) const;
  /// The same name copied into `out` (kResultsNameSpace bytes), without
  /// allocating; its length (0 when the slot is out of bounds).
  size_t copyResultsName(uint64_t slot, char* out) const;
  /// Writes the slot's results file name, cut to fit, zero-terminated (the
  /// engine's side; the name is not a word and is written bytewise).
  bool setResultsName(uint64_t slot, std::string_view name);

 private:
  bool fits(uint64_t offset, uint64_t length, uint64_t alignment) const;
  // One aligned word of type T, read or written atomically; 0 or false when
  // out of bounds or misaligned.
  template <typename T>
  T loadWord(uint64_t offset) const;
  template <typename T>
  bool storeWord(uint64_t offset, T value);
  char* base_;
  uint64_t size_;
};

}  // namespace qv_controlfile
