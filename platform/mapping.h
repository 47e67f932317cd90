#pragma once
// Memory mapping of files and pinning of pages: the system calls behind
// qv_memmapfile. Error results are system error codes (0 for success).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qv_platform {

/// An existing file opened for mapping (owns its descriptor).
class MappedFile {
 public:
  /// Takes ownership of the open descriptor `fd`.
  MappedFile(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  /// Opens an existing file for reading, or for reading and writing.
  /// nullptr on failure, with the system code in `error`.
  static std::unique_ptr<MappedFile> open(const std::string& path, bool writable, int& error);

  /// Current size of the file, -1 on failure.
  int64_t size() const;
  bool writable() const { return writable_; }
  /// Closes the descriptor; the system code of a failure, else 0.
  int close();

 private:
  friend class MappedView;
  int fd_ = -1;
  bool writable_ = false;
};

/// A shared view of part of a file: changes are seen by every process that
/// maps the same file.
class MappedView {
 public:
  /// Takes ownership of the mapped range (unmapped when destroyed).
  MappedView(void* base, size_t length) : base_(base), length_(length) {}
  ~MappedView();
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  /// Maps `length` bytes from `offset` (a multiple of pageSize()). nullptr
  /// on failure, with the system code in `error`.
  static std::unique_ptr<MappedView> map(const MappedFile& file, uint64_t offset, size_t length, bool writable,
                                         int& error);

  char* base() const { return static_cast<char*>(base_); }
  size_t length() const { return length_; }
  /// Removes the view; the system code of a failure, else 0. After it the
  /// view is gone either way.
  int unmap();

 private:
  void* base_ = nullptr;
  size_t length_ = 0;
};

/// The system's page size (the granularity of views and locks).
size_t pageSize();

/// Pins `length` bytes from `address` in memory; 0 or the system code.
int lockMemory(const void* address, size_t length);
/// Undoes lockMemory; 0 or the system code.
int unlockMemory(const void* address, size_t length);
/// True when a lock failed for lack of quota (raising the limit may help).
bool isLockQuotaError(int code);

/// The process's limits on locked memory, in bytes (UINT64_MAX: unlimited).
struct MemoryLockLimits {
  uint64_t soft = 0;
  uint64_t hard = 0;
};
/// Reads the limits; 0 or the system code.
int getMemoryLockLimits(MemoryLockLimits& limits);
/// Sets the limits; 0 or the system code.
int setMemoryLockLimits(const MemoryLockLimits& limits);

/// Size of the file at `path`; -1 when it has no status (code in `error`).
int64_t fileSizeOf(const std::string& path, int& error);

/// Removes a file; 0 or the system code.
int removeFile(const std::string& path);

}  // namespace qv_platform
