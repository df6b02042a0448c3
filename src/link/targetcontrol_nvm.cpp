// Target control: NVM device blocks, table entries, register snapshots,
// command entries and Micom versions.
#include <algorithm>
#include <climits>
#include <vector>

#include "link/ecs.h"
#include "link/targetcontrol.h"
#include "link/targetcontrol_internal.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/mainwindowservices.h"
#include "platform/ui.h"

namespace {

constexpr int kNvmWriteTimeOutMs = 1000;
constexpr int kTableTimeOutMs = 3000;
constexpr int kSnapshotWriteTimeOutMs = 3000;

// The 4-bit group n (0 = lowest) of a register word.
int Nibble(uint32_t word, int n) { return static_cast<int>((word >> (4 * n)) & 0xF); }

int ClampToInt(uint64_t v) { return v > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(v); }

// The snapshot walk: items sorted by ID, runs of consecutive IDs of at most
// maxWords words; the last item always goes alone. moveRun(first, n) moves
// items[first .. first + n - 1].
template <class MoveRun>
void WalkSnapshot(platform::MainWindowServices& ui, std::vector<RegisterSnapshotItem>& items, int maxWords,
                  MoveRun moveRun) {
  std::stable_sort(items.begin(), items.end(), ComparePairBySecond);
  const size_t count = items.size();
  ui.SetProgressMax(ClampToInt(count));
  ui.SetProgressPosition(0);
  if (count == 1) moveRun(0, 1);
  size_t runStart = 0;
  int runLength = 1;
  for (size_t i = 1; i < count; ++i) {
    ui.SetProgressPosition(ClampToInt(i));
    if (i == count - 1) {
      moveRun(runStart, runLength);
      moveRun(i, 1);
    } else if (items[i].ID != items[runStart].ID + static_cast<uint32_t>(runLength) || runLength >= maxWords) {
      moveRun(runStart, runLength);
      runStart = i;
      runLength = 1;
    } else {
      ++runLength;
    }
  }
  ui.SetProgressPosition(ClampToInt(count));
  ui.SetProgressPosition(0);
}

}  // namespace

bool TTargetControl::ReadNvm(uint32_t start, uint32_t end, uint8_t device, std::vector<uint32_t>& out) {
  out.clear();
  if (!CheckLink()) return false;
  if (end < start) {
    services_.AddMessage(ui_.IsJapanese() ? platform::Format("NVM の範囲が正しくありません (0x%X - 0x%X)", start, end)
                                          : platform::Format("Invalid NVM range (0x%X - 0x%X)", start, end));
    return false;
  }
  const uint64_t total = uint64_t(end) - start + 1;
  const uint32_t chunk = static_cast<uint32_t>(std::max(1, protocol_->GetMaxByteCount()));
  const uint64_t full = total / chunk;
  const uint32_t rest = static_cast<uint32_t>(total % chunk);
  // Each frame's bytes are appended when it is sent, never the whole range first.
  auto readChunk = [&](uint64_t offset, uint32_t n) {
    out.resize(offset + n);
    const int status = protocol_->ReadDevice(start + static_cast<uint32_t>(offset), device, static_cast<int>(n),
                                             out.data() + offset);
    if (status == kEcsOk) return true;
    out.resize(offset);
    ReportError(status, true);
    return false;
  };

  // The bar counts every frame, the short last one too: a range shorter
  // than one frame is work to do, not a bar without an end.
  const uint64_t frames = full + (rest > 0 ? 1 : 0);
  platform::MainWindowServices& ui = services_;
  ui.SetProgressMax(ClampToInt(frames));
  ui.SetProgressPosition(0);
  for (uint64_t i = 0; i < full; ++i) {
    if (!readChunk(i * chunk, chunk)) return false;
    ui.SetProgressPosition(ClampToInt(i));
  }
  if (rest > 0 && !readChunk(full * chunk, rest)) return false;
  ui.SetProgressPosition(ClampToInt(frames));
  ui.SetProgressPosition(0);
  return true;
}

bool TTargetControl::WriteNvm(uint32_t start, uint8_t device, int count, uint32_t data[], const uint32_t mask[]) {
  if (!CheckLink()) return false;
  if (count < 0 || (count > 0 && !data)) return false;
  const int chunk = std::max(1, protocol_->GetMaxByteCount());
  const int full = count / chunk;
  const int rest = count % chunk;
  TimeOutScope timeOut(*this, kNvmWriteTimeOutMs);
  // Every frame counts, the short last one too (as in ReadNvm).
  const int chunks = full + (rest > 0 ? 1 : 0);
  platform::MainWindowServices& ui = services_;
  ui.SetProgressMax(chunks);
  ui.SetProgressPosition(0);

  std::vector<uint32_t> readBack(static_cast<size_t>(chunk));
  for (int index = 0; index < chunks; ++index) {
    const int offset = index * chunk;
    const int n = index < full ? chunk : rest;
    const uint32_t address = start + static_cast<uint32_t>(offset);
    // Only the low 8 bits of a mask value belong to its byte.
    uint32_t sum = 0;
    for (int k = 0; k < n; ++k) sum += mask ? (mask[offset + k] & 0xFF) : 0xFF;
    if (sum != 0) {
      if (sum != static_cast<uint32_t>(n) * 0xFF) {
        // Keep the target's bits outside the mask.
        int status = protocol_->ReadDevice(address, device, n, readBack.data());
        if (status != kEcsOk) {
          ReportError(status, true);
          return false;
        }
        for (int k = 0; k < n; ++k) {
          const uint32_t m = mask[offset + k] & 0xFF;
          data[offset + k] = ((data[offset + k] & m) | (readBack[k] & ~m)) & 0xFF;
        }
      }
      int status = protocol_->WriteDevice(address, device, n, data + offset);
      if (status != kEcsOk) {
        ReportError(status, true);
        return false;
      }
    }
    ui.SetProgressPosition(index);
  }
  ui.SetProgressPosition(chunks);
  ui.SetProgressPosition(0);
  return true;
}

bool TTargetControl::ReadTableValue(uint32_t address, int width, uint32_t out[], int capacity) {
  if (!CheckLink()) return false;
  if (capacity < 1 || !out) return false;
  TimeOutScope timeOut(*this, kTableTimeOutMs);
  int status = protocol_->ReadMemory(address, width, capacity, out);
  if (status == kEcsOk) return true;
  ReportError(status, false);
  return false;
}

bool TTargetControl::WriteTableValues(uint32_t address, int width, int count, const uint32_t in[]) {
  if (!CheckLink()) return false;
  if (count < 1 || !in) return false;
  TimeOutScope timeOut(*this, kTableTimeOutMs);
  int status = protocol_->WriteMemory(address, width, count, in);
  if (status == kEcsOk) return true;
  ReportError(status, false);
  return false;
}

bool TTargetControl::WriteSnapshotItems(std::vector<RegisterSnapshotItem>& items) {
  if (!CheckLink()) return false;
  TimeOutScope timeOut(*this, kSnapshotWriteTimeOutMs);
  std::vector<uint32_t> words(static_cast<size_t>(MaxWords()));
  WalkSnapshot(services_, items, MaxWords(), [&](size_t first, int n) {
    for (int k = 0; k < n; ++k) words[k] = static_cast<uint32_t>(items[first + k].Value);
    WriteMemory(items[first].ID, 2, n, words.data());  // reports its own failure
  });
  return true;
}

bool TTargetControl::ReadSnapshotItems(std::vector<RegisterSnapshotItem>& items) {
  if (!CheckLink()) return false;
  TimeOutScope timeOut(*this);
  std::vector<uint32_t> words(static_cast<size_t>(MaxWords()));
  WalkSnapshot(services_, items, MaxWords(), [&](size_t first, int n) {
    ReadRegisters(items[first].ID, n, words.data());  // unread words stay -255
    for (int k = 0; k < n; ++k) items[first + k].Value = static_cast<int32_t>(words[k]);
  });
  return true;
}

bool TTargetControl::ExecuteCommandEntry(int index, bool switchEntry) {
  if (!CheckLink()) return false;
  const std::vector<RegSetting>& list = switchEntry ? settings_.SwitchCommandList : settings_.MemCommandList;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return false;
  const RegSetting entry = list[static_cast<size_t>(index)];
  TimeOutScope timeOut(*this, settings_.CommandTimeOutTime);
  const uint32_t one = 1;
  int status = protocol_->WriteMemory(static_cast<uint32_t>(entry.ID), 2, 1, &one);
  if (status == kEcsOk) {
    services_.AddMessage(platform::Format("Success ( %s )", entry.Name.c_str()));
  } else {
    ReportError(status, true);
  }
  return true;
}

bool TTargetControl::ReadMicomVersion(std::vector<std::string>& names, std::vector<std::string>& values) {
  const std::vector<RegSetting>& versions = settings_.MicomVerList;
  const std::vector<RegSetting>& checksums = settings_.MicomChkSumList;
  names.clear();
  values.clear();
  if (!CheckLink()) return false;
  for (size_t i = 0; i < versions.size(); ++i) {
    uint32_t version = 0, checksum = 0;
    const bool versionRead = ReadMemory(static_cast<uint32_t>(versions[i].ID), 2, 1, &version);
    const bool checksumRead =
        i < checksums.size() && ReadMemory(static_cast<uint32_t>(checksums[i].ID), 2, 1, &checksum);
    std::string text = versionRead ? platform::Format("Ver%d.%d%d%d", Nibble(version, 3), Nibble(version, 2),
                                                      Nibble(version, 1), Nibble(version, 0))
                                   : std::string("?");
    text += checksumRead ? platform::Format(" [%X%X%X%X]", Nibble(checksum, 3), Nibble(checksum, 2),
                                            Nibble(checksum, 1), Nibble(checksum, 0))
                         : std::string("[?]");
    names.push_back(versions[i].Name);
    values.push_back(text);
  }
  return true;
}
