#include "results/results_blocks.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "platform/memory_advice.h"
#include "results/piece_reader.h"

namespace qv_results {
namespace {

// Text is addressed with 32-bit offsets into the arena.
constexpr uint64_t kMaxChunk = std::numeric_limits<uint32_t>::max() / 2;
constexpr uint64_t kMaxArena = std::numeric_limits<uint32_t>::max();
// Files from this size on are read ahead on a second thread.
constexpr uint64_t kReadAheadBytes = uint64_t{8} << 20;

constexpr std::array<unsigned char, 256> makeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<size_t>(c)] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return t;
}
constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

// A key runs to its line's first "=": a CR before it is part of the key.
inline bool endsLineKey(char c) { return c == '=' || c == '\n' || c == '\0'; }

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighs = 0x8080808080808080ULL;

inline uint64_t load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

}  // namespace

namespace {

// Index (0 to 8) of the first byte of the word that ends a key; 8 when none.
inline unsigned firstKeyEnd(uint64_t w) {
  const auto zeros = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  // Only the lowest flagged byte of each mask is exact, which is all we use.
  const uint64_t m = zeros(w) | zeros(w ^ (kOnes * '=')) | zeros(w ^ (kOnes * '\n'));
  return m == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(m)) / 8;
}

// The word with ASCII lower-case letters made upper case.
inline uint64_t foldWord(uint64_t w) {
  const uint64_t heptets = w & ~kHighs;
  const uint64_t aboveZ = heptets + kOnes * (0x7F - 'z');
  const uint64_t atLeastA = heptets + kOnes * (0x80 - 'a');
  const uint64_t lower = ~w & (atLeastA ^ aboveZ) & kHighs;
  return w - (lower >> 2);
}

// Position of the first place at or after p (up to `last`) where the bytes
// c0 c1 stand, or nullptr. Sixteen places are tested at a time.
const char* findPair(const char* p, const char* last, char c0, char c1) {
  using Bytes = char __attribute__((vector_size(16)));
  Bytes v0, v1;
  for (int k = 0; k < 16; ++k) {
    v0[k] = c0;
    v1[k] = c1;
  }
  // Each step reads p[0..16]: stay 17 bytes inside the text (last + 1 is
  // the place of the second byte of the last pair).
  for (; p + 16 <= last + 1; p += 16) {
    Bytes a, b;
    std::memcpy(&a, p, sizeof a);
    std::memcpy(&b, p + 1, sizeof b);
    const Bytes m = (a == v0) & (b == v1);
    uint64_t halves[2];
    std::memcpy(halves, &m, sizeof halves);
    if ((halves[0] | halves[1]) == 0) continue;
    for (int k = 0; k < 16; ++k) {
      if (m[k] != 0) return p + k;
    }
  }
  for (; p <= last; ++p) {
    if (p[0] == c0 && p[1] == c1) return p;
  }
  return nullptr;
}

// First occurrence of `needle` in text at or after `start`. The scan looks
// for `="` when the needle holds it (MIME tokens: quotes abound in the
// peptide lines and "n" in the query sections, the pair in neither), or else
// memchr's for a single rare character (a bracket, a quote, "o", a colon):
// section tokens and "Ions1" are searched through long runs of peptide
// sequences, numbers and keys. `anchor` forces a single character.
size_t findInText(std::string_view text, size_t start, std::string_view needle,
                  size_t anchor = std::string_view::npos) {
  if (needle.empty() || start > text.size() || text.size() - start < needle.size()) return std::string_view::npos;
  const char* const data = text.data();
  const auto verify = [&](const char* candidate) {
    return candidate[0] == needle.front() && candidate[needle.size() - 1] == needle.back() &&
           std::memcmp(candidate, needle.data(), needle.size()) == 0;
  };
  if (anchor >= needle.size()) {
    for (std::string_view pair : {std::string_view("=\"")}) {
      const size_t at = needle.find(pair);
      if (at == std::string_view::npos) continue;
      const char* p = data + start + at;
      const char* const last = data + text.size() - (needle.size() - at);  // last place of the pair's first byte
      while (p <= last) {
        const char* hit = findPair(p, last, pair[0], pair[1]);
        if (hit == nullptr) return std::string_view::npos;
        if (verify(hit - at)) return static_cast<size_t>(hit - at - data);
        p = hit + 1;
      }
      return std::string_view::npos;
    }
    anchor = 0;
    for (char rare : {'[', '"', 'o', ':'}) {
      const size_t at = needle.find(rare);
      if (at != std::string_view::npos) {
        anchor = at;
        break;
      }
    }
  }
  const char* p = data + start + anchor;
  const char* const last = data + text.size() - (needle.size() - anchor);  // the last place the anchor can be
  while (p <= last) {
    const void* hit = std::memchr(p, needle[anchor], static_cast<size_t>(last - p) + 1);
    if (hit == nullptr) break;
    const char* candidate = static_cast<const char*>(hit) - anchor;
    if (verify(candidate)) return static_cast<size_t>(candidate - data);
    p = static_cast<const char*>(hit) + 1;
  }
  return std::string_view::npos;
}

}  // namespace

size_t countLineFeeds(const char* p, size_t size) {
  const char* const e = p + size;
  size_t n = 0;
  // Sixteen bytes at a time: each compare gives all ones (255) in the bytes
  // holding a line feed; subtracting that adds one to unsigned byte lanes,
  // which are emptied before they could wrap.
  using Bytes = unsigned char __attribute__((vector_size(16)));
  const Bytes lf = {'\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n'};
  while (p + 16 <= e) {
    Bytes lanes = {};
    for (int k = 0; k < 255 && p + 16 <= e; ++k, p += 16) {
      Bytes x;
      std::memcpy(&x, p, sizeof x);
      lanes -= reinterpret_cast<Bytes>(x == lf);
    }
    for (int k = 0; k < 16; ++k) n += static_cast<unsigned char>(lanes[k]);
  }
  for (; p < e; ++p) n += *p == '\n';
  return n;
}

// Compares eight bytes at a time: both keys are read up to eight bytes past
// their ends, which every block allows with its kBlockPadding zero bytes.
int compareLineKeys(const char* a, const char* b) {
  for (size_t i = 0;; i += 8) {
    const uint64_t wa = load8(a + i);
    const uint64_t wb = load8(b + i);
    const unsigned ea = firstKeyEnd(wa);
    const unsigned eb = firstKeyEnd(wb);
    const uint64_t diff = foldWord(wa) ^ foldWord(wb);
    const unsigned d = diff == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(diff)) / 8;
    const unsigned e = ea < eb ? ea : eb;
    if (e < 8 && e <= d) return ea == eb ? 0 : (ea < eb ? -1 : 1);
    if (d < 8) {
      const unsigned char ca = kFold[static_cast<unsigned char>(a[i + d])];
      const unsigned char cb = kFold[static_cast<unsigned char>(b[i + d])];
      return ca < cb ? -1 : 1;
    }
  }
}

int compareKeys(const char* line, std::string_view key) {
  size_t i = 0;
  for (;; ++i) {
    const char a = line[i];
    const bool aEnd = endsLineKey(a);
    const bool bEnd = i >= key.size() || key[i] == '=';
    if (aEnd || bEnd) return aEnd == bEnd ? 0 : (aEnd ? -1 : 1);
    const unsigned char fa = kFold[static_cast<unsigned char>(a)];
    const unsigned char fb = kFold[static_cast<unsigned char>(key[i])];
    if (fa != fb) return fa < fb ? -1 : 1;
  }
}

PaddedKey::PaddedKey(std::string_view key) {
  size_t length = 0;
  while (length < key.size() && key[length] != '=') {
    const char c = key[length];
    if (c == '\n' || c == '\0') return;  // no line has such a key
    ++length;
  }
  if (length <= kSmall) {
    std::memcpy(small_, key.data(), length);
    std::memset(small_ + length, 0, 8);
  } else {
    large_.assign(key.substr(0, length));
    large_.append(8, '\0');
    text_ = large_.c_str();
  }
  usable_ = true;
}

// Words up to and including the one that holds the key's end, the bytes
// from the end on cleared, mixed into 64 bits. The hash stops early at "="
// or at any byte below 0x0E (which takes in the CR, LF and NUL that end a
// key), and merges letter case by setting bit 0x20 of every byte: both only
// make more keys share a hash, never give equal keys different ones.
uint64_t hashKey(const char* text) {
  uint64_t h = 0x243F6A8885A308D3ULL;
  for (size_t i = 0;; i += 8) {
    uint64_t w = load8(text + i);
    const uint64_t eq = w ^ (kOnes * '=');
    const uint64_t stops = ((eq - kOnes) & ~eq & kHighs) | ((w - kOnes * 0x0E) & ~w & kHighs);
    const unsigned e = stops == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(stops)) / 8;
    if (e < 8) w &= e == 0 ? 0 : (~uint64_t{0} >> (64 - 8 * e));
    h = (h ^ (w | (kOnes * 0x20))) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 29;
    if (e < 8) return h ^ (h >> 32);
  }
}

uint8_t keyTag(const char* text) {
  uint64_t w = load8(text);
  const uint64_t eq = w ^ (kOnes * '=');
  const uint64_t stops = ((eq - kOnes) & ~eq & kHighs) | ((w - kOnes * 0x0E) & ~w & kHighs);
  const unsigned e = stops == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(stops)) / 8;
  if (e < 8) w &= e == 0 ? 0 : (~uint64_t{0} >> (64 - 8 * e));
  return static_cast<uint8_t>(((w | (kOnes * 0x20)) * 0x9E3779B97F4A7C15ULL) >> 56);
}

size_t lineKeyLength(const char* line) {
  for (size_t i = 0;; i += 8) {
    const unsigned e = firstKeyEnd(load8(line + i));
    if (e < 8) return i + e;
  }
}

size_t lineRestLength(const char* text) {
  const auto zeros = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  for (size_t i = 0;; i += 8) {
    const uint64_t w = load8(text + i);
    // Only the lowest flagged byte is exact, which is all that is used.
    const uint64_t m = zeros(w) | zeros(w ^ (kOnes * '\r')) | zeros(w ^ (kOnes * '\n'));
    if (m != 0) return i + static_cast<unsigned>(__builtin_ctzll(m)) / 8;
  }
}

uint64_t BlockStore::totalLength() const {
  uint64_t total = 0;
  for (const BlockInfo& b : blocks_) total += b.length;
  return total;
}

void BlockStore::Arena::Free::operator()(char* p) const { std::free(p); }

// Makes room for `more` bytes at the end of the arena. Growth goes through
// realloc, which moves a large allocation by remapping its pages rather than
// copying them, and pages never written are never resident.
void BlockStore::reserve(uint64_t more) {
  const uint64_t needed = arena_.size + more;
  if (needed > kMaxArena) throw std::bad_alloc();
  if (needed <= arena_.capacity) return;
  uint64_t capacity = std::max<uint64_t>({needed, arena_.capacity * 2, uint64_t{1} << 22});
  char* grown = nullptr;
  if (arena_.capacity == 0 && sizeHint_ > capacity) {
    // The kept text rarely outgrows the file: address space for all of it
    // up front spares the moves, and only the pages written become resident.
    // Should that much address space be refused, the arena grows as usual.
    grown = static_cast<char*>(std::malloc(std::min(sizeHint_, kMaxArena)));
    if (grown != nullptr) capacity = std::min(sizeHint_, kMaxArena);
  }
  capacity = std::min<uint64_t>(capacity, kMaxArena);
  if (grown == nullptr) grown = static_cast<char*>(std::realloc(arena_.data.get(), capacity));
  if (grown == nullptr) throw std::bad_alloc();
  // Written front to back: large pages save most of the page faults.
  qv_platform::adviseLargePages(grown, capacity);
  (void)arena_.data.release();
  arena_.data.reset(grown);
  arena_.capacity = capacity;
}

// Appends text to the open block.
void BlockStore::append(const char* text, size_t length) {
  reserve(length + 1 + kBlockPadding);
  std::memcpy(arena_.data.get() + arena_.size, text, length);
  arena_.size += length;
  pendingLength_ += length;
}

// Ends the open block with its NUL and padding.
void BlockStore::closePending() {
  if (pendingLength_ == 0) return;
  reserve(1 + kBlockPadding);
  std::memset(arena_.data.get() + arena_.size, 0, 1 + kBlockPadding);
  blocks_.push_back({static_cast<uint32_t>(arena_.size - pendingLength_), static_cast<uint32_t>(pendingLength_),
                     static_cast<uint32_t>(pendingLineEnds_)});
  arena_.size += 1 + kBlockPadding;
  pendingLength_ = 0;
  pendingLineEnds_ = 0;
}

// Appends lines to the open block, counting their line ends and noting where
// the watched needles occur in them while they are in the cache. A needle
// holds no line feed, so none of its occurrences spans two such calls.
void BlockStore::appendWholeLines(const char* text, size_t length) {
  const auto block = static_cast<int32_t>(blocks_.size());  // the open block's number once closed
  const auto offset = static_cast<uint32_t>(pendingLength_);
  append(text, length);
  pendingLineEnds_ += countLineFeeds(text, length);
  for (Watch& w : watches_) {
    if (w.gaveUp) continue;
    const std::string_view piece(text, length);
    for (size_t at = findInText(piece, 0, w.needle); at != std::string_view::npos;
         at = findInText(piece, at + 1, w.needle)) {
      if (w.positions.size() >= watchLimit_) {
        // Too many to be worth keeping: searches go through the text.
        w.gaveUp = true;
        w.positions = {};
        break;
      }
      w.positions.push_back({block, offset + static_cast<uint32_t>(at)});
    }
  }
}

// Appends whole lines to the open block, closing it whenever the next lines
// would take it past `capacity` bytes; a line longer than that gets a block
// of its own.
void BlockStore::appendLines(const char* text, size_t length, size_t capacity) {
  while (length > 0) {
    if (pendingLength_ + length + 1 <= capacity) {
      appendWholeLines(text, length);
      return;
    }
    const size_t room = capacity > pendingLength_ + 1 ? capacity - pendingLength_ - 1 : 0;
    const size_t lastLf =
        room == 0 ? std::string_view::npos : std::string_view(text, std::min(room, length)).rfind('\n');
    size_t take;
    if (lastLf != std::string_view::npos) {
      take = lastLf + 1;
    } else if (pendingLength_ > 0) {
      closePending();
      continue;
    } else {
      const void* lf = std::memchr(text, '\n', length);
      take = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - text) + 1 : length;
    }
    appendWholeLines(text, take);
    closePending();
    text += take;
    length -= take;
  }
}

// Copies a chunk of whole lines into the blocks, replacing each line that
// begins with "Ions1=" by a marker holding the line's file offset. The text
// between two such lines is found by one search for the next and copied at
// once; only the peak lists themselves are searched for their ends.
void BlockStore::compact(const char* chunk, size_t length, uint64_t fileOffset, size_t capacity) {
  constexpr std::string_view kIons = "Ions1=";
  const std::string_view text(chunk, length);
  char marker[64];
  size_t pos = 0;
  while (pos < length) {
    size_t ions = pos;
    for (;;) {
      ions = findInText(text, ions, kIons);
      if (ions == std::string_view::npos || ions == 0 || chunk[ions - 1] == '\n') break;
      ++ions;  // not at the start of a line
    }
    const size_t stretchEnd = ions == std::string_view::npos ? length : ions;
    appendLines(chunk + pos, stretchEnd - pos, capacity);
    if (stretchEnd == length) break;
    const void* lf = std::memchr(chunk + ions, '\n', length - ions);
    const size_t lineEnd = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - chunk) + 1 : length;
    std::memcpy(marker, kIonsMarker.data(), kIonsMarker.size());
    auto r = std::to_chars(marker + kIonsMarker.size(), marker + sizeof(marker) - 1, fileOffset + ions);
    *r.ptr = '\n';
    const size_t markerLength = static_cast<size_t>(r.ptr - marker) + 1;
    if (pendingLength_ + markerLength + 1 > capacity) closePending();
    append(marker, markerLength);
    ++pendingLineEnds_;
    pos = lineEnd;
  }
}

BlockStore::ReadResult BlockStore::read(const std::string& path, size_t chunkSize,
                                        const std::function<bool(std::string_view)>& acceptFirstChunk) {
  FileReader file;
  if (!file.open(path)) return read(nullptr, chunkSize, acceptFirstChunk);
  return read(file.file(), chunkSize, acceptFirstChunk);
}

BlockStore::ReadResult BlockStore::read(std::FILE* file, size_t chunkSize,
                                        const std::function<bool(std::string_view)>& acceptFirstChunk) {
  const ReadResult result = readChunks(file, chunkSize, acceptFirstChunk);
  if (result.status != Status::Ok) {
    // A failed read leaves no text at all (and nothing noted in it).
    for (Watch& w : watches_) w.positions = {};
    blocks_.clear();
    arena_ = Arena{};
    lineEndsBefore_.assign(1, 0);
  }
  return result;
}

BlockStore::ReadResult BlockStore::readChunks(std::FILE* file, size_t chunkSize,
                                              const std::function<bool(std::string_view)>& acceptFirstChunk) {
  blocks_.clear();
  arena_ = Arena{};
  pendingLength_ = 0;
  pendingLineEnds_ = 0;
  lineEndsBefore_.assign(1, 0);
  if (file == nullptr) return {Status::OpenFailed, 0};
  // The file's size, a hint only: reading goes on to its end, whatever it is.
  const bool sizeError = std::fseek(file, 0, SEEK_END) != 0;
  const long endOffset = sizeError ? 0 : std::ftell(file);
  if (std::fseek(file, 0, SEEK_SET) != 0) return {Status::ReadFailed, 0};
  const uint64_t fileSize = endOffset > 0 ? static_cast<uint64_t>(endOffset) : 0;
  // The kept text rarely outgrows the file, but every block adds its NUL and
  // padding: a block holds at least half a chunk unless a long line or a
  // marker closes it early, so twice the chunk count covers the common case.
  const uint64_t blocksHint = 2 * (static_cast<uint64_t>(fileSize) / std::max<size_t>(chunkSize, 1) + 1);
  sizeHint_ = sizeError ? 0 : static_cast<uint64_t>(fileSize) + blocksHint * (1 + kBlockPadding);
  // At most about one watched position for every 256 bytes of the file.
  watchLimit_ = static_cast<size_t>(sizeHint_ / 256) + 4096;
  for (Watch& w : watches_) {
    w.positions.clear();
    w.gaveUp = false;
  }
  const size_t step = std::max<size_t>(chunkSize, 1);
  // The end of a chunk after its last line feed is carried to the front of
  // the next one: within the reader's room before the piece when it fits,
  // else (a line longer than that room) in `carry`, which then takes the
  // pieces that follow until the line ends.
  constexpr size_t kCarryRoom = size_t{64} << 10;
  std::string carry;
  uint64_t fileOffset = 0;  // file offset of the chunk's first byte
  size_t chunk = step;      // at least the bytes of one chunk, more for a longer line
  try {
    PieceReader reader(file, step, kCarryRoom, fileSize >= kReadAheadBytes);
    bool first = true;
    for (;;) {
      const PieceReader::Piece piece = reader.next();
      if (piece.failed) return {Status::ReadFailed, 0};
      char* text;
      size_t have;
      if (carry.size() <= kCarryRoom) {
        text = piece.data - carry.size();
        std::memcpy(text, carry.data(), carry.size());
        have = carry.size() + piece.size;
      } else {
        if (carry.size() + piece.size > kMaxChunk) return {Status::OutOfMemory, carry.size() + piece.size + 1};
        carry.append(piece.data, piece.size);
        text = carry.data();
        have = carry.size();
      }
      if (have == 0) break;
      if (first) {
        first = false;
        if (!acceptFirstChunk(std::string_view(text, have))) return {Status::NoDialect, 0};
      }
      size_t keep = have;
      if (!piece.last) {
        const size_t lastLf = std::string_view(text, have).rfind('\n');
        if (lastLf == std::string_view::npos) {
          // No line end yet: all of it is carried, and the chunk grows.
          if (text != carry.data()) carry.assign(text, have);
          if (have > chunk) chunk = have;
          continue;
        }
        keep = lastLf + 1;
      }
      compact(text, keep, fileOffset, std::max(chunk, keep) + 1);
      if (text == carry.data()) {
        carry.erase(0, keep);
      } else {
        carry.assign(text + keep, have - keep);
      }
      fileOffset += keep;
      if (piece.last) break;
    }
    closePending();
    lineEndsBefore_.assign(1, 0);
    for (const BlockInfo& b : blocks_) lineEndsBefore_.push_back(lineEndsBefore_.back() + b.lineEnds);
  } catch (const std::bad_alloc&) {
    return {Status::OutOfMemory, std::max<uint64_t>(arena_.size, carry.size() + step + 1)};
  }
  return {};
}

TextPos BlockStore::begin() const { return blocks_.empty() ? TextPos{} : TextPos{0, 0}; }

TextPos BlockStore::end() const {
  if (blocks_.empty()) return {};
  return {count() - 1, blocks_.back().length};
}

bool BlockStore::atEnd(TextPos p) const { return p.found() && p == end(); }

TextPos BlockStore::normalise(TextPos p) const {
  while (p.found() && p.offset >= length(p.block) && p.block + 1 < count()) p = {p.block + 1, 0};
  return p;
}

TextPos BlockStore::next(TextPos p) const {
  if (!p.found() || atEnd(p)) return p;
  return normalise({p.block, p.offset + 1});
}

TextPos BlockStore::prev(TextPos p) const {
  if (!p.found() || atBegin(p)) return p;
  if (p.offset > 0) return {p.block, p.offset - 1};
  int32_t b = p.block - 1;
  while (b > 0 && length(b) == 0) --b;
  return {b, length(b) - 1};
}

bool BlockStore::matchAt(TextPos p, std::string_view needle) const {
  if (p.found() && p.offset + needle.size() <= length(p.block)) {
    return std::memcmp(data(p.block) + p.offset, needle.data(), needle.size()) == 0;
  }
  for (char c : needle) {
    if (!p.found() || atEnd(p) || at(p) != c) return false;
    p = next(p);
  }
  return true;
}

void BlockStore::watch(std::string needle) {
  if (needle.empty() || needle.find('\n') != std::string::npos) return;
  watches_.push_back({std::move(needle), {}, false});
}

const std::vector<TextPos>* BlockStore::watchedFor(std::string_view needle) const {
  for (const Watch& w : watches_) {
    if (!w.gaveUp && needle.starts_with(w.needle)) return &w.positions;
  }
  return nullptr;
}

TextPos BlockStore::find(TextPos from, std::string_view needle, size_t anchor) const {
  if (!from.found() || needle.empty()) return {};
  from = normalise(from);
  if (const std::vector<TextPos>* watched = watchedFor(needle)) {
    // Every occurrence of the needle begins with an occurrence of the
    // watched one: only those need a look.
    for (auto it = std::lower_bound(watched->begin(), watched->end(), from); it != watched->end(); ++it) {
      if (matchAt(*it, needle)) return *it;
    }
    return {};
  }
  if (needle.size() > 1 && needle.front() == '\n') {
    if (const std::vector<TextPos>* watched = watchedFor(needle.substr(1))) {
      // A line feed and then a watched needle: the places where it was seen
      // that follow a line feed (which may end the block before).
      for (auto it = std::upper_bound(watched->begin(), watched->end(), from); it != watched->end(); ++it) {
        const TextPos lf = prev(*it);
        if (lf != *it && at(lf) == '\n' && !(lf < from) && matchAt(lf, needle)) return lf;
      }
      return {};
    }
  }
  for (int32_t b = from.block; b < count(); ++b) {
    const std::string_view text(data(b), length(b));
    const size_t start = b == from.block ? from.offset : 0;
    if (start < text.size()) {
      const size_t hit = findInText(text, start, needle, anchor);
      if (hit != std::string_view::npos) return {b, static_cast<uint32_t>(hit)};
    }
    if (b + 1 < count()) {
      // Occurrences that begin near the end of this block and continue in the next.
      const size_t tail = std::max(start, text.size() >= needle.size() ? text.size() - needle.size() + 1 : 0);
      for (size_t s = tail; s < text.size(); ++s) {
        if (matchAt({b, static_cast<uint32_t>(s)}, needle)) return {b, static_cast<uint32_t>(s)};
      }
    }
  }
  return {};
}

std::vector<TextPos> BlockStore::findEach(std::string_view prefix, const std::vector<std::string>& tokens,
                                          const std::function<void(size_t, TextPos)>& onFound) const {
  std::vector<TextPos> found(tokens.size());
  size_t pending = tokens.size();
  const auto check = [&](TextPos p) {
    for (size_t t = 0; t < tokens.size(); ++t) {
      if (!found[t].found() && matchAt(p, tokens[t])) {
        found[t] = p;
        --pending;
        if (onFound) onFound(t, p);
      }
    }
  };
  if (const std::vector<TextPos>* watched = watchedFor(prefix)) {
    for (auto it = watched->begin(); it != watched->end() && pending > 0; ++it) {
      if (matchAt(*it, prefix)) check(*it);
    }
    return found;
  }
  for (TextPos p = find(begin(), prefix); p.found() && pending > 0; p = find(next(p), prefix)) {
    check(p);
    if (atEnd(p)) break;
  }
  return found;
}

size_t BlockStore::countLineEnds(TextPos from, TextPos to) const {
  if (!from.found() || !to.found() || !(from < to)) return 0;
  if (from.block == to.block) return countLineFeeds(data(from.block) + from.offset, to.offset - from.offset);
  // The blocks in between are counted from the totals kept while reading.
  size_t n = countLineFeeds(data(from.block) + from.offset, length(from.block) - from.offset);
  n += static_cast<size_t>(lineEndsBefore_[static_cast<size_t>(to.block)] -
                           lineEndsBefore_[static_cast<size_t>(from.block) + 1]);
  if (to.block < count()) n += countLineFeeds(data(to.block), std::min(to.offset, length(to.block)));
  return n;
}

TextPos BlockStore::afterLineEnd(TextPos p) const {
  if (!p.found()) return p;
  p = normalise(p);
  for (int32_t b = p.block; b < count(); ++b) {
    const size_t start = b == p.block ? p.offset : 0;
    if (start < length(b)) {
      const void* lf = std::memchr(data(b) + start, '\n', length(b) - start);
      if (lf != nullptr) {
        const auto off = static_cast<uint32_t>(static_cast<const char*>(lf) - data(b));
        return normalise({b, off + 1});
      }
    }
  }
  return end();
}

bool FileReader::open(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "rb"));
  return file_ != nullptr;
}

bool FileReader::readLine(uint64_t offset, std::string& line, size_t limit) {
  line.clear();
  if (!file_) return false;
  if (offset > static_cast<uint64_t>(std::numeric_limits<long>::max()) ||
      std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0) {
    return false;
  }
  char piece[4096];
  bool any = false;
  for (;;) {
    size_t want = sizeof(piece);
    if (limit > 0) want = std::min(want, limit - line.size());
    if (want == 0) break;
    const size_t got = std::fread(piece, 1, want, file_.get());
    if (got == 0) {
      std::clearerr(file_.get());
      return any;
    }
    any = true;
    const void* lf = std::memchr(piece, '\n', got);
    if (lf != nullptr) {
      line.append(piece, static_cast<size_t>(static_cast<const char*>(lf) - piece));
      break;
    }
    line.append(piece, got);
  }
  return true;
}

}  // namespace qv_results
