#pragma once
// The in-memory text of a results file: an ordered list of NUL-terminated
// blocks, each holding whole lines. The file is read in chunks (ahead, on a
// second thread, for a big file) and compacted: each line beginning "Ions1="
// is replaced by a short marker line with the file offset of the line it
// replaces, so the large peak lists stay on disk. Positions are (block,
// offset) pairs; nothing here reads outside a block.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv_results {

/// Zero bytes after each block's terminating NUL, so that a key can be read
/// eight bytes at a time up to the end of its block.
inline constexpr size_t kBlockPadding = 8;

/// The marker that replaces the text after "Ions1=" in memory.
inline constexpr std::string_view kIonsMarker = "Ions1=@#$:";

/// A position in the text. Block -1 means "not found". The end of the text
/// is the terminating NUL of the last block.
struct TextPos {
  int32_t block = -1;
  uint32_t offset = 0;
  bool found() const { return block >= 0; }
  auto operator<=>(const TextPos&) const = default;
};

/// Compares the key of a line (text up to its first "=", LF or NUL; a CR
/// before the "=" is part of the key) with `key`
/// (up to "=" or its end), ASCII letters without regard to case, by byte
/// value; a key that is a prefix of another sorts first.
int compareKeys(const char* line, std::string_view key);
/// The same between two lines.
int compareLineKeys(const char* a, const char* b);
/// A key asked for (up to its first "="), copied with zero padding so that
/// it hashes and compares like the key of a line.
class PaddedKey {
 public:
  explicit PaddedKey(std::string_view key);
  PaddedKey(const PaddedKey&) = delete;
  PaddedKey& operator=(const PaddedKey&) = delete;
  /// False when the key holds LF or NUL: no line has such a key.
  bool usable() const { return usable_; }
  const char* text() const { return text_; }

 private:
  static constexpr size_t kSmall = 56;
  char small_[kSmall + 8];
  std::string large_;
  const char* text_ = small_;
  bool usable_ = false;
};

/// Number of line feeds in [p, p + size).
size_t countLineFeeds(const char* p, size_t size);

/// Hash of a key (letters folded) up to its end; the text must be padded
/// like a block or a PaddedKey. Equal keys give equal hashes.
uint64_t hashKey(const char* text);

/// A one-byte digest of a key's first eight bytes (letters folded), padded
/// like hashKey() asks; equal keys give equal tags.
uint8_t keyTag(const char* text);

/// Length of the key of a line (up to "=", LF or NUL); the text must be
/// padded like a block.
size_t lineKeyLength(const char* line);
/// Bytes before the first CR, LF or NUL; the text must be padded like a block.
size_t lineRestLength(const char* text);

class BlockStore {
 public:
  enum class Status { Ok, OpenFailed, ReadFailed, NoDialect, OutOfMemory };
  struct ReadResult {
    Status status = Status::Ok;
    uint64_t failedSize = 0;  // allocation size for OutOfMemory
  };

  /// Reads the file at `path` in chunks of `chunkSize` bytes (growing by
  /// `chunkSize` while a chunk holds no line feed). `acceptFirstChunk` sees
  /// the first chunk read and may refuse the file (NoDialect). An empty file
  /// succeeds with no blocks.
  [[nodiscard]] ReadResult read(const std::string& path, size_t chunkSize,
                                const std::function<bool(std::string_view)>& acceptFirstChunk);
  /// The same from an open file, read from its start; the file stays open.
  [[nodiscard]] ReadResult read(std::FILE* file, size_t chunkSize,
                                const std::function<bool(std::string_view)>& acceptFirstChunk);

  /// Notes, while reading, where `needle` (which must hold no line feed)
  /// occurs; find() then looks for a needle that begins with it only at
  /// those places. Set before or during read() (from acceptFirstChunk). When
  /// a needle occurs too often it is given up and searches scan the text.
  void watch(std::string needle);

  int32_t count() const { return static_cast<int32_t>(blocks_.size()); }
  const char* data(int32_t b) const { return arena_.data.get() + blocks_[static_cast<size_t>(b)].start; }
  uint32_t length(int32_t b) const { return blocks_[static_cast<size_t>(b)].length; }
  /// All blocks lie in one allocation: a line is addressed by its 32-bit
  /// offset from base(), and lineAt(offsetOf(p)) == p.
  const char* base() const { return arena_.data.get(); }
  const char* lineAt(uint32_t offset) const { return arena_.data.get() + offset; }
  uint32_t offsetOf(TextPos p) const { return blocks_[static_cast<size_t>(p.block)].start + p.offset; }
  /// Sum of the block lengths.
  uint64_t totalLength() const;

  /// First character of the text (the end when there are no blocks).
  TextPos begin() const;
  /// The end of the text (NUL of the last block); not found without blocks.
  TextPos end() const;
  bool atEnd(TextPos p) const;
  /// The character at p (NUL at the end).
  char at(TextPos p) const { return data(p.block)[p.offset]; }
  const char* pointer(TextPos p) const { return data(p.block) + p.offset; }
  /// One character forward / back, crossing block boundaries; next() stays
  /// at the end, prev() stays at the beginning.
  TextPos next(TextPos p) const;
  TextPos prev(TextPos p) const;
  bool atBegin(TextPos p) const { return p.block == 0 && p.offset == 0; }

  /// First occurrence of `needle` at or after `from` (it may span blocks).
  /// The scan looks for needle[anchor] first; by default the needle's
  /// rarest character in results files.
  TextPos find(TextPos from, std::string_view needle, size_t anchor = std::string_view::npos) const;
  /// The first occurrence of each token, all of which begin with `prefix`,
  /// found in one pass over the text, or over the places noted for `prefix`
  /// when it is watched (not found: block -1).
  /// `found(t, position)` is called as each first occurrence is found, in
  /// the order of the text.
  std::vector<TextPos> findEach(std::string_view prefix, const std::vector<std::string>& tokens,
                                const std::function<void(size_t, TextPos)>& found = {}) const;
  /// Number of line feeds from `from` up to (not including) `to`.
  size_t countLineEnds(TextPos from, TextPos to) const;
  /// The position after the next line feed at or after p (the end if none).
  TextPos afterLineEnd(TextPos p) const;

 private:
  struct BlockInfo {
    uint32_t start;  // offset in the arena
    uint32_t length;
    uint32_t lineEnds;  // line feeds in the block
  };
  struct Arena {
    struct Free {
      void operator()(char* p) const;
    };
    std::unique_ptr<char, Free> data;
    uint64_t size = 0;
    uint64_t capacity = 0;
  };
  ReadResult readChunks(std::FILE* file, size_t chunkSize,
                        const std::function<bool(std::string_view)>& acceptFirstChunk);
  bool matchAt(TextPos p, std::string_view needle) const;
  TextPos normalise(TextPos p) const;
  void reserve(uint64_t more);
  void append(const char* text, size_t length);
  void appendWholeLines(const char* text, size_t length);
  void appendLines(const char* text, size_t length, size_t capacity);
  const std::vector<TextPos>* watchedFor(std::string_view needle) const;
  void compact(const char* chunk, size_t length, uint64_t fileOffset, size_t capacity);
  void closePending();

  std::vector<BlockInfo> blocks_;
  Arena arena_;
  uint64_t sizeHint_ = 0;     // the arena's first allocation: the file's size
  size_t pendingLength_ = 0;  // bytes of the open block at the end of the arena
  size_t pendingLineEnds_ = 0;
  std::vector<uint64_t> lineEndsBefore_;  // line feeds in the blocks before block i
  struct Watch {
    std::string needle;
    std::vector<TextPos> positions;  // in the order of the text
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
