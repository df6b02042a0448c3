// The USB adapter physical layer: a receive thread reads the IN pipe into an
// unbounded queue that Read drains without waiting.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/busphysicallayer.h"
#include "link/usbadapter.h"

class TUsbComControl : public TBusPhysicalLayer {
 public:
  // Last error numbers.
  enum : int {
    kErrWrite = 2,  // a write failed, was cut short or did not complete in time
    kErrOpen = 4,   // the device or a pipe does not open
    kErrInEndPoint = 5,   // the IN endpoint number names an OUT endpoint
    kErrOutEndPoint = 6,  // the OUT endpoint number names an IN endpoint
  };
  static constexpr uint32_t kWriteTimeoutMs = 1000;
  static constexpr uint32_t kReadTimeoutMs = 100;
  static constexpr uint32_t kReadSize = 1024;

  // Without an adapter the libusb one is used.
  explicit TUsbComControl(std::shared_ptr<TUsbAdapter> adapter = nullptr);
  ~TUsbComControl() override;
  TUsbComControl(const TUsbComControl&) = delete;
  TUsbComControl& operator=(const TUsbComControl&) = delete;

  bool OpenUsb(uint16_t vendorId, uint16_t productId, uint8_t inEndPoint, uint8_t outEndPoint) override;
  bool Close() override;
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override;
  bool Write(const uint8_t* buffer, uint32_t length) override;
  void Purge() override;
  bool WaitForData(uint32_t timeoutMs) override;

  // Appends one received byte to the queue.
  void PushByte(uint8_t byte);
  int LastError() const { return lastError_; }
  bool IsOpen() const { return deviceHandle_ != -1; }
  // After a failed OpenUsb: the ids and why, for the message log ("USB
  // 0547:1002: Access denied (insufficient permissions)"); else empty. The
  // reasons are libusb's words, but for the endpoint texts of EndpointFailure.
  std::string OpenFailure(bool japanese) const;
  // After an endpoint of the wrong direction: which one; else empty.
  std::string EndpointFailure(bool japanese) const;

 private:
  void ReceiveLoop();
  bool OpenFailed(int error, std::string reason);

  uint16_t vendorId_ = 0;
  uint16_t productId_ = 0;
  int deviceHandle_ = -1;
  int writePipe_ = -1;
  uint8_t inEndPoint_ = 0;
  uint8_t outEndPoint_ = 0;
  std::deque<uint8_t> queue_;
  int lastError_ = 0;
  int openError_ = 0;  // the last error number of the last OpenUsb
  std::string openReason_;
  std::mutex queueLock_;
  std::condition_variable dataArrived_;
  // Serialises writes; the queue stays free meanwhile, so receiving goes on.
  std::mutex writeLock_;
  std::thread receiveThread_;
  std::atomic<bool> stopping_{false};
  std::mutex stopLock_;
  std::condition_variable stopRequested_;
  int readPipe_ = -1;
  std::shared_ptr<TUsbAdapter> adapter_;
};
