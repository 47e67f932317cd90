#pragma once
// A regular file opened for reading in large pieces, for the commands that
// copy or rewrite a results file. Opening never blocks and never accepts
// anything but a regular file (after following links): a FIFO or device
// named as a results file would otherwise hang or feed the command for ever.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace qv_platform {

class ReadFile {
 public:
  /// Opens `path` for reading; nullopt when it cannot be opened or is not a
  /// regular file.
  [[nodiscard]] static std::optional<ReadFile> open(const std::string& path);

  ReadFile(ReadFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
  ReadFile& operator=(ReadFile&&) = delete;
  ReadFile(const ReadFile&) = delete;
  ~ReadFile();

  /// Reads up to `size` bytes into `buffer`: the number read, 0 at the end
  /// of the file, -1 after a read error.
  [[nodiscard]] long read(char* buffer, size_t size);

  /// The file's size when it was opened. A read that meets the end of the
  /// file before this many bytes means the file was cut shorter meanwhile.
  uint64_t sizeWhenOpened() const { return size_; }

 private:
  ReadFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int fd_;
  uint64_t size_;
};

/// The same refusal for a reader that wants a stdio stream: `path` opened
/// for reading in binary mode, or nullptr when it cannot be opened or is not
/// a regular file. The caller closes the stream.
[[nodiscard]] std::FILE* openRegularFileStream(const std::string& path);

}  // namespace qv_platform
