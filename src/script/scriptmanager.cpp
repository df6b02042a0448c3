#include "script/scriptmanager.h"

#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "script/builtins/busbuiltins.h"
#include "script/builtins/modules.h"
#include "script/builtins/modulestate.h"
#include "script/compiler/lexer.h"
#include "script/machine/jexecutable.h"

TScriptManager::TScriptManager(const std::string& fileName, int slotCount, ScriptHost* host)
    : slots_(static_cast<size_t>(slotCount > 0 ? slotCount : 0)),
      slotCount_(slotCount > 0 ? slotCount : 0),
      host_(host) {
  if (!platform::ReadLines(fileName, script_) || script_.empty()) {
    lastError_ = platform::Format("User Script ERROR : Fail to open the Script(%s)!", fileName.c_str());
    opened_ = false;
    return;
  }
  source_ = std::make_unique<TStringListSource>(&script_);
  params_ = std::make_unique<TIniData>(LoadIniData(platform::ChangeFileExt(fileName, ".ini")));
}

TScriptManager::~TScriptManager() {
  // Each executable stops and waits for its thread before it goes.
  slots_.clear();
}

bool TScriptManager::Start(const std::vector<std::string>& args) {
  if (!opened_) {
    ok_ = false;
    return false;
  }
  ok_ = true;
  for (int i = 0; i < slotCount_; ++i) {
    source_->Reset();
    arguments_.clear();
    arguments_.push_back(std::to_string(i + 1));
    arguments_.insert(arguments_.end(), args.begin(), args.end());

    std::unique_ptr<TJExecutable>& slot = slots_[static_cast<size_t>(i)];
    slot.reset();
    slot = std::make_unique<TJExecutable>(TJExecutable::kDefaultStackSize, host_);
    if (!Compile(*source_, *slot, arguments_)) {
      lastError_ = "User Script ERROR : " + GetErrorMessage();
      ok_ = false;
      // A thread that never started would never count as finished.
      slot.reset();
      return false;
    }
    slot->ShowWindow();
    slot->SetIniData(params_.get());
    slot->Continue();
  }
  return ok_;
}

bool TScriptManager::IsFinished() const {
  // Every started thread counts, also after a failure, so the caller never
  // takes a script for ended while one of its threads still runs.
  for (const std::unique_ptr<TJExecutable>& slot : slots_)
    if (slot && !slot->IsTerminated()) return false;
  return true;
}

bool TScriptManager::StopAll() {
  for (const std::unique_ptr<TJExecutable>& slot : slots_)
    if (slot && !slot->IsTerminated()) slot->Stop();
  return true;
}

bool TScriptManager::CollectResults() {
  if (!ok_) return false;
  for (int i = 0; i < slotCount_; ++i) {
    TJExecutable* slot = slots_[static_cast<size_t>(i)].get();
    if (slot && slot->WaitDone()) {
      result_ = slot->GetReturnValue();
      // A stopped run holds what its last finished call returned, not main's
      // answer: the user ended it, and that is no failure.
      if (!slot->StopRequested() && (result_.kind != dtInteger || result_.ival != 0)) {
        lastError_ = platform::Format("User Script ERROR #%d : Fail to execute!", i + 1);
        ok_ = false;
      }
    } else {
      lastError_ = platform::Format("User Script ERROR #%d : RUNTIME Error!", i + 1);
      ok_ = false;
    }
  }
  return ok_;
}

void TScriptManager::TerminateAll() {
  for (std::unique_ptr<TJExecutable>& slot : slots_) {
    if (!slot) continue;
    slot->CloseWindow();
    slot.reset();
  }
}

TJExecutable* TScriptManager::Slot(int i) const {
  if (i < 0 || i >= slotCount_) return nullptr;
  return slots_[static_cast<size_t>(i)].get();
}

bool ConfirmScriptWindowClose(TScriptManager* manager, platform::Ui& ui) {
  if (!manager || manager->IsFinished()) return true;
  const int answer = ui.ShowMessageBoxJE("確認", "スクリプト実行中ですが終了してもよろしいですか？", "Confirmation",
                                         "Script running. Do you stop script ?", 0x04 | 0x20);
  if (answer != platform::kIdYes) return false;
  manager->StopAll();
  return true;
}

TScriptHost::~TScriptHost() { host_.ModuleState().ports.CloseAll(); }

void TScriptHost::InstallRegisterHooks() { InstallTargetRegisterHooks(host_.BusHooks(), target_); }
