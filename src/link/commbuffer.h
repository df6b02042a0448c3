// The serial receive queue: a fixed-capacity ring of bytes filled by the
// receive thread and drained by the reader. It never grows: a byte that
// arrives while it is full is dropped.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class TCommBuffer {
 public:
  TCommBuffer() = default;
  TCommBuffer(const TCommBuffer&) = delete;
  TCommBuffer& operator=(const TCommBuffer&) = delete;

  // Replaces the storage by an empty ring of capacity bytes; false (and no
  // storage) when it cannot be had.
  bool Allocate(int32_t capacity);
  void Clear();
  // 0, or 1 when full (the byte is dropped).
  int Put(uint8_t byte);
  // Puts a chunk under one lock, waking a reader asleep on the empty ring;
  // returns the number of bytes dropped because the ring was full.
  int PutBlock(const uint8_t* data, int length);
  // 0, or 2 when empty.
  int Get(uint8_t& byte);
  // Takes up to maximum bytes, oldest first; returns how many.
  int GetBlock(uint8_t* buffer, int maximum);
  // Readable without the lock.
  int32_t Count() const { return count_.load(std::memory_order_acquire); }
  // Sleeps until a byte is queued or timeoutMs pass; true when one is queued.
  bool WaitForData(uint32_t timeoutMs);
  // Readers asleep in WaitForData.
  int32_t Waiting() const;

 private:
  mutable std::mutex lock_;
  std::condition_variable arrived_;
  std::unique_ptr<uint8_t[]> data_;
  std::atomic<int32_t> count_{0};
  int32_t waiting_ = 0;  // readers asleep in WaitForData
  int32_t readIndex_ = 0;
  int32_t writeIndex_ = 0;
  int32_t capacity_ = 0;
};
