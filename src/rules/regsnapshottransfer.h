// The File menu's register value commands: save the cached S Reg / H Reg
// values to a register value file (.id) after the target's pre-commands, and
// write a file's values to the target, run the post-commands and read the
// values back to list every register that differs. The flows ask through
// platform::Ui and RegSnapshotDialogs and talk to the target through
// TTargetControl, so tests run them without a display.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "link/targetcontrol.h"
#include "model/registers.h"

class VundData;
class Workspace;

namespace rules {

class PollingSwitch;
class RegisterPane;

// TfrmSelSnapShotID and the result window; tests answer in their place.
class RegSnapshotDialogs {
 public:
  virtual ~RegSnapshotDialogs() = default;
  // Each flag in: offered (checked and enabled) or not; out: chosen. 1 OK, 2 Cancel.
  virtual int SelectRegisterFiles(bool& sReg, bool& hReg) = 0;
  virtual int ShowCompareResult(const std::vector<std::string>& lines) = 0;
};

// The items of a register value file (see LoadRegisterValueFile), and the
// items left out for a field of their ID with a larger mask. False when the
// file cannot be read; throws platform::EConvertError for a bad number.
bool LoadRegisterSnapshot(const std::string& fileName, bool& hasS, bool& hasH, std::vector<RegisterSnapshotItem>& items,
                          std::vector<RegisterSnapshotItem>* dropped = nullptr);

// The pre-commands (before a save) and post-commands (after a restore) of
// vund.dat, written in order with the command time-out; true when every one
// was written (the first failure ends the list).
bool WriteSnapShotPreCommands(TTargetControl& target, const VundData& vund);
bool WriteReproducePostCommands(TTargetControl& target, const VundData& vund);

class RegSnapshotTransfer {
 public:
  // polling may be null (nothing to hold); grid, when given, shows the values
  // a restore wrote. The target, the registers, the questions and the
  // vund.dat commands are the workspace's.
  RegSnapshotTransfer(Workspace& ws, RegSnapshotDialogs& dialogs, PollingSwitch* polling = nullptr,
                      RegisterPane* grid = nullptr);

  // "Sreg,Hregの読み込み[Sreg,Hreg->ファイル]". readRegisterValues reads every
  // value of a kind (1: H Reg) and is called for the H values when they were
  // not read in this run. True when the file was written.
  bool SaveRegisterValues(bool hValuesRead, const std::function<bool(RegKind kind)>& readRegisterValues);
  // "Sreg,Hregの書込み[ファイル->Sreg,Hreg]". True when values were written and
  // the result window shown. The cache then holds what the set holds, as
  // after a write of the value dialog.
  bool WriteRegisterValues();

  // ---- Steps, public for tests ----
  // Writes the items (sorted by ID on return), then the post-commands.
  bool WriteIdData(std::vector<RegisterSnapshotItem>& items);
  // Reads the items back into their Value fields (sorted by ID on return).
  bool VerifyIdData(std::vector<RegisterSnapshotItem>& items);

 private:
  // One item per ID: the fields of its items merged into one word, over the
  // word the target holds now unless they cover all of it. The fields of a
  // word that cannot be read are listed and not written.
  std::vector<RegisterSnapshotItem> MergeFields(const std::vector<RegisterSnapshotItem>& fields,
                                                std::vector<std::string>& lines);
  // Each written word into the cache, value and snapshot: the word read back,
  // or the word written when it could not be read.
  void CacheWrittenWords(const std::vector<RegisterSnapshotItem>& written,
                         const std::map<uint32_t, int32_t>& readBack);

  Workspace& ws_;
  TTargetControl& target_;
  RegSnapshotDialogs& dialogs_;
  PollingSwitch* polling_;
  RegisterPane* grid_;
};

}  // namespace rules
