// The simulated set's microcontroller: it speaks ECS3 or ECS2 over a byte
// stream, holds 16-bit registers and NVM devices, switches its line rate
// through the baud-index register, and misbehaves on request. It does no I/O:
// a transport (SimLink in-process, SimPtyServer on a pseudo-terminal) feeds it
// the host's bytes and delivers the reply chunks it returns.
// Every public member locks, so a test may change the target while a server
// thread serves it.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

using SimBytes = std::vector<uint8_t>;

enum class SimProtocol { Ecs3, Ecs2 };

// Error numbers the target itself answers with.
namespace sim_error {
constexpr int kNoCommand = 0x11;
constexpr int kChecksum = 0x12;  // the host's frame
constexpr int kLength = 0x13;
constexpr int kNoId = 0x21;
constexpr int kBoundary = 0x22;
constexpr int kWriteProtected = 0x23;
constexpr int kMinMax = 0x24;
constexpr int kDataType = 0x25;
constexpr int kPieces = 0x26;
constexpr int kNotBlockAccess = 0x27;
constexpr int kWriteOnly = 0x28;
constexpr int kFramingError = 0x62;
}  // namespace sim_error

// What goes wrong with the reply to one request. The factories give one kind
// each; fields may be combined by hand. An injected error number or silence
// means the target did not carry the request out; the other kinds spoil only
// the reply of a request that was carried out.
struct SimFault {
  int errorNumber = -1;     // >= 0: answer "`" with this number (0 included)
  bool silence = false;     // no reply at all
  bool badChecksum = false;
  int firstByte = -1;       // >= 0: replaces the reply's first byte
  int extraBytes = 0;       // data bytes added (length and checksum agree)
  int missingBytes = 0;     // data bytes taken away (length and checksum agree)
  uint32_t lateMs = 0;      // wait before the first byte
  bool raw = false;         // send rawBytes instead of the reply
  SimBytes rawBytes;

  static SimFault None() { return {}; }
  static SimFault Error(int number);
  static SimFault Silence();
  static SimFault BadChecksum();
  static SimFault BadFirstByte(uint8_t byte = 0x41);
  static SimFault TooLong(int extra);
  static SimFault TooShort(int missing);
  static SimFault Late(uint32_t ms);
  static SimFault Raw(const SimBytes& bytes);
};

// A piece of reply: sent delayUs after the end of the request (first chunk)
// or after the previous chunk, at the target's line rate baudIndex.
struct SimChunk {
  SimBytes bytes;
  uint64_t delayUs = 0;
  int baudIndex = 0;
};

// What the host reads of bytes sent at a rate other than its own: as many
// bytes, none of them what was sent.
void SimGarble(SimBytes& bytes);

// A complete frame as the target received it.
struct SimFrame {
  SimBytes bytes;
  uint64_t atUs = 0;
};

class SimTarget {
 public:
  // For Receive: the transport has no line rate (USB), so rates never differ.
  static constexpr int kNoRate = -1;
  // A partial frame is dropped when its next byte is this late.
  static constexpr uint64_t kInterByteTimeoutUs = 50000;

  explicit SimTarget(SimProtocol protocol);
  SimProtocol Protocol() const { return protocol_; }

  // Bytes from the host that reached the target at nowUs, while the host's
  // line ran at hostBaudIndex. Returns the reply chunks of every frame they
  // completed. At a rate other than the target's, the target hears noise and
  // answers it with a framing-error reply at its own rate, which the
  // transport garbles (SimGarble) as the host's line would.
  std::vector<SimChunk> Receive(const uint8_t* data, size_t length, uint64_t nowUs, int hostBaudIndex = kNoRate);
  std::vector<SimChunk> Receive(const SimBytes& data, uint64_t nowUs, int hostBaudIndex = kNoRate) {
    return Receive(data.data(), data.size(), nowUs, hostBaudIndex);
  }

  // ---- Registers: sparse 16-bit words; an unset one reads 0 ----
  void SetRegister(uint32_t address, uint16_t value);
  uint16_t Register(uint32_t address) const;
  // Error numbers answered for reads or writes touching the register; 0 clears.
  void SetReadError(uint32_t address, int errorNumber);
  void SetWriteError(uint32_t address, int errorNumber);
  // A read of more than one unit touching the register fails with the number;
  // read alone it succeeds. 0 clears.
  void SetNoBlockRead(uint32_t address, int errorNumber = sim_error::kNotBlockAccess);

  // ---- NVM devices: bytes by device number over [start, end]; outside 0x22 ----
  void AddNvmDevice(uint8_t device, uint32_t start, uint32_t end, uint8_t fill = 0xFF);
  // False when the device or a byte of the range does not exist.
  bool SetNvm(uint8_t device, uint32_t address, const SimBytes& bytes);
  SimBytes Nvm(uint8_t device, uint32_t address, size_t count) const;

  // ---- Line rate ----
  // The register that takes the baud index (0: none). A write of a supported
  // index is acknowledged at the old rate; then the target changes rate.
  void SetBaudRegister(uint32_t address);
  uint32_t BaudRegister() const;
  void SetBaudIndex(int index);  // the target's rate now (default 6, 9600)
  int BaudIndex() const;
  // Bit n set: index n is accepted; others get 0x24 (default: all 15).
  void SetSupportedBauds(uint32_t mask);

  // ---- Faults: each request takes the next fault from the queue ----
  void AddFault(const SimFault& fault, int times = 1);
  void ClearFaults();
  size_t PendingFaults() const;

  // ---- Every complete frame received, oldest first ----
  std::vector<SimFrame> Frames() const;
  size_t FrameCount() const;
  void ClearFrames();

  // ---- Sample files ----
  // vund.dat: the baud register (BaudRateSupportID), the NVM devices (number =
  // device type, range = back-up range) and the Micom version and checksum
  // registers. False when the file does not exist.
  bool LoadVundData(const std::string& path);
  // A register definition file: every register gets its field's Min as value.
  bool LoadRegisterFile(const std::string& path, bool hLayout);

 private:
  struct NvmDevice {
    uint32_t start = 0;
    uint32_t end = 0;
    SimBytes bytes;
  };
  struct Reply {
    bool error = false;  // "`" with number, else "P" with data
    int number = 0;
    SimBytes data;
  };

  size_t HeaderSize() const;
  size_t LengthField(const SimBytes& frame) const;
  SimBytes BuildReply(const Reply& reply, const SimFault& fault) const;
  std::vector<SimChunk> Answer(const SimBytes& frame, uint64_t nowUs);
  Reply Execute(const SimBytes& frame, int& newBaudIndex);
  Reply ReadMemory(int width, uint32_t address, size_t count);
  Reply WriteMemory(int width, uint32_t address, const uint8_t* data, size_t bytes, int& newBaudIndex);
  Reply ReadDevice(uint8_t device, uint32_t address, size_t count);
  Reply WriteDevice(uint8_t device, uint32_t address, const uint8_t* data, size_t count);
  const NvmDevice* FindDevice(uint8_t device, uint32_t address, size_t count, int& error) const;
  std::vector<SimChunk> Noise(uint64_t nowUs);
  size_t MaxReplyData() const;

  const SimProtocol protocol_;
  mutable std::mutex mutex_;
  SimBytes rx_;
  uint64_t lastByteUs_ = 0;
  uint64_t lastNoiseUs_ = 0;
  bool inNoise_ = false;
  std::map<uint32_t, uint16_t> registers_;
  std::map<uint32_t, int> readErrors_;
  std::map<uint32_t, int> writeErrors_;
  std::map<uint32_t, int> noBlockRead_;
  std::map<uint8_t, NvmDevice> nvm_;
  uint32_t baudRegister_ = 0;
  int baudIndex_ = 6;
  uint32_t supportedBauds_ = 0x7FFF;
  std::deque<SimFault> faults_;
  std::vector<SimFrame> frames_;
};
