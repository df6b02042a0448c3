// The USB adapter's four calls, behind an interface so that tests can script
// the adapter. The real one is written on libusb-1.0.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct libusb_config_descriptor;

class TUsbAdapter {
 public:
  // BulkUsb_Check's answer when the pipes are gone and must not be closed.
  static constexpr int kPipesGone = 2;

  virtual ~TUsbAdapter() = default;
  // A device handle, or -1 when the device cannot be opened. The first three
  // and the last argument are the adapter's mode words (12, 0, 0 and 0).
  virtual int BulkUsb_Open_mask(int mode, int reserved1, int reserved2, uint16_t vendorId, uint16_t productId,
                                int reserved3) = 0;
  // A handle of the bulk pipe of endpoint number endpoint, or -1.
  virtual int BulkUsb_OpenPipe_Overlapped(int device, int reserved, uint8_t endpoint) = 0;
  virtual int BulkUsb_Check(int device) = 0;
  // Releases the device and whatever pipes of it are still open.
  virtual void BulkUsb_Close(int device) = 0;

  // Transfers on a pipe handle. ReadPipe: bytes received (0 when nothing came
  // within timeoutMs) or -1 when the pipe failed. WritePipe: bytes sent, fewer
  // than length when timeoutMs passed first, or -1 when the pipe failed. A
  // transfer never outlives its call.
  virtual int ReadPipe(int pipe, uint8_t* buffer, uint32_t maximum, uint32_t timeoutMs) = 0;
  virtual int WritePipe(int pipe, const uint8_t* data, uint32_t length, uint32_t timeoutMs) = 0;
  // True when the pipe's endpoint is an IN endpoint (device to host).
  virtual bool PipeIsIn(int pipe) = 0;
  virtual void ClosePipe(int pipe) = 0;
  // Why the last BulkUsb_Open_mask or BulkUsb_OpenPipe_Overlapped gave -1: a
  // libusb error code (LIBUSB_ERROR_NO_DEVICE, _ACCESS, _BUSY, ...).
  virtual int LastOpenError() = 0;
};

// libusb's own words for one of its error codes.
std::string UsbErrorText(int code);

// The adapter on libusb-1.0; libusb is initialised at the first open.
std::shared_ptr<TUsbAdapter> CreateLibUsbAdapter();

// The endpoint addresses of interface 0 (its first alternate setting) in
// descriptor order; empty when the configuration has no interface 0.
std::vector<uint8_t> EndpointsOfInterface0(const libusb_config_descriptor& config);
// The address of endpoint number (its index in that list), or -1.
int EndpointAddressOfNumber(const std::vector<uint8_t>& endpoints, int number);
