#include "link/commbuffer.h"

#include <chrono>
#include <new>

bool TCommBuffer::Allocate(int32_t capacity) {
  std::lock_guard<std::mutex> guard(lock_);
  data_.reset();
  count_.store(0, std::memory_order_release);
  readIndex_ = writeIndex_ = capacity_ = 0;
  if (capacity <= 0) return false;
  data_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(capacity) + 1]);
  if (!data_) return false;
  capacity_ = capacity;
  return true;
}

void TCommBuffer::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  count_.store(0, std::memory_order_release);
  readIndex_ = writeIndex_ = 0;
}

int TCommBuffer::Put(uint8_t byte) { return PutBlock(&byte, 1) ? 1 : 0; }

int TCommBuffer::PutBlock(const uint8_t* data, int length) {
  int dropped = 0;
  bool wake = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    int32_t count = count_.load(std::memory_order_relaxed);
    // A reader sleeps only on an empty ring, so only the first bytes after
    // empty can have one to wake.
    wake = count == 0 && waiting_ > 0;
    for (int i = 0; i < length; ++i) {
      if (count >= capacity_) {
        dropped += length - i;
        break;
      }
      data_[static_cast<size_t>(writeIndex_)] = data[i];
      writeIndex_ = (writeIndex_ + 1) % capacity_;
      ++count;
    }
    if (count == 0) wake = false;
    count_.store(count, std::memory_order_release);
  }
  if (wake) arrived_.notify_all();
  return dropped;
}

int TCommBuffer::Get(uint8_t& byte) { return GetBlock(&byte, 1) ? 0 : 2; }

int TCommBuffer::GetBlock(uint8_t* buffer, int maximum) {
  std::lock_guard<std::mutex> guard(lock_);
  int32_t count = count_.load(std::memory_order_relaxed);
  int taken = 0;
  while (taken < maximum && count > 0) {
    buffer[taken++] = data_[static_cast<size_t>(readIndex_)];
    readIndex_ = (readIndex_ + 1) % capacity_;
    --count;
  }
  count_.store(count, std::memory_order_release);
  return taken;
}

int32_t TCommBuffer::Waiting() const {
  std::lock_guard<std::mutex> guard(lock_);
  return waiting_;
}

bool TCommBuffer::WaitForData(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  if (count_.load(std::memory_order_relaxed) > 0) return true;
  ++waiting_;
  const bool arrived = arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                         [this] { return count_.load(std::memory_order_relaxed) > 0; });
  --waiting_;
  return arrived;
}
