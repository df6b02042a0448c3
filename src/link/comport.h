// The serial port physical layer: a receive thread fills a TCommBuffer that
// Read drains without waiting. A reader waiting for data (WaitForData) takes
// what arrives off the device itself meanwhile, so that a reply reaches it
// without a second hop through the receive thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "link/busphysicallayer.h"
#include "link/commbuffer.h"
#include "platform/serialdevice.h"

class TComPort : public TBusPhysicalLayer {
 public:
  // Last error numbers.
  enum : uint8_t {
    kErrOpen = 1,         // the device cannot be opened (or no such port index)
    kErrSettings = 2,     // the line settings are refused (or no such baud index)
    kErrWrite = 3,        // not every byte went out within the write time-out
    kErrReadFailed = 4,   // the receive path failed, or the port is closed
    kErrThread = 5,       // the receive thread cannot be created
    kErrTimeout = 6,      // ReadByteWait timed out
    kErrQueue = 7,        // the receive queue cannot be allocated
  };
  static constexpr int kPortCount = 9;  // COM1 to COM9
  static constexpr uint32_t kInQueueSize = 8192;
  static constexpr uint32_t kOutQueueSize = 4096;
  static constexpr uint32_t kWriteTimeoutMs = 1000;
  static constexpr int kChunkSize = 256;
  // How long the receive thread leaves the device to a waiting reader before
  // it looks again.
  static constexpr int kStandAsideMs = 1;

  TComPort() = default;
  ~TComPort() override;
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  // The device that Open opens for its port index; none set: Open fails.
  void SetDevicePath(const std::string& path) { devicePath_ = path; }

  bool Open(uint8_t port, uint8_t baud, uint8_t dataBitReduction, uint8_t parity, uint8_t stopBits,
            uint8_t flowMode) override;
  bool Close() override;
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override;
  bool Write(const uint8_t* buffer, uint32_t length) override;
  void Purge() override;
  bool WaitForData(uint32_t timeoutMs) override;
  bool IsSerial() const override { return true; }
  bool HasFailed() const override { return !opened_ || readFailure_ != 0; }

  // Write of text up to its terminator.
  bool WriteString(const char* text);
  // Waits up to milliseconds for one received byte.
  bool ReadByteWait(char* out, uint32_t milliseconds);
  int32_t InQueueCount() const { return queue_.Count(); }
  bool IsOpen() const { return opened_; }
  uint8_t LastError() const { return lastError_; }
  // After a failed open of a device: its path and the system's reason, for
  // the message log (the error box names only the port); else empty.
  const std::string& OpenFailure() const { return openFailure_; }
  // Test seam: runs between a read off the device and the put into the
  // queue. Set it before Open.
  void SetReadHookForTest(std::function<void()> hook) { readHook_ = std::move(hook); }
  // Test seam: true while a reader sleeps in ReadByteWait.
  bool ReaderAsleepForTest() const { return queue_.Waiting() > 0; }

 private:
  void ReceiveLoop();
  // Moves what the device holds into the queue, under pullLock_: the number
  // of bytes moved, or -1 when the device failed.
  int PullInput();

  std::string devicePath_;
  std::string openFailure_;
  int8_t portIndex_ = 0;
  int8_t baudIndex_ = 6;
  uint8_t dataBitReduction_ = 0;
  uint8_t parity_ = 0;
  uint8_t stopBits_ = 0;
  uint8_t flowMode_ = 0;
  bool opened_ = false;
  platform::SerialDevice device_;
  std::thread receiveThread_;
  // Held by whoever takes bytes off the device: the receive thread for one
  // read and its put (it never waits for the lock), a reader in WaitForData
  // for the whole wait, and Purge.
  std::mutex pullLock_;
  // 0, or kErrReadFailed once the receive thread's read failed.
  std::atomic<uint8_t> readFailure_{0};
  TCommBuffer queue_;
  uint8_t lastError_ = 0;
  std::function<void()> readHook_;
};
