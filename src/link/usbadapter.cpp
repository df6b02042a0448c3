#include "link/usbadapter.h"

#include <libusb.h>

#include <map>
#include <mutex>

std::vector<uint8_t> EndpointsOfInterface0(const libusb_config_descriptor& config) {
  std::vector<uint8_t> result;
  if (!config.interface) return result;
  for (int i = 0; i < config.bNumInterfaces; ++i) {
    const libusb_interface& itf = config.interface[i];
    if (itf.num_altsetting <= 0 || !itf.altsetting) continue;
    const libusb_interface_descriptor& alt = itf.altsetting[0];
    if (alt.bInterfaceNumber != 0) continue;
    for (int e = 0; e < alt.bNumEndpoints && alt.endpoint; ++e) result.push_back(alt.endpoint[e].bEndpointAddress);
    break;
  }
  return result;
}

int EndpointAddressOfNumber(const std::vector<uint8_t>& endpoints, int number) {
  if (number < 0 || static_cast<size_t>(number) >= endpoints.size()) return -1;
  return endpoints[static_cast<size_t>(number)];
}

namespace {

class TLibUsbAdapter : public TUsbAdapter {
 public:
  ~TLibUsbAdapter() override {
    std::map<int, Device> devices;
    {
      std::lock_guard<std::mutex> guard(lock_);
      devices.swap(devices_);
      pipes_.clear();
    }
    for (auto& d : devices) Release(d.second.handle);
    if (context_) libusb_exit(context_);
  }

  int BulkUsb_Open_mask(int, int, int, uint16_t vendorId, uint16_t productId, int) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!context_) {
      const int rc = libusb_init(&context_);
      if (rc != LIBUSB_SUCCESS) {
        context_ = nullptr;
        return Failed(rc);
      }
    }
    // The first device with the ids, opened by hand rather than with
    // libusb_open_device_with_vid_pid, which keeps the reason to itself.
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) return Failed(static_cast<int>(count));
    libusb_device_handle* handle = nullptr;
    int rc = LIBUSB_ERROR_NO_DEVICE;
    for (ssize_t i = 0; i < count; ++i) {
      libusb_device_descriptor descriptor{};
      if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) continue;
      if (descriptor.idVendor != vendorId || descriptor.idProduct != productId) continue;
      rc = libusb_open(list[i], &handle);
      break;
    }
    libusb_free_device_list(list, 1);
    if (rc != LIBUSB_SUCCESS) return Failed(rc);
    libusb_set_auto_detach_kernel_driver(handle, 1);
    rc = libusb_claim_interface(handle, 0);
    if (rc != LIBUSB_SUCCESS) {
      libusb_close(handle);
      return Failed(rc);
    }
    Device device;
    device.handle = handle;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(handle), &config) == LIBUSB_SUCCESS && config) {
      device.endpoints = EndpointsOfInterface0(*config);
      libusb_free_config_descriptor(config);
    }
    const int id = nextHandle_++;
    devices_[id] = device;
    return id;
  }

  int BulkUsb_OpenPipe_Overlapped(int device, int, uint8_t endpoint) override {
    std::lock_guard<std::mutex> guard(lock_);
    auto d = devices_.find(device);
    if (d == devices_.end()) return Failed(LIBUSB_ERROR_NO_DEVICE);
    const int address = EndpointAddressOfNumber(d->second.endpoints, endpoint);
    if (address < 0) return Failed(LIBUSB_ERROR_NOT_FOUND);
    const int id = nextHandle_++;
    pipes_[id] = Pipe{device, d->second.handle, static_cast<uint8_t>(address)};
    return id;
  }

  int BulkUsb_Check(int device) override {
    std::lock_guard<std::mutex> guard(lock_);
    auto d = devices_.find(device);
    if (d == devices_.end()) return kPipesGone;
    int configuration = 0;
    return libusb_get_configuration(d->second.handle, &configuration) == LIBUSB_ERROR_NO_DEVICE ? kPipesGone : 0;
  }

  void BulkUsb_Close(int device) override {
    libusb_device_handle* handle = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto d = devices_.find(device);
      if (d == devices_.end()) return;
      handle = d->second.handle;
      devices_.erase(d);
      for (auto p = pipes_.begin(); p != pipes_.end();) p = p->second.device == device ? pipes_.erase(p) : std::next(p);
    }
    Release(handle);
  }

  int ReadPipe(int pipe, uint8_t* buffer, uint32_t maximum, uint32_t timeoutMs) override {
    return Transfer(pipe, true, buffer, maximum, timeoutMs);
  }

  int WritePipe(int pipe, const uint8_t* data, uint32_t length, uint32_t timeoutMs) override {
    // libusb does not write through the pointer of an OUT transfer.
    return Transfer(pipe, false, const_cast<uint8_t*>(data), length, timeoutMs);
  }

  bool PipeIsIn(int pipe) override {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = pipes_.find(pipe);
    return it != pipes_.end() && (it->second.address & LIBUSB_ENDPOINT_IN) != 0;
  }

  void ClosePipe(int pipe) override {
    std::lock_guard<std::mutex> guard(lock_);
    pipes_.erase(pipe);
  }

  int LastOpenError() override {
    std::lock_guard<std::mutex> guard(lock_);
    return lastOpenError_;
  }

 private:
  struct Device {
    libusb_device_handle* handle = nullptr;
    std::vector<uint8_t> endpoints;
  };
  struct Pipe {
    int device;
    libusb_device_handle* handle;
    uint8_t address;
  };

  // Under lock_.
  int Failed(int code) {
    lastOpenError_ = code;
    return -1;
  }

  static void Release(libusb_device_handle* handle) {
    libusb_release_interface(handle, 0);
    libusb_close(handle);
  }

  // A synchronous transfer: on a time-out libusb cancels it and returns only
  // once it is cancelled, so nothing is left pending on the caller's buffer.
  // The endpoint's direction decides what libusb does with the buffer: a read
  // on an OUT endpoint would send it, so it must match.
  int Transfer(int pipe, bool in, uint8_t* buffer, uint32_t length, uint32_t timeoutMs) {
    Pipe p{};
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = pipes_.find(pipe);
      if (it == pipes_.end()) return -1;
      p = it->second;
    }
    if (((p.address & LIBUSB_ENDPOINT_IN) != 0) != in) return -1;
    if (length > uint32_t(INT32_MAX)) length = INT32_MAX;
    int transferred = 0;
    const int rc = libusb_bulk_transfer(p.handle, p.address, buffer, static_cast<int>(length), &transferred,
                                        static_cast<unsigned int>(timeoutMs));
    if (rc == LIBUSB_SUCCESS || rc == LIBUSB_ERROR_TIMEOUT) return transferred;
    return -1;
  }

  std::mutex lock_;
  libusb_context* context_ = nullptr;
  std::map<int, Device> devices_;
  std::map<int, Pipe> pipes_;
  int nextHandle_ = 1;
  int lastOpenError_ = LIBUSB_SUCCESS;
};

}  // namespace

std::string UsbErrorText(int code) { return libusb_strerror(code); }

std::shared_ptr<TUsbAdapter> CreateLibUsbAdapter() { return std::make_shared<TLibUsbAdapter>(); }
