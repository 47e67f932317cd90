#pragma once
// The in-memory text of a results file: one contiguous run of whole lines,
// addressed by plain 32-bit offsets and followed by a NUL and kTextPadding
// zero bytes. The file is read in chunks (ahead, on a second thread, for a
// big file) and compacted on the way in: each line beginning "Ions1=" is
// replaced by a short marker line with the file offset of the line it
// replaces, so the large peak lists stay on disk. The text kept is limited
// to 4 GiB; nothing here reads outside it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "results/line_keys.h"

namespace qv_results {

/// The marker that replaces the text after "Ions1=" in memory.
inline constexpr std::string_view kIonsMarker = "Ions1=@#$:";

/// An offset that is no place in the text ("not found").
inline constexpr uint32_t kNoPos = 0xFFFFFFFF;

/// Number of line feeds in [p, p + size), sixteen bytes at a time.
size_t countLineFeeds(const char* p, size_t size);
/// The same, a byte at a time: the plain version the tests hold countLineFeeds to.
size_t countLineFeedsPlain(const char* p, size_t size);

class ResultsText {
 public:
  enum class Status { Ok, OpenFailed, ReadFailed, NoDialect, OutOfMemory };
  struct ReadResult {
    Status status = Status::Ok;
    uint64_t failedSize = 0;  // allocation size for OutOfMemory
  };

  /// Reads `file` from its start in chunks of `chunkSize` bytes (growing by
  /// `chunkSize` while a chunk holds no line feed); the file stays open.
  /// `acceptFirstChunk` sees the first chunk read and may refuse the file
  /// (NoDialect). A null file gives OpenFailed; an empty file succeeds with
  /// no text. A failed read leaves no text.
  [[nodiscard]] ReadResult read(std::FILE* file, size_t chunkSize,
                                const std::function<bool(std::string_view)>& acceptFirstChunk);
  /// The same for the file at `path`, opened for the read only.
  [[nodiscard]] ReadResult read(const std::string& path, size_t chunkSize,
                                const std::function<bool(std::string_view)>& acceptFirstChunk);

  /// Notes, while reading, where `needle` (which must hold no line feed)
  /// occurs; find() then looks for a needle that begins with it only at
  /// those places. Set before or during read() (from acceptFirstChunk). When
  /// a needle occurs too often it is given up and searches scan the text.
  void watch(std::string needle);

  /// The text, followed by a NUL and kTextPadding zero bytes (also when it is empty).
  const char* data() const { return text_ ? text_.get() : kEmpty; }
  uint32_t size() const { return static_cast<uint32_t>(size_); }
  std::string_view view() const { return {data(), size_}; }

  /// First occurrence of `needle` at or after `from`, or kNoPos. The scan
  /// looks for needle[anchor] first; by default the needle's rarest
  /// character in results files.
  uint32_t find(uint32_t from, std::string_view needle, size_t anchor = std::string_view::npos) const;
  /// The first occurrence of each token, all of which begin with `prefix`,
  /// found in one pass over the text, or over the places noted for `prefix`
  /// when it is watched (kNoPos when not found). `found(t, offset)` is
  /// called as each first occurrence is found, in the order of the text.
  std::vector<uint32_t> findEach(std::string_view prefix, const std::vector<std::string>& tokens,
                                 const std::function<void(size_t, uint32_t)>& found = {}) const;
  /// The offset after the next line feed at or after `p` (the end if none).
  uint32_t afterLineEnd(uint32_t p) const;

 private:
  struct Free {
    void operator()(char* p) const;
  };
  static const char kEmpty[1 + kTextPadding];
  ReadResult readChunks(std::FILE* file, size_t chunkSize,
                        const std::function<bool(std::string_view)>& acceptFirstChunk);
  bool matchAt(uint32_t p, std::string_view needle) const;
  void reserve(uint64_t more);
  void appendLines(const char* text, size_t length);
  void appendMarker(uint64_t fileOffset);
  void compact(const char* chunk, size_t length, uint64_t fileOffset);
  const std::vector<uint32_t>* watchedFor(std::string_view needle) const;

  std::unique_ptr<char, Free> text_;
  uint64_t size_ = 0;
  uint64_t capacity_ = 0;
  uint64_t sizeHint_ = 0;  // the first allocation: the file's size
  struct Watch {
    std::string needle;
    std::vector<uint32_t> positions;  // in the order of the text
    bool gaveUp;
  };
  std::vector<Watch> watches_;
  size_t watchLimit_ = 0;
};

/// Reads single lines of the results file by offset. The file is opened
/// once and held: lines are read from the file that was opened, even when
/// another one has taken its name since.
class FileReader {
 public:
  /// Opens `path` for reading; false when it cannot be opened.
  [[nodiscard]] bool open(const std::string& path);
  /// The open file (nullptr before a successful open()).
  std::FILE* file() const { return file_.get(); }
  /// Reads the line starting at `offset` (without its line feed). With
  /// `limit` above 0 at most that many bytes are read. False when the file
  /// is not open or the offset lies beyond its end.
  [[nodiscard]] bool readLine(uint64_t offset, std::string& line, size_t limit = 0);

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace qv_results
