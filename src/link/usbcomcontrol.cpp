#include "link/usbcomcontrol.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/convert.h"

TUsbComControl::TUsbComControl(std::shared_ptr<TUsbAdapter> adapter)
    : adapter_(adapter ? std::move(adapter) : CreateLibUsbAdapter()) {}

TUsbComControl::~TUsbComControl() { Close(); }

bool TUsbComControl::OpenUsb(uint16_t vendorId, uint16_t productId, uint8_t inEndPoint, uint8_t outEndPoint) {
  vendorId_ = vendorId;
  productId_ = productId;
  inEndPoint_ = inEndPoint;
  outEndPoint_ = outEndPoint;
  if (deviceHandle_ != -1) Close();
  openError_ = 0;
  openReason_.clear();

  deviceHandle_ = adapter_->BulkUsb_Open_mask(12, 0, 0, vendorId_, productId_, 0);
  if (deviceHandle_ == -1) return OpenFailed(kErrOpen, UsbErrorText(adapter_->LastOpenError()));
  // The device stays open until Close, which releases what did open.
  readPipe_ = adapter_->BulkUsb_OpenPipe_Overlapped(deviceHandle_, 0, inEndPoint_);
  if (readPipe_ == -1)
    return OpenFailed(kErrOpen, platform::Format("INEndPoint %d: ", inEndPoint_) + UsbErrorText(adapter_->LastOpenError()));
  writePipe_ = adapter_->BulkUsb_OpenPipe_Overlapped(deviceHandle_, 0, outEndPoint_);
  if (writePipe_ == -1)
    return OpenFailed(kErrOpen,
                      platform::Format("OutEndPoint %d: ", outEndPoint_) + UsbErrorText(adapter_->LastOpenError()));
  // The wrong way round, the receive thread would send its read buffer and
  // queue the same bytes as received.
  if (!adapter_->PipeIsIn(readPipe_)) return OpenFailed(kErrInEndPoint, "");
  if (adapter_->PipeIsIn(writePipe_)) return OpenFailed(kErrOutEndPoint, "");
  stopping_ = false;
  try {
    receiveThread_ = std::thread(&TUsbComControl::ReceiveLoop, this);
  } catch (const std::system_error& e) {
    return OpenFailed(kErrOpen, e.code().message());
  }
  return true;
}

bool TUsbComControl::OpenFailed(int error, std::string reason) {
  lastError_ = openError_ = error;
  openReason_ = std::move(reason);
  return false;
}

std::string TUsbComControl::EndpointFailure(bool japanese) const {
  if (openError_ == kErrInEndPoint)
    return japanese ? platform::Format("INEndPoint %d は IN エンドポイントではありません", inEndPoint_)
                    : platform::Format("INEndPoint %d is not an IN endpoint", inEndPoint_);
  if (openError_ == kErrOutEndPoint)
    return japanese ? platform::Format("OutEndPoint %d は OUT エンドポイントではありません", outEndPoint_)
                    : platform::Format("OutEndPoint %d is not an OUT endpoint", outEndPoint_);
  return "";
}

std::string TUsbComControl::OpenFailure(bool japanese) const {
  if (openError_ == 0) return "";
  const std::string endpoint = EndpointFailure(japanese);
  return platform::Format("USB %04X:%04X: ", unsigned{vendorId_}, unsigned{productId_}) + (endpoint.empty() ? openReason_ : endpoint);
}

bool TUsbComControl::Close() {
  // No read may be outstanding when the pipes go: stop the thread first. Its
  // reads end within the read time-out.
  if (receiveThread_.joinable()) {
    {
      std::lock_guard<std::mutex> guard(stopLock_);
      stopping_ = true;
    }
    stopRequested_.notify_all();
    receiveThread_.join();
  }
  if (deviceHandle_ != -1) {
    if (adapter_->BulkUsb_Check(deviceHandle_) != TUsbAdapter::kPipesGone) {
      if (readPipe_ != -1) adapter_->ClosePipe(readPipe_);
      if (writePipe_ != -1) adapter_->ClosePipe(writePipe_);
    }
    adapter_->BulkUsb_Close(deviceHandle_);
  }
  deviceHandle_ = readPipe_ = writePipe_ = -1;
  return true;
}

bool TUsbComControl::Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) {
  std::lock_guard<std::mutex> guard(queueLock_);
  if (queue_.empty() || maximum == 0) return true;
  const size_t n = std::min<size_t>(queue_.size(), maximum);
  std::copy_n(queue_.begin(), n, buffer);
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
  received = static_cast<uint32_t>(n);
  return true;
}

bool TUsbComControl::Write(const uint8_t* buffer, uint32_t length) {
  std::lock_guard<std::mutex> guard(writeLock_);
  if (writePipe_ == -1) {
    lastError_ = kErrWrite;
    return false;
  }
  // The transfer ends (completed, failed or cancelled) before WritePipe
  // returns, so the caller's buffer is free again whatever happened.
  const int sent = adapter_->WritePipe(writePipe_, buffer, length, kWriteTimeoutMs);
  if (sent < 0 || static_cast<uint32_t>(sent) != length) {
    lastError_ = kErrWrite;
    return false;
  }
  return true;
}

void TUsbComControl::Purge() {
  std::lock_guard<std::mutex> guard(queueLock_);
  queue_.clear();
}

bool TUsbComControl::WaitForData(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> guard(queueLock_);
  if (!queue_.empty()) return true;
  if (deviceHandle_ == -1) return false;
  return dataArrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return !queue_.empty(); });
}

void TUsbComControl::PushByte(uint8_t byte) {
  {
    std::lock_guard<std::mutex> guard(queueLock_);
    queue_.push_back(byte);
  }
  dataArrived_.notify_all();
}

void TUsbComControl::ReceiveLoop() {
  uint8_t buffer[kReadSize];
  while (!stopping_) {
    // Never more than the buffer holds, whatever the adapter says.
    const int n = std::min(adapter_->ReadPipe(readPipe_, buffer, kReadSize, kReadTimeoutMs), int{kReadSize});
    if (n > 0) {
      for (int i = 0; i < n; ++i) PushByte(buffer[i]);
    } else if (n < 0) {
      // A failed pipe (an unplugged adapter) fails at once: pause instead of
      // spinning until Close.
      std::unique_lock<std::mutex> guard(stopLock_);
      stopRequested_.wait_for(guard, std::chrono::milliseconds(kReadTimeoutMs), [this] { return stopping_.load(); });
    }
  }
}
