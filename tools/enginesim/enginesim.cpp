#include "tools/enginesim/enginesim.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "errors/file_utilities.h"
#include "taskregistry/control_file.h"
#include "taskregistry/mmapfile.h"
#include "taskregistry/task_files.h"
#include "taskregistry/task_record.h"

namespace qv_enginesim {
namespace {

using qv_controlfile::qv_controlview;

Outcome failure(int status, std::string text) {
  Outcome o;
  o.status = status;
  o.error = std::move(text);
  return o;
}

// The control file mapped for reading and writing, as the engine keeps it.
class MappedControl {
 public:
  explicit MappedControl(const std::string& path) {
    int error = 0;
    if (!map_.open(path, false, error, 0, 0, 0, false)) return;
    const uint64_t size = map_.getFileSize();
    char* base = size > 0 && qv_controlfile::isWholeBlocks(size) ? map_.pointer(0, size) : nullptr;
    if (base != nullptr) view_.emplace(base, size);
  }
  ~MappedControl() { map_.close(); }
  MappedControl(const MappedControl&) = delete;
  MappedControl& operator=(const MappedControl&) = delete;

  qv_controlview* view() { return view_ ? &*view_ : nullptr; }

 private:
  qv_memmapfile map_;
  std::optional<qv_controlview> view_;
};

// Runs `action` on the job slot of `taskId` in the control file `path`:
// status 2 when the file cannot be mapped, 3 when no slot holds the task.
Outcome onTaskSlot(const std::string& path, int64_t taskId,
                   const std::function<Outcome(qv_controlview&, uint64_t)>& action) {
  MappedControl control(path);
  qv_controlview* view = control.view();
  if (view == nullptr) return failure(2, "cannot map the control file " + path);
  const std::optional<uint64_t> slot = view->findSlot(taskId);
  if (!slot) return failure(3, "no job slot holds task " + qv_tasklayout::identifierText(taskId));
  return action(*view, *slot);
}

std::optional<uint64_t> firstFreeSlot(const qv_controlview& view) {
  for (uint64_t b = 0; b < view.blocksToExamine(); ++b) {
    if (!view.isBlockInUse(b)) continue;
    for (uint64_t s = 0; s < qv_controlfile::kSlotsPerBlock; ++s) {
      const uint64_t slot = qv_controlfile::slotOffset(b, s);
      if (view.load64(slot + qv_controlfile::kTaskIdOffset) == 0) return slot;
    }
  }
  return std::nullopt;
}

}  // namespace

Engine::Engine(std::string controlFile, std::string interFileBasePath)
    : control_(std::move(controlFile)), base_(std::move(interFileBasePath)) {}

Outcome Engine::create(int64_t blocks) {
  if (blocks < 1 || blocks > static_cast<int64_t>(qv_controlfile::kMaxBlocks)) {
    return failure(1, "the number of blocks must lie from 1 to 128");
  }
  std::string block(qv_controlfile::kBlockSize, '\0');
  block[qv_controlfile::kBlockInUseOffset] = 1;
  // Written beside the old file and renamed over it, so that no reader maps
  // a file of the wrong size.
  const std::string temporary = control_ + ".new";
  {
    qv_file f = openFile(temporary, "wb", false);
    bool ok = f.isOpen();
    for (int64_t b = 0; ok && b < blocks; ++b) ok = f.write(block);
    if (!f.close() || !ok) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return failure(2, "cannot write " + temporary);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, control_, ec);
  if (ec) return failure(2, "cannot rename " + temporary + " to " + control_);
  Outcome o;
  o.output = "control file " + control_ + " with " + std::to_string(blocks) + " blocks\n";
  return o;
}

Outcome Engine::put(int64_t taskId, int32_t status, int32_t progress, const std::string& resultsFile, int32_t job,
                    std::optional<int32_t> user) {
  if (taskId == 0) return failure(1, "task identifier 0 marks a free slot");
  MappedControl control(control_);
  qv_controlview* view = control.view();
  if (view == nullptr) return failure(2, "cannot map the control file " + control_);
  std::optional<uint64_t> slot = view->findSlot(taskId);
  const bool fresh = !slot;
  if (fresh) slot = firstFreeSlot(*view);
  if (!slot) return failure(3, "no free job slot");
  Outcome o = writeTaskFile(taskId, status, resultsFile, job, user);
  if (o.status != 0) return o;
  // Name and numbers first, the identifier last: a reader that finds the
  // identifier finds a filled slot.
  (void)view->setResultsName(*slot, resultsFile);
  (void)view->store32(*slot + qv_controlfile::kJobStatusOffset, status);
  (void)view->store32(*slot + qv_controlfile::kProgressOffset, progress);
  if (fresh) {
    (void)view->store32(*slot + qv_controlfile::kRequestOffset, qv_controlfile::JOB_REQUEST_RUN);
    (void)view->store32(*slot + qv_controlfile::kPriorityOffset, 0);
    (void)view->store64(*slot + qv_controlfile::kTaskIdOffset, taskId);
  }
  const uint64_t block = *slot / qv_controlfile::kBlockSize;
  const uint64_t index = (*slot - qv_controlfile::slotOffset(block, 0)) / qv_controlfile::kSlotSize;
  o.output = "task " + qv_tasklayout::identifierText(taskId) + " in block " + std::to_string(block) + " slot " +
             std::to_string(index) + "\n";
  return o;
}

Outcome Engine::set(int64_t taskId, int32_t status, std::optional<int32_t> progress, bool writeTaskFile) {
  return onTaskSlot(control_, taskId, [&](qv_controlview& view, uint64_t slot) {
    if (writeTaskFile) {
      Outcome o = this->writeTaskFile(taskId, status, view.resultsName(slot), -1, std::nullopt);
      if (o.status != 0) return o;
    }
    if (progress) (void)view.store32(slot + qv_controlfile::kProgressOffset, *progress);
    (void)view.store32(slot + qv_controlfile::kJobStatusOffset, status);
    return Outcome{};
  });
}

Outcome Engine::show(int64_t taskId) {
  return onTaskSlot(control_, taskId, [](qv_controlview& view, uint64_t slot) {
    Outcome o;
    o.output = "request=" + std::to_string(view.load32(slot + qv_controlfile::kRequestOffset)) +
               " priority=" + std::to_string(view.load32(slot + qv_controlfile::kPriorityOffset)) + "\n";
    return o;
  });
}

Outcome Engine::remove(int64_t taskId) {
  return onTaskSlot(control_, taskId, [](qv_controlview& view, uint64_t slot) {
    (void)view.store64(slot + qv_controlfile::kTaskIdOffset, 0);
    return Outcome{};
  });
}

Outcome Engine::writeTaskFile(int64_t taskId, int32_t status, const std::string& resultsFile, int32_t job,
                              std::optional<int32_t> user) {
  const std::string day = qv_tasklayout::dayDirectory(base_, taskId);
  const std::string path = qv_tasklayout::taskFilePath(day, taskId);
  // Start from what the registry already knows of the task.
  std::optional<qv_found_record> known;
  if (qv_platform::pathExists(path)) {
    (void)qv_taskfiles::readTaskFile(path, known);
  } else if (qv_platform::pathExists(qv_tasklayout::dayIndexPath(day))) {
    (void)qv_taskfiles::findRecord(qv_tasklayout::dayIndexPath(day), day, taskId, known);
  }
  qv_taskrecord r = known ? known->record : qv_taskrecord{};
  const int64_t now = qv_platform::currentTime();
  if (!known) r.creationTime = now;
  r.taskId = taskId;
  if (job >= 0) r.jobNumber = job;
  if (const auto effect = qv_controlfile::effectOfJobStatus(status)) {
    r.state = effect->state;
    r.errorNumber = effect->setsError ? effect->errorNumber : 0;
  }
  r.lastUpdate = now;
  r.resultsFileName = resultsFile;
  if (user) r.spare = *user;
  std::error_code ec;
  std::filesystem::create_directories(day, ec);
  {
    qv_file created = openFile(path, "ab", false);
    if (!created.isOpen()) return failure(2, "cannot create the task file " + path);
  }
  if (qv_taskfiles::writeRecord(path, 0, r) != REGISTRY_OK) return failure(2, "cannot write the task file " + path);
  return Outcome{};
}

}  // namespace qv_enginesim
