// The physical layer: raw bytes between the program and the target, over a
// serial port (TComPort) or the USB adapter (TUsbComControl). Owners delete a
// layer through this interface.
#pragma once
#include <cstdint>

class TBusPhysicalLayer {
 public:
  virtual ~TBusPhysicalLayer() = default;

  // Opens the serial port of index port (0 = COM1) at the rate of baud index
  // baud; the line's byte size is 8 - dataBitReduction; parity 0 none, 1 odd,
  // 2 even, 3 mark, 4 space; stopBits 0 one, 1 one and a half, 2 two; flowMode
  // 0 none, 1 hardware handshake, 2 XON/XOFF. Opening an open layer reopens it.
  virtual bool Open(uint8_t port, uint8_t baud, uint8_t dataBitReduction, uint8_t parity, uint8_t stopBits,
                    uint8_t flowMode) {
    (void)port, (void)baud, (void)dataBitReduction, (void)parity, (void)stopBits, (void)flowMode;
    return false;
  }
  // Opens the USB adapter by vendor and product id with its IN and OUT pipes.
  virtual bool OpenUsb(uint16_t vendorId, uint16_t productId, uint8_t inEndPoint, uint8_t outEndPoint) {
    (void)vendorId, (void)productId, (void)inEndPoint, (void)outEndPoint;
    return false;
  }
  // Stops the receive thread and releases the device. True.
  virtual bool Close() = 0;
  // Never waits: hands over up to maximum bytes that have already arrived,
  // oldest first. With nothing queued, received is left as the caller set it
  // and the result is true.
  virtual bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) = 0;
  // Sends all length bytes; false when not every byte went out in time.
  virtual bool Write(const uint8_t* buffer, uint32_t length) = 0;
  // Drops everything received and not yet read.
  virtual void Purge() = 0;

  // Sleeps until at least one received byte is queued or timeoutMs pass; true
  // when data is queued. Returns at once when data is already queued, and
  // false at once when the layer is closed. Lets a transaction wait for its
  // reply without spinning while it keeps its own time-out on its clock.
  virtual bool WaitForData(uint32_t timeoutMs) = 0;
  // True for a serial link (only a serial link can change its baud rate).
  virtual bool IsSerial() const { return false; }
  // True once the layer can carry no more bytes until it is opened again
  // (the device failed or hung up, or it is closed).
  virtual bool HasFailed() const { return false; }
};
