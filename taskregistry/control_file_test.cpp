#include "taskregistry/control_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace qv_controlfile;

// A control file in memory, 8-byte aligned like a mapping.
struct Buffer {
  explicit Buffer(uint64_t blocks) : words((blocks * kBlockSize + 7) / 8, 0), size(blocks * kBlockSize) {}
  char* data() { return reinterpret_cast<char*>(words.data()); }
  void use(uint64_t block) { data()[block * kBlockSize + kBlockInUseOffset] = 1; }
  void putId(uint64_t block, uint64_t slot, int64_t id) {
    std::memcpy(data() + slotOffset(block, slot) + kTaskIdOffset, &id, 8);
  }
  std::vector<uint64_t> words;
  uint64_t size;
};

TEST(ControlFile, OffsetsOfBlocksAndSlots) {
  EXPECT_EQ(slotOffset(0, 0), 2424u);
  EXPECT_EQ(slotOffset(0, 99) + kSlotSize, 2424u + 100 * 448);
  EXPECT_LE(slotOffset(0, 99) + kSlotSize, kBlockSize);
  EXPECT_EQ(slotOffset(1, 0), 47728u + 2424);
  EXPECT_TRUE(isWholeBlocks(0));
  EXPECT_TRUE(isWholeBlocks(3 * kBlockSize));
  EXPECT_FALSE(isWholeBlocks(kBlockSize + 1));
}

TEST(ControlFile, FindsTheFirstSlotOfABlockInUse) {
  Buffer b(3);
  b.use(1);
  b.use(2);
  b.putId(0, 5, 42);  // block 0 is not in use: passed over
  b.putId(1, 7, 42);
  b.putId(2, 0, 42);
  qv_controlview view(b.data(), b.size);
  ASSERT_TRUE(view.findSlot(42));
  EXPECT_EQ(*view.findSlot(42), slotOffset(1, 7));
  EXPECT_FALSE(view.findSlot(43));
}

TEST(ControlFile, IdentifiersCompareBitForBit) {
  Buffer b(1);
  b.use(0);
  b.putId(0, 3, 0x0100000000000002);
  qv_controlview view(b.data(), b.size);
  EXPECT_FALSE(view.findSlot(2));
  EXPECT_TRUE(view.findSlot(0x0100000000000002));
}

TEST(ControlFile, OnlyTheFirst128BlocksAreExamined) {
  Buffer b(129);
  b.use(128);
  b.putId(128, 0, 9);
  qv_controlview view(b.data(), b.size);
  EXPECT_EQ(view.blocksToExamine(), 128u);
  EXPECT_FALSE(view.findSlot(9));
  b.use(127);
  b.putId(127, 99, 9);
  EXPECT_EQ(*view.findSlot(9), slotOffset(127, 99));
}

TEST(ControlFile, WordsAreNativeAndBoundsChecked) {
  Buffer b(1);
  qv_controlview view(b.data(), b.size);
  const uint64_t slot = slotOffset(0, 1);
  ASSERT_TRUE(view.store32(slot + kPriorityOffset, -5));
  int32_t raw = 0;
  std::memcpy(&raw, b.data() + slot + kPriorityOffset, 4);
  EXPECT_EQ(raw, -5);
  EXPECT_EQ(view.load32(slot + kPriorityOffset), -5);
  EXPECT_FALSE(view.store32(b.size - 2, 1));  // runs past the end
  EXPECT_FALSE(view.store32(slot + 2, 1));    // not a word boundary
  EXPECT_EQ(view.load32(b.size), 0);
  EXPECT_EQ(view.load64(b.size - 4), 0);
}

TEST(ControlFile, ResultsNameStopsAtItsZeroOrItsSpace) {
  Buffer b(1);
  qv_controlview view(b.data(), b.size);
  const uint64_t slot = slotOffset(0, 0);
  ASSERT_TRUE(view.setResultsName(slot, "../data/F1.dat"));
  EXPECT_EQ(view.resultsName(slot), "../data/F1.dat");
  // An unterminated name is cut where the job status begins.
  std::memset(b.data() + slot + kResultsNameOffset, 'z', kResultsNameSpace);
  view.store32(slot + kJobStatusOffset, 0x41414141);
  EXPECT_EQ(view.resultsName(slot), std::string(kResultsNameSpace, 'z'));
  ASSERT_TRUE(view.setResultsName(slot, std::string(500, 'q')));
  EXPECT_EQ(view.resultsName(slot), std::string(kResultsNameSpace - 1, 'q'));
  EXPECT_EQ(view.load32(slot + kJobStatusOffset), 0x41414141);
}

TEST(ControlFile, JobStatusesMapToStates) {
  EXPECT_EQ(effectOfJobStatus(0)->state, 2);
  for (int s : {1, 10, 11}) {
    EXPECT_EQ(effectOfJobStatus(s)->state, 3);
    EXPECT_TRUE(effectOfJobStatus(s)->progressFromSlot);
  }
  for (int s = 2; s <= 7; ++s) {
    EXPECT_EQ(effectOfJobStatus(s)->state, 4);
    EXPECT_TRUE(effectOfJobStatus(s)->progressComplete);
  }
  EXPECT_EQ(effectOfJobStatus(8)->errorNumber, -1);
  EXPECT_EQ(effectOfJobStatus(9)->errorNumber, -2);
  EXPECT_EQ(effectOfJobStatus(9)->state, 5);
  EXPECT_FALSE(effectOfJobStatus(12));
  EXPECT_FALSE(effectOfJobStatus(-1));
}

TEST(ControlFile, AViewOfNothingFindsNothing) {
  qv_controlview view(nullptr, 0);
  EXPECT_EQ(view.blocksToExamine(), 0u);
  EXPECT_FALSE(view.findSlot(1));
  EXPECT_FALSE(view.isBlockInUse(0));
}

}  // namespace
