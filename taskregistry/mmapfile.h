#pragma once
// A file shared between processes through the memory mapping of the file
// itself: every process that maps the same path sees and changes the same
// bytes. Large files can be mapped through a window that moves on demand,
// and mapped pages can be pinned in memory, by this process or by the
// memory-locking program qv-lockmem.
//
// Implemented in two files: mmapfile.cpp (opening, mapping and the window)
// and mmapfile_lock.cpp (pinning pages and closing).
#include <cstdint>
#include <memory>
#include <string>

namespace qv_platform {
class MappedView;
class MappedFile;
}  // namespace qv_platform

/// Open flags of qv_memmapfile::open.
enum qv_mmap_flag : uint32_t {
  QV_MMAP_CREATE = 0x01,        ///< create the mapping from the file (else open an existing one)
  QV_MMAP_LOCK_PROGRAM = 0x04,  ///< with QV_MMAP_WHOLE_LOCK: pin through qv-lockmem
  QV_MMAP_NO_VIEW = 0x08,       ///< opening an existing mapping: map no view now
  QV_MMAP_WHOLE_LOCK = 0x10,    ///< creating: map the whole file now and pin it
};

/// Puts a chunk size (megabytes) for qv-lockmem into the upper 16 bits of the flags.
constexpr uint32_t qvMmapChunkFlags(uint32_t megabytes) { return (megabytes & 0xffffu) << 16; }

/// Lock states.
enum qv_mmap_lock_state : int {
  QV_MMAP_UNLOCKED = 0,
  QV_MMAP_LOCKED_HERE = 1,
  QV_MMAP_LOCKED_BY_PROGRAM = 2,
};

class qv_memmapfile {
 public:
  qv_memmapfile();
  ~qv_memmapfile();
  qv_memmapfile(const qv_memmapfile&) = delete;
  qv_memmapfile& operator=(const qv_memmapfile&) = delete;

  /// Opens `fileName` (see qv_mmap_flag). `errorCode` receives 0 or the
  /// engine error number of the failure (47, 48, 49 or 50); failures are
  /// reported only when `reportErrors` is set. `lockAmount` is unused here
  /// (kept for callers). `extraWindow` is added to the minimum window of
  /// windowed access. True when no error code was set. The object stays
  /// usable for close() after a failure.
  [[nodiscard]] bool open(const std::string& fileName, bool readOnly, int& errorCode, uint32_t flags = 0, int64_t lockAmount = 0,
                          int64_t extraWindow = 0, bool reportErrors = true);

  /// Address of the byte at `offset` with at least `length` bytes mapped
  /// after it (cut at the end of the file), moving the window when needed;
  /// nullptr on failure or when offset lies outside the file. The address
  /// stays valid until the window moves or the object is closed.
  char* pointer(uint64_t offset, uint64_t length);

  /// Pins bytes offset..offset+length-1 in memory; true on success.
  bool lockRange(uint64_t offset, uint64_t length);

  /// Undoes locks, views and handles; the object can be opened again.
  void close();

  uint64_t getFileSize() const { return fileSize_; }
  uint64_t getWindowStart() const { return windowStart_; }
  uint64_t getWindowSize() const { return windowSize_; }
  bool isWholeFile() const { return wholeFile_; }
  bool isOpen() const { return openResult_; }
  int getLockState() const { return lockState_; }
  const std::string& getFileName() const { return fileName_; }
  /// The mapping's name: the file name with every backslash turned into "~".
  std::string getMappingName() const;
  /// Allocation granularity of windows (the system's page size).
  uint64_t getGranularity() const { return granularity_; }

  /// Program started to pin chunks (default: qv-lockmem beside this program).
  void setLockProgram(const std::string& path) { lockProgram_ = path; }
  /// Seconds to wait for qv-lockmem to start, to lock, and to release
  /// (defaults 10, 60 and 10).
  void setLockProgramWaits(int startSeconds, int lockSeconds, int releaseSeconds);

  /// Name of the status file of the memory-locking program for `fileName`.
  static std::string lockStatusFileName(const std::string& fileName);

 private:
  bool lockThroughProgram(uint32_t flags, bool reportErrors);
  void releaseThroughProgram();
  bool mapWindow(uint64_t start, uint64_t size);
  void unmapView();

  uint64_t fileSize_ = 0;
  uint64_t windowStart_ = 0;
  char* viewBase_ = nullptr;
  char* lockedStart_ = nullptr;
  std::string fileName_;
  uint64_t minimumWindow_ = 0;
  uint64_t windowSize_ = 0;
  uint64_t lockedLength_ = 0;
  int lockState_ = QV_MMAP_UNLOCKED;
  bool readOnly_ = true;
  bool wholeFile_ = false;
  bool openResult_ = false;
  std::unique_ptr<qv_platform::MappedFile> file_;
  std::unique_ptr<qv_platform::MappedView> view_;
  uint64_t granularity_ = 0;
  bool reportErrors_ = true;
  std::string lockProgram_;
  int startWait_ = 10;
  int lockWait_ = 60;
  int releaseWait_ = 10;
};
