// The one way to the target. TTargetControl owns the physical layer and the
// protocol object, replaces both on every connect, and turns protocol
// failures into lines of the main window's log (or an "ERROR" box for the
// table window). Every operation is synchronous.
//
// Without a link (never connected, or the last connect failed) every
// operation fails without touching the target and says so in the log.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/linerate.h"
#include "model/linksettings.h"
#include "platform/clock.h"
#include "platform/mainthread.h"

class Registers;
class TBusPhysicalLayer;
class TEcs;
namespace platform {
class MainWindowServices;
class Ui;
}  // namespace platform

// One register value to restore or verify (from a register value file).
struct RegisterSnapshotItem {
  std::string Name;
  uint32_t ID = 0;    // register address, compared unsigned
  int32_t Mask = 0;
  int32_t Value = 0;  // the word to write; after a read-back the word read, or -255
  int32_t Vrf = 0;    // 1: the register takes part in write and verify
  uint8_t IsSReg = 0; // 1: S Reg file, 0: H Reg file
};

// Sort order of snapshot items: by ID, ascending and unsigned.
bool ComparePairBySecond(const RegisterSnapshotItem& a, const RegisterSnapshotItem& b);

class TTargetControl : platform::MainThreadOnly, public TLineRate {
 public:
  // ui shows the error boxes, services the log lines and progress; a full
  // read stores its values in the S Reg or H Reg set.
  TTargetControl(platform::Ui& ui, platform::MainWindowServices& services, Registers& sRegs, Registers& hRegs);
  ~TTargetControl() override;

  // ---- Connection ----

  // Opens the link the source's settings name (serial port: on failure the
  // source is asked once for another port, and told to keep it after it
  // opened; USB adapter) and makes the protocol of their ECS type. The
  // settings serve every operation until the next connect. Open failures and
  // an unsupported ECS type are shown in a box; false leaves no link.
  bool Connect(TLinkSettingsSource& settings);
  // The same for the COM port menu command (after the COM port dialog).
  bool Reconnect(TLinkSettingsSource& settings);
  // Uses an already open layer and runs the protocol on clock, in place of
  // the port the settings name (tests, the simulated target). The protocol
  // follows the ECS type as in Connect.
  bool ConnectWith(std::unique_ptr<TBusPhysicalLayer> bus, platform::Clock& clock, const TLinkSettings& settings);
  // True while a layer is open and a protocol is bound to it.
  bool IsConnected() const;
  // Connected, and neither the layer nor the last exchange on it has failed.
  bool IsLinkWorking() const;

  // Reports the protocol's last failure: to the message log (line by line)
  // or in an "ERROR" box.
  void ReportError(int status, bool toLog);

  // ---- Registers ----

  // Reads every value of the S Reg (false) or H Reg (true) file in runs of
  // consecutive IDs and stores them in the register model, driving the
  // progress bar. False when the target stopped answering.
  bool ReadRegisterTable(bool hReg);
  // Reads the values of the map's IDs into the map (the status poll).
  bool ReadRefreshRegisters(std::map<int, int>& values);
  // width 2: 16-bit words, otherwise bytes; one value per element. Failures
  // are reported to the log.
  bool ReadMemory(uint32_t address, int width, int count, uint32_t out[]);
  bool WriteMemory(uint32_t address, int width, int count, const uint32_t in[]);
  // One 16-bit word; these two report nothing (the script bus built-ins).
  bool ReadRegister(uint32_t address, uint32_t& value);
  bool WriteRegister(uint32_t address, uint32_t value);

  // ---- Line rate (pass-throughs to the protocol) ----

  int FindBaudRate() override;
  int RaiseBaudRate() override;
  int SendBaudRate() override;
  // On a working link, tells the set to go to the rate of index, where a
  // link made anew with other settings starts: -1 without one.
  int TellStartRate(int index);
  int GetBaudIndex() override;

  // The protocol's receive time-out in ms (for transfers that change it
  // around their own writes); 0 and no effect without a link.
  int GetProtocolTimeout() const;
  void SetProtocolTimeout(int ms);

  // ---- NVM devices ----

  // Reads bytes start..end (inclusive) of the device into out, one value per
  // byte. out grows as the target delivers, so a range the device does not
  // have costs no memory; after a failure it holds the bytes before the
  // failed frame. False for end below start.
  bool ReadNvm(uint32_t start, uint32_t end, uint8_t device, std::vector<uint32_t>& out);
  // Writes count bytes from start: a set mask bit takes the bit from data, a
  // clear one keeps the target's bit (data is merged in place); a chunk whose
  // mask is all clear is neither read nor written. A null mask writes all.
  bool WriteNvm(uint32_t start, uint8_t device, int count, uint32_t data[], const uint32_t mask[]);

  // ---- User tables (failures in an "ERROR" box) ----

  // Reads one table entry of capacity units of the width into out.
  bool ReadTableValue(uint32_t address, int width, uint32_t out[], int capacity);
  bool WriteTableValues(uint32_t address, int width, int count, const uint32_t in[]);

  // ---- Register snapshots ----

  // Both sort the items by ID and move them in runs of consecutive IDs;
  // failures are reported and the walk goes on. Read-back words land in
  // Value (-255 when unread). False only without a link.
  bool WriteSnapshotItems(std::vector<RegisterSnapshotItem>& items);
  bool ReadSnapshotItems(std::vector<RegisterSnapshotItem>& items);

  // ---- Command entries and Micom versions ----

  // Writes 1 to the memory (switchEntry false) or switch command entry and
  // logs "Success ( name )". False for an index out of range.
  bool ExecuteCommandEntry(int index, bool switchEntry);
  // Fills names and values ("Ver1.203 [1234]") for the Micom version items.
  bool ReadMicomVersion(std::vector<std::string>& names, std::vector<std::string>& values);

  // ---- Raw frames (analyzer terminal) ----

  // The protocol's status; 0x91 without a link. SendRawText throws
  // platform::EConvertError for a word that is not hexadecimal.
  int SendRawText(const std::string& text);
  int ReadRawText(std::string& text);

 private:
  class TimeOutScope;

  bool OpenComPort();
  bool OpenUsbDevice();
  bool OpenLink(TLinkSettingsSource& source);
  bool MakeProtocol(platform::Clock& clock);
  void DropLink();
  // Logs the not-connected line and returns false when there is no link;
  // quietly only the first time since the last connect attempt.
  bool CheckLink(bool quietly = false);
  bool ReadRegisters(uint32_t address, int count, uint32_t out[]);
  int MaxWords();

  // The protocol's clock on a real link; it outlives the protocol.
  platform::SteadyClock steadyClock_;
  platform::Ui& ui_;
  platform::MainWindowServices& services_;
  Registers& sRegs_;
  Registers& hRegs_;
  TLinkSettings settings_;
  std::unique_ptr<TEcs> protocol_;
  std::unique_ptr<TBusPhysicalLayer> bus_;
  int lastReadStatus_ = 0;
  bool noLinkNoticeGiven_ = false;
};
