#include "results/results_text.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "platform/memory_advice.h"
#include "platform/read_file.h"
#include "results/pair_search.h"
#include "results/piece_reader.h"

namespace qv_results {
namespace {

using detail::findPair;

// The text is addressed with 32-bit offsets, kNoPos excluded.
constexpr uint64_t kMaxText = kNoPos - 1;
// A line longer than this is not read.
constexpr uint64_t kMaxChunk = kMaxText / 2;
// Files from this size on are read ahead on a second thread.
constexpr uint64_t kReadAheadBytes = uint64_t{8} << 20;

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

size_t countLineFeedsPlain(const char* p, size_t size) {
  size_t n = 0;
  for (size_t i = 0; i < size; ++i) n += p[i] == '\n';
  return n;
}

const char ResultsText::kEmpty[1 + kTextPadding] = {};

void ResultsText::Free::operator()(char* p) const { std::free(p); }

// Makes room for `more` bytes and the NUL and padding after them. Growth
// goes through realloc, which moves a large allocation by remapping its
// pages rather than copying them, and pages never written are never resident.
void ResultsText::reserve(uint64_t more) {
  const uint64_t needed = size_ + more + 1 + kTextPadding;
  if (size_ + more > kMaxText) throw std::bad_alloc();
  if (needed <= capacity_) return;
  uint64_t capacity = std::max<uint64_t>({needed, capacity_ * 2, uint64_t{1} << 22});
  char* grown = nullptr;
  if (capacity_ == 0 && sizeHint_ > capacity) {
    // The kept text rarely outgrows the file: address space for all of it
    // up front spares the moves, and only the pages written become resident.
    // Should that much address space be refused, the text grows as usual.
    const uint64_t hint = std::min(sizeHint_, kMaxText + 1 + kTextPadding);
    grown = static_cast<char*>(std::malloc(hint));
    if (grown != nullptr) capacity = hint;
  }
  capacity = std::min<uint64_t>(capacity, kMaxText + 1 + kTextPadding);
  if (grown == nullptr) grown = static_cast<char*>(std::realloc(text_.get(), capacity));
  if (grown == nullptr) throw std::bad_alloc();
  // Written front to back: large pages save most of the page faults.
  qv_platform::adviseLargePages(grown, capacity);
  (void)text_.release();
  text_.reset(grown);
  capacity_ = capacity;
}

// Appends whole lines, noting where the watched needles occur in them while
// they are in the cache. A needle holds no line feed, so none of its
// occurrences spans two such calls.
void ResultsText::appendLines(const char* text, size_t length) {
  reserve(length);
  const auto offset = static_cast<uint32_t>(size_);
  std::memcpy(text_.get() + size_, text, length);
  size_ += length;
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
      w.positions.push_back(offset + static_cast<uint32_t>(at));
    }
  }
}

// The marker line that stands for the "Ions1=" line at `fileOffset`.
void ResultsText::appendMarker(uint64_t fileOffset) {
  char marker[64];
  std::memcpy(marker, kIonsMarker.data(), kIonsMarker.size());
  auto r = std::to_chars(marker + kIonsMarker.size(), marker + sizeof(marker) - 1, fileOffset);
  *r.ptr = '\n';
  const size_t length = static_cast<size_t>(r.ptr - marker) + 1;
  reserve(length);
  std::memcpy(text_.get() + size_, marker, length);
  size_ += length;
}

// Copies a chunk of whole lines into the text, replacing each line that
// begins with "Ions1=" by a marker holding the line's file offset. The text
// between two such lines is found by one search for the next and copied at
// once; only the peak lists themselves are searched for their ends.
void ResultsText::compact(const char* chunk, size_t length, uint64_t fileOffset) {
  constexpr std::string_view kIons = "Ions1=";
  const std::string_view text(chunk, length);
  size_t pos = 0;
  while (pos < length) {
    size_t ions = pos;
    for (;;) {
      ions = findInText(text, ions, kIons);
      if (ions == std::string_view::npos || ions == 0 || chunk[ions - 1] == '\n') break;
      ++ions;  // not at the start of a line
    }
    const size_t stretchEnd = ions == std::string_view::npos ? length : ions;
    appendLines(chunk + pos, stretchEnd - pos);
    if (stretchEnd == length) break;
    const void* lf = std::memchr(chunk + ions, '\n', length - ions);
    pos = lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - chunk) + 1 : length;
    appendMarker(fileOffset + ions);
  }
}

ResultsText::ReadResult ResultsText::read(const std::string& path, size_t chunkSize,
                                          const std::function<bool(std::string_view)>& acceptFirstChunk) {
  FileReader file;
  return read(file.open(path) ? file.file() : nullptr, chunkSize, acceptFirstChunk);
}

ResultsText::ReadResult ResultsText::read(std::FILE* file, size_t chunkSize,
                                          const std::function<bool(std::string_view)>& acceptFirstChunk) {
  ReadResult result;
  try {
    result = readChunks(file, chunkSize, acceptFirstChunk);
  } catch (const std::bad_alloc&) {
    result = {Status::OutOfMemory, std::max<uint64_t>(size_, chunkSize) + 1};
  }
  if (result.status != Status::Ok) {
    // A failed read leaves no text at all (and nothing noted in it).
    for (Watch& w : watches_) w.positions = {};
    text_.reset();
    size_ = capacity_ = 0;
  } else if (text_) {
    std::memset(text_.get() + size_, 0, 1 + kTextPadding);
  }
  return result;
}

ResultsText::ReadResult ResultsText::readChunks(std::FILE* file, size_t chunkSize,
                                                const std::function<bool(std::string_view)>& acceptFirstChunk) {
  text_.reset();
  size_ = capacity_ = 0;
  if (file == nullptr) return {Status::OpenFailed, 0};
  // The file's size, a hint only: reading goes on to its end, whatever it is.
  const bool sized = std::fseek(file, 0, SEEK_END) == 0;
  const long endOffset = sized ? std::ftell(file) : 0;
  if (std::fseek(file, 0, SEEK_SET) != 0) return {Status::ReadFailed, 0};
  const uint64_t fileSize = endOffset > 0 ? static_cast<uint64_t>(endOffset) : 0;
  sizeHint_ = fileSize == 0 ? 0 : fileSize + 1 + kTextPadding;
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
      // The bytes carried hold no line feed (they are what followed the
      // last one): only the new piece is searched, so a long line costs
      // time in proportion to its length, not to its square.
      const size_t carried = have - piece.size;
      const size_t lastLf = std::string_view(text + carried, piece.size).rfind('\n');
      if (lastLf == std::string_view::npos) {
        // No line end yet: all of it is carried, and the chunk grows.
        if (text != carry.data()) carry.assign(text, have);
        continue;
      }
      keep = carried + lastLf + 1;
    }
    compact(text, keep, fileOffset);
    if (text == carry.data()) {
      carry.erase(0, keep);
    } else {
      carry.assign(text + keep, have - keep);
    }
    fileOffset += keep;
    if (piece.last) break;
  }
  return {};
}

bool ResultsText::matchAt(uint32_t p, std::string_view needle) const {
  return p <= size_ && needle.size() <= size_ - p && std::memcmp(data() + p, needle.data(), needle.size()) == 0;
}

void ResultsText::watch(std::string needle) {
  if (needle.empty() || needle.find('\n') != std::string::npos) return;
  watches_.push_back({std::move(needle), {}, false});
}

const std::vector<uint32_t>* ResultsText::watchedFor(std::string_view needle) const {
  for (const Watch& w : watches_) {
    if (!w.gaveUp && needle.starts_with(w.needle)) return &w.positions;
  }
  return nullptr;
}

uint32_t ResultsText::find(uint32_t from, std::string_view needle, size_t anchor) const {
  if (needle.empty() || from > size_) return kNoPos;
  if (const std::vector<uint32_t>* watched = watchedFor(needle)) {
    // Every occurrence of the needle begins with an occurrence of the
    // watched one: only those need a look.
    for (auto it = std::lower_bound(watched->begin(), watched->end(), from); it != watched->end(); ++it) {
      if (matchAt(*it, needle)) return *it;
    }
    return kNoPos;
  }
  if (needle.size() > 1 && needle.front() == '\n') {
    if (const std::vector<uint32_t>* watched = watchedFor(needle.substr(1))) {
      // A line feed and then a watched needle: the places where it was seen
      // that follow a line feed.
      for (auto it = std::upper_bound(watched->begin(), watched->end(), from); it != watched->end(); ++it) {
        if (data()[*it - 1] == '\n' && matchAt(*it - 1, needle)) return *it - 1;
      }
      return kNoPos;
    }
  }
  const size_t hit = findInText(view(), from, needle, anchor);
  return hit == std::string_view::npos ? kNoPos : static_cast<uint32_t>(hit);
}

std::vector<uint32_t> ResultsText::findEach(std::string_view prefix, const std::vector<std::string>& tokens,
                                            const std::function<void(size_t, uint32_t)>& onFound) const {
  std::vector<uint32_t> found(tokens.size(), kNoPos);
  size_t pending = tokens.size();
  const auto check = [&](uint32_t p) {
    for (size_t t = 0; t < tokens.size(); ++t) {
      if (found[t] == kNoPos && matchAt(p, tokens[t])) {
        found[t] = p;
        --pending;
        if (onFound) onFound(t, p);
      }
    }
  };
  if (const std::vector<uint32_t>* watched = watchedFor(prefix)) {
    for (auto it = watched->begin(); it != watched->end() && pending > 0; ++it) {
      if (matchAt(*it, prefix)) check(*it);
    }
    return found;
  }
  for (uint32_t p = find(0, prefix); p != kNoPos && pending > 0; p = find(p + 1, prefix)) check(p);
  return found;
}

uint32_t ResultsText::afterLineEnd(uint32_t p) const {
  if (p >= size_) return size();
  const void* lf = std::memchr(data() + p, '\n', size_ - p);
  return lf == nullptr ? size() : static_cast<uint32_t>(static_cast<const char*>(lf) - data()) + 1;
}

bool FileReader::open(const std::string& path) {
  // Only a regular file: a FIFO would wait for a writer for ever.
  file_.reset(qv_platform::openRegularFileStream(path));
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
