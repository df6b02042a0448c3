// A scripted USB adapter: data that arrives in transfers, writes that
// complete, come up short, time out or fail, and an adapter that is unplugged.
// It records the calls and notices any transfer on a pipe that is closed.
#pragma once
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "link/usbadapter.h"

class FakeUsbAdapter : public TUsbAdapter {
 public:
  enum class WriteMode { Complete, Short, TimedOut, Failed };

  // Script (set before the calls that use it).
  int deviceHandle = 7;                 // what BulkUsb_Open_mask gives; -1 = no device
  std::map<uint8_t, int> pipeHandles;   // by endpoint; missing = 100 + endpoint
  // Endpoints 1, 3, ... are IN and 0, 2, ... OUT, as on the usual two-pipe adapters.
  WriteMode writeMode = WriteMode::Complete;

  void Arrive(std::vector<uint8_t> transfer) {
    std::lock_guard<std::mutex> g(m_);
    transfers_.push_back(std::move(transfer));
    cv_.notify_all();
  }
  // Every read fails from now on and the check reports the pipes gone.
  void Unplug() {
    std::lock_guard<std::mutex> g(m_);
    unplugged_ = true;
    cv_.notify_all();
  }
  // True once every transfer was handed out and the reader came back for
  // more, so the bytes handed out are queued.
  bool WaitUntilDelivered(int timeoutMs = 5000) {
    std::unique_lock<std::mutex> g(m_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs),
                        [&] { return transfers_.empty() && readCalls_ > lastTakenBy_; });
  }

  // Records.
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> g(m_);
    return calls_;
  }
  std::vector<uint8_t> Written() {
    std::lock_guard<std::mutex> g(m_);
    return written_;
  }
  int Misuse() {
    std::lock_guard<std::mutex> g(m_);
    return misuse_;
  }
  int ActiveReads() {
    std::lock_guard<std::mutex> g(m_);
    return activeReads_;
  }
  uint32_t LastWriteTimeout() {
    std::lock_guard<std::mutex> g(m_);
    return lastWriteTimeout_;
  }

  int BulkUsb_Open_mask(int mode, int, int, uint16_t vendorId, uint16_t productId, int) override {
    std::lock_guard<std::mutex> g(m_);
    calls_.push_back("open " + std::to_string(mode) + " " + std::to_string(vendorId) + " " +
                     std::to_string(productId));
    if (deviceHandle != -1) openDevice_ = deviceHandle;
    return deviceHandle;
  }
  int BulkUsb_OpenPipe_Overlapped(int device, int, uint8_t endpoint) override {
    std::lock_guard<std::mutex> g(m_);
    calls_.push_back("pipe " + std::to_string(endpoint));
    if (device != openDevice_) ++misuse_;
    auto it = pipeHandles.find(endpoint);
    const int pipe = it != pipeHandles.end() ? it->second : 100 + endpoint;
    if (pipe != -1) openPipes_[pipe] = endpoint;
    return pipe;
  }
  int BulkUsb_Check(int device) override {
    std::lock_guard<std::mutex> g(m_);
    calls_.push_back("check");
    if (device != openDevice_) ++misuse_;
    return unplugged_ ? kPipesGone : 0;
  }
  void BulkUsb_Close(int device) override {
    std::lock_guard<std::mutex> g(m_);
    calls_.push_back("close");
    if (device != openDevice_ || activeReads_ > 0) ++misuse_;
    openDevice_ = -1;
    openPipes_.clear();
  }
  bool PipeIsIn(int pipe) override {
    std::lock_guard<std::mutex> g(m_);
    return IsIn(pipe);
  }
  void ClosePipe(int pipe) override {
    std::lock_guard<std::mutex> g(m_);
    calls_.push_back("closepipe " + std::to_string(pipe));
    if (!openPipes_.erase(pipe) || activeReads_ > 0) ++misuse_;
  }

  int ReadPipe(int pipe, uint8_t* buffer, uint32_t maximum, uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> g(m_);
    const uint64_t call = ++readCalls_;
    cv_.notify_all();
    if (!openPipes_.count(pipe) || !IsIn(pipe)) ++misuse_;
    if (unplugged_) return -1;
    ++activeReads_;
    // Idle reads wait a little only, so that Close does not wait long.
    cv_.wait_for(g, std::chrono::milliseconds(std::min<uint32_t>(timeoutMs, 5)),
                 [&] { return !transfers_.empty() || unplugged_; });
    --activeReads_;
    if (unplugged_) return -1;
    if (transfers_.empty()) return 0;
    std::vector<uint8_t> t = std::move(transfers_.front());
    transfers_.pop_front();
    lastTakenBy_ = call;
    const size_t n = std::min<size_t>(t.size(), maximum);
    std::copy_n(t.begin(), n, buffer);
    return static_cast<int>(n);
  }
  int WritePipe(int pipe, const uint8_t* data, uint32_t length, uint32_t timeoutMs) override {
    std::lock_guard<std::mutex> g(m_);
    lastWriteTimeout_ = timeoutMs;
    if (!openPipes_.count(pipe) || IsIn(pipe)) ++misuse_;
    if (unplugged_) return -1;
    switch (writeMode) {
      case WriteMode::Complete:
        written_.insert(written_.end(), data, data + length);
        return static_cast<int>(length);
      case WriteMode::Short:
        written_.insert(written_.end(), data, data + length / 2);
        return static_cast<int>(length / 2);
      case WriteMode::TimedOut:
        return 0;
      case WriteMode::Failed:
        return -1;
    }
    return -1;
  }

 private:
  bool IsIn(int pipe) const {
    auto it = openPipes_.find(pipe);
    return it != openPipes_.end() && it->second % 2 == 1;
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::vector<uint8_t>> transfers_;
  bool unplugged_ = false;
  uint64_t readCalls_ = 0;
  uint64_t lastTakenBy_ = 0;  // the read call that took the latest transfer
  int activeReads_ = 0;
  int openDevice_ = -1;
  std::map<int, uint8_t> openPipes_;
  std::vector<std::string> calls_;
  std::vector<uint8_t> written_;
  int misuse_ = 0;
  uint32_t lastWriteTimeout_ = 0;
};
