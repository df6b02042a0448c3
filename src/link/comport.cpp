#include "link/comport.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <system_error>

#include "link/baudrates.h"

TComPort::~TComPort() { Close(); }

bool TComPort::Open(uint8_t port, uint8_t baud, uint8_t dataBitReduction, uint8_t parity, uint8_t stopBits,
                    uint8_t flowMode) {
  openFailure_.clear();
  portIndex_ = static_cast<int8_t>(port);
  baudIndex_ = static_cast<int8_t>(baud);
  dataBitReduction_ = dataBitReduction;
  parity_ = parity;
  stopBits_ = stopBits;
  flowMode_ = flowMode;

  if (opened_) Close();
  if (!queue_.Allocate(static_cast<int32_t>(kInQueueSize))) {
    lastError_ = kErrQueue;
    return false;
  }
  // Indexes come from Vund2.ini: one outside its table must not reach a table.
  if (portIndex_ < 0 || portIndex_ >= kPortCount || devicePath_.empty() || !device_.Open(devicePath_)) {
    if (portIndex_ >= 0 && portIndex_ < kPortCount && !devicePath_.empty())
      openFailure_ = devicePath_ + ": " + std::strerror(device_.LastErrno());
    lastError_ = kErrOpen;
    return false;
  }
  platform::SerialSettings settings;
  settings.baud = BaudRateOfIndex(baudIndex_);
  settings.dataBits = 8 - dataBitReduction_;
  settings.parity = parity_;
  settings.stopBits = stopBits_;
  settings.flowMode = flowMode_;
  settings.xonChar = 0x11;
  settings.xoffChar = 0x13;
  if (settings.baud == 0 || dataBitReduction_ > 3 || !device_.Configure(settings)) {
    device_.Close();
    lastError_ = kErrSettings;
    return false;
  }
  device_.SetModemLines(true, true);
  device_.Purge();
  queue_.Clear();
  readFailure_ = 0;
  try {
    receiveThread_ = std::thread(&TComPort::ReceiveLoop, this);
  } catch (const std::system_error&) {
    device_.Close();
    lastError_ = kErrThread;
    return false;
  }
  opened_ = true;
  return true;
}

bool TComPort::Close() {
  // The thread reads the device and fills the queue: it must be gone before
  // either goes.
  if (receiveThread_.joinable()) {
    device_.Wake();
    receiveThread_.join();
  }
  if (device_.IsOpen()) {
    device_.SetModemLines(false, true);
    device_.Purge();
    device_.Close();
  }
  lastError_ = 0;
  opened_ = false;
  return true;
}

bool TComPort::Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) {
  if (!opened_ || readFailure_) {
    lastError_ = kErrReadFailed;
    return false;
  }
  const int max = maximum > uint32_t(INT32_MAX) ? INT32_MAX : static_cast<int>(maximum);
  if (queue_.Count() > 0 && max > 0) received = static_cast<uint32_t>(queue_.GetBlock(buffer, max));
  return true;
}

bool TComPort::Write(const uint8_t* buffer, uint32_t length) {
  lastError_ = 0;
  if (!opened_) {
    lastError_ = kErrWrite;
    return false;
  }
  if (device_.WriteAll(buffer, length, kWriteTimeoutMs) != length) {
    lastError_ = kErrWrite;
    return false;
  }
  return true;
}

void TComPort::Purge() {
  lastError_ = 0;
  // Bytes the receive thread has read but not yet queued are dropped too.
  std::lock_guard<std::mutex> guard(pullLock_);
  device_.Purge();
  queue_.Clear();
}

bool TComPort::WaitForData(uint32_t timeoutMs) {
  if (queue_.Count() > 0) return true;
  if (!opened_) return false;
  if (readFailure_) return queue_.WaitForData(timeoutMs);
  // While the reader waits it alone takes bytes off the device, woken by the
  // device itself: a reply does not wait for the receive thread to run and
  // wake the reader. The receive thread stands aside meanwhile.
  using Steady = std::chrono::steady_clock;
  const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
  std::lock_guard<std::mutex> guard(pullLock_);
  for (;;) {
    // Bytes the receive thread put before the reader took over are here.
    if (queue_.Count() > 0) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    if (left <= 0) return false;
    switch (device_.WaitInput(static_cast<int>(std::min<long long>(left, INT_MAX)))) {
      case platform::SerialDevice::WaitResult::Readable:
        if (PullInput() < 0) {
          readFailure_ = kErrReadFailed;
          return queue_.Count() > 0;
        }
        break;
      case platform::SerialDevice::WaitResult::TimedOut:
        break;
      case platform::SerialDevice::WaitResult::Woken:
      case platform::SerialDevice::WaitResult::Failed:
        return queue_.Count() > 0;
    }
  }
}

bool TComPort::WriteString(const char* text) {
  return Write(reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)));
}

bool TComPort::ReadByteWait(char* out, uint32_t milliseconds) {
  if (!opened_ || readFailure_) {
    lastError_ = kErrReadFailed;
    return false;
  }
  uint8_t byte = 0;
  if (queue_.Get(byte) != 0) {
    if (!queue_.WaitForData(milliseconds) || queue_.Get(byte) != 0) {
      lastError_ = kErrTimeout;
      return false;
    }
  }
  *out = static_cast<char>(byte);
  return true;
}

int TComPort::PullInput() {
  uint8_t chunk[kChunkSize];
  int moved = 0;
  for (;;) {
    const int n = device_.ReadSome(chunk, kChunkSize);
    if (n < 0) return -1;
    if (n > 0) {
      if (readHook_) readHook_();
      queue_.PutBlock(chunk, n);
    }
    moved += n;
    // A short read took all there was: no read that would only say so.
    if (n < kChunkSize) return moved;
  }
}

void TComPort::ReceiveLoop() {
  for (;;) {
    switch (device_.WaitInput()) {
      case platform::SerialDevice::WaitResult::Woken:
        return;
      case platform::SerialDevice::WaitResult::Failed:
        readFailure_ = kErrReadFailed;
        device_.WaitWake();
        return;
      case platform::SerialDevice::WaitResult::Readable:
      case platform::SerialDevice::WaitResult::TimedOut:
        break;
    }
    std::unique_lock<std::mutex> guard(pullLock_, std::try_to_lock);
    if (!guard.owns_lock()) {
      // A reader waiting on the device takes this input itself. Looking
      // again in a moment, rather than sleeping on the lock, spares the
      // reader a wake-up of this thread on its way out.
      if (device_.WaitWake(kStandAsideMs)) return;
      continue;
    }
    const int pulled = PullInput();
    guard.unlock();
    if (pulled < 0) {
      // A failed or hung-up device stays failed: wait for Close instead of
      // spinning on it.
      readFailure_ = kErrReadFailed;
      device_.WaitWake();
      return;
    }
  }
}
