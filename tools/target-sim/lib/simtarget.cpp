#include "simtarget.h"

#include <algorithm>

namespace {

constexpr int kBaudIndexCount = 15;
// The host's frame buffer holds 300 bytes; nothing longer is a request.
constexpr size_t kMaxEcs3Request = 300;

uint8_t Checksum(const uint8_t* data, size_t n) {
  unsigned sum = 0;
  for (size_t i = 0; i < n; ++i) sum += data[i];
  return static_cast<uint8_t>(sum);
}

uint32_t BigEndian(const SimBytes& frame, size_t offset, size_t size) {
  uint32_t value = 0;
  for (size_t i = 0; i < size; ++i) value = (value << 8) | frame[offset + i];
  return value;
}

}  // namespace

void SimGarble(SimBytes& bytes) {
  // No "P" or "`" survives, and the short framing-error reply gets a length
  // field far beyond its size, so the host waits for it in vain.
  for (uint8_t& b : bytes) b ^= 0x5A;
}

SimFault SimFault::Error(int number) {
  SimFault f;
  f.errorNumber = number & 0xFF;
  return f;
}
SimFault SimFault::Silence() {
  SimFault f;
  f.silence = true;
  return f;
}
SimFault SimFault::BadChecksum() {
  SimFault f;
  f.badChecksum = true;
  return f;
}
SimFault SimFault::BadFirstByte(uint8_t byte) {
  SimFault f;
  f.firstByte = byte;
  return f;
}
SimFault SimFault::TooLong(int extra) {
  SimFault f;
  f.extraBytes = extra;
  return f;
}
SimFault SimFault::TooShort(int missing) {
  SimFault f;
  f.missingBytes = missing;
  return f;
}
SimFault SimFault::Late(uint32_t ms) {
  SimFault f;
  f.lateMs = ms;
  return f;
}
SimFault SimFault::Raw(const SimBytes& bytes) {
  SimFault f;
  f.raw = true;
  f.rawBytes = bytes;
  return f;
}

SimTarget::SimTarget(SimProtocol protocol) : protocol_(protocol) {}

size_t SimTarget::HeaderSize() const { return protocol_ == SimProtocol::Ecs3 ? 3 : 2; }

size_t SimTarget::LengthField(const SimBytes& frame) const {
  return protocol_ == SimProtocol::Ecs3 ? BigEndian(frame, 1, 2) : frame[1];
}

size_t SimTarget::MaxReplyData() const { return protocol_ == SimProtocol::Ecs3 ? 265 - 4 : 70 - 3; }

std::vector<SimChunk> SimTarget::Receive(const uint8_t* data, size_t length, uint64_t nowUs, int hostBaudIndex) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SimChunk> out;
  if (length == 0) return out;
  if (hostBaudIndex != kNoRate && hostBaudIndex != baudIndex_) return Noise(nowUs);
  inNoise_ = false;

  // A frame whose bytes stopped coming is given up, so the next one is read
  // from its first byte.
  if (!rx_.empty() && nowUs > lastByteUs_ + kInterByteTimeoutUs) rx_.clear();
  lastByteUs_ = nowUs;
  rx_.insert(rx_.end(), data, data + length);

  const size_t header = HeaderSize();
  const size_t minLength = header + 1;
  const size_t maxLength = protocol_ == SimProtocol::Ecs3 ? kMaxEcs3Request : 255;
  while (rx_.size() >= header) {
    const size_t n = LengthField(rx_);
    if (n < minLength || n > maxLength) {
      // No frame can be cut from this: refuse what came and start afresh.
      SimBytes junk;
      junk.swap(rx_);
      frames_.push_back({junk, nowUs});
      SimFault fault;
      if (!faults_.empty()) {
        fault = faults_.front();
        faults_.pop_front();
      }
      if (fault.silence) break;
      Reply r;
      r.error = true;
      r.number = fault.errorNumber >= 0 ? fault.errorNumber : sim_error::kLength;
      SimBytes bytes = BuildReply(r, fault);
      out.push_back({bytes, uint64_t(fault.lateMs) * 1000, baudIndex_});
      break;
    }
    if (rx_.size() < n) break;
    SimBytes frame(rx_.begin(), rx_.begin() + static_cast<long>(n));
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<long>(n));
    std::vector<SimChunk> chunks = Answer(frame, nowUs);
    out.insert(out.end(), chunks.begin(), chunks.end());
  }
  return out;
}

std::vector<SimChunk> SimTarget::Noise(uint64_t nowUs) {
  // The target's receiver sees framing errors: whatever frame was half read
  // is lost, and the target complains once per burst.
  rx_.clear();
  std::vector<SimChunk> out;
  const bool newBurst = !inNoise_ || nowUs > lastNoiseUs_ + kInterByteTimeoutUs;
  inNoise_ = true;
  lastNoiseUs_ = nowUs;
  if (!newBurst) return out;
  Reply r;
  r.error = true;
  r.number = sim_error::kFramingError;
  out.push_back({BuildReply(r, SimFault()), 0, baudIndex_});
  return out;
}

std::vector<SimChunk> SimTarget::Answer(const SimBytes& frame, uint64_t nowUs) {
  frames_.push_back({frame, nowUs});
  SimFault fault;
  if (!faults_.empty()) {
    fault = faults_.front();
    faults_.pop_front();
  }
  if (fault.silence) return {};

  int newBaudIndex = -1;
  Reply reply;
  if (fault.errorNumber >= 0) {
    reply.error = true;
    reply.number = fault.errorNumber;
  } else {
    reply = Execute(frame, newBaudIndex);
  }
  const SimBytes bytes = BuildReply(reply, fault);

  std::vector<SimChunk> chunks;
  if (!bytes.empty()) chunks.push_back({bytes, uint64_t(fault.lateMs) * 1000, baudIndex_});
  // The acknowledge goes out at the old rate; only then does the line change.
  if (newBaudIndex >= 0) baudIndex_ = newBaudIndex;
  return chunks;
}

SimBytes SimTarget::BuildReply(const Reply& reply, const SimFault& fault) const {
  if (fault.raw) return fault.rawBytes;
  SimBytes data = reply.error ? SimBytes{static_cast<uint8_t>(reply.number)} : reply.data;
  for (int i = 0; i < fault.extraBytes; ++i) data.push_back(static_cast<uint8_t>(0xA0 + i));
  data.resize(data.size() - std::min<size_t>(data.size(), static_cast<size_t>(std::max(fault.missingBytes, 0))));

  SimBytes out;
  out.push_back(reply.error ? '`' : 'P');
  const size_t length = data.size() + HeaderSize() + 1;
  if (protocol_ == SimProtocol::Ecs3) out.push_back(static_cast<uint8_t>(length >> 8));
  out.push_back(static_cast<uint8_t>(length));
  out.insert(out.end(), data.begin(), data.end());
  out.push_back(Checksum(out.data(), out.size()));
  if (fault.badChecksum) out.back() = static_cast<uint8_t>(out.back() + 1);
  if (fault.firstByte >= 0) out[0] = static_cast<uint8_t>(fault.firstByte);
  return out;
}

SimTarget::Reply SimTarget::Execute(const SimBytes& frame, int& newBaudIndex) {
  auto fail = [](int number) {
    Reply r;
    r.error = true;
    r.number = number;
    return r;
  };
  const size_t n = frame.size();
  if (Checksum(frame.data(), n - 1) != frame[n - 1]) return fail(sim_error::kChecksum);

  const bool ecs3 = protocol_ == SimProtocol::Ecs3;
  // ECS2 fields sit one byte earlier (one-byte length) and its memory
  // addresses have 16 bits.
  const size_t h = HeaderSize();
  const size_t memAddressSize = ecs3 ? 4 : 2;
  switch (frame[0]) {
    case 0xF0: {
      if (n != h + 1 + memAddressSize + (ecs3 ? 2 : 1) + 1) return fail(sim_error::kLength);
      const int width = frame[h];
      const uint32_t address = BigEndian(frame, h + 1, memAddressSize);
      const size_t count = BigEndian(frame, h + 1 + memAddressSize, ecs3 ? 2 : 1);
      return ReadMemory(width, address, count);
    }
    case 0xF1: {
      const size_t dataAt = h + 1 + memAddressSize;
      if (n < dataAt + 1) return fail(sim_error::kLength);
      const int width = frame[h];
      const uint32_t address = BigEndian(frame, h + 1, memAddressSize);
      return WriteMemory(width, address, frame.data() + dataAt, n - dataAt - 1, newBaudIndex);
    }
    case 0xF2: {
      if (n != h + 1 + 8 + (ecs3 ? 2 : 1) + 1) return fail(sim_error::kLength);
      const uint8_t device = frame[h];
      const uint32_t address = BigEndian(frame, h + 5, 4);
      const size_t count = BigEndian(frame, h + 9, ecs3 ? 2 : 1);
      return ReadDevice(device, address, count);
    }
    case 0xF3: {
      const size_t dataAt = h + 9;
      if (n < dataAt + 1) return fail(sim_error::kLength);
      const uint8_t device = frame[h];
      const uint32_t address = BigEndian(frame, h + 5, 4);
      return WriteDevice(device, address, frame.data() + dataAt, n - dataAt - 1);
    }
    default:
      return fail(sim_error::kNoCommand);
  }
}

SimTarget::Reply SimTarget::ReadMemory(int width, uint32_t address, size_t count) {
  Reply r;
  r.error = true;
  if (width != 1 && width != 2) {
    r.number = sim_error::kDataType;
    return r;
  }
  if (count == 0 || count * static_cast<size_t>(width) > MaxReplyData()) {
    r.number = sim_error::kPieces;
    return r;
  }
  SimBytes data;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t a = address + static_cast<uint32_t>(i);
    auto e = readErrors_.find(a);
    if (e != readErrors_.end()) {
      r.number = e->second;
      return r;
    }
    auto b = noBlockRead_.find(a);
    if (count > 1 && b != noBlockRead_.end()) {
      r.number = b->second;
      return r;
    }
    uint16_t value = 0;
    if (baudRegister_ != 0 && a == baudRegister_) {
      value = static_cast<uint16_t>(baudIndex_);
    } else {
      auto v = registers_.find(a);
      if (v != registers_.end()) value = v->second;
    }
    if (width == 2) data.push_back(static_cast<uint8_t>(value >> 8));
    data.push_back(static_cast<uint8_t>(value));
  }
  r.error = false;
  r.data = std::move(data);
  return r;
}

SimTarget::Reply SimTarget::WriteMemory(int width, uint32_t address, const uint8_t* data, size_t bytes,
                                        int& newBaudIndex) {
  Reply r;
  r.error = true;
  if (width != 1 && width != 2) {
    r.number = sim_error::kDataType;
    return r;
  }
  if (width == 2 && bytes % 2 != 0) {
    r.number = sim_error::kLength;
    return r;
  }
  const size_t count = bytes / static_cast<size_t>(width);
  if (count == 0) {
    r.number = sim_error::kPieces;
    return r;
  }
  auto valueAt = [&](size_t i) -> uint16_t {
    return width == 2 ? static_cast<uint16_t>((data[2 * i] << 8) | data[2 * i + 1]) : data[i];
  };
  // Nothing is written unless every word may be.
  for (size_t i = 0; i < count; ++i) {
    const uint32_t a = address + static_cast<uint32_t>(i);
    auto e = writeErrors_.find(a);
    if (e != writeErrors_.end()) {
      r.number = e->second;
      return r;
    }
    if (baudRegister_ != 0 && a == baudRegister_) {
      const uint16_t index = valueAt(i);
      if (index >= kBaudIndexCount || !(supportedBauds_ & (1u << index))) {
        r.number = sim_error::kMinMax;
        return r;
      }
    }
  }
  for (size_t i = 0; i < count; ++i) {
    const uint32_t a = address + static_cast<uint32_t>(i);
    registers_[a] = valueAt(i);
    if (baudRegister_ != 0 && a == baudRegister_) newBaudIndex = valueAt(i);
  }
  r.error = false;
  return r;
}

const SimTarget::NvmDevice* SimTarget::FindDevice(uint8_t device, uint32_t address, size_t count,
                                                  int& error) const {
  auto d = nvm_.find(device);
  if (d == nvm_.end()) {
    error = sim_error::kNoId;
    return nullptr;
  }
  if (count == 0) {
    error = sim_error::kPieces;
    return nullptr;
  }
  if (address < d->second.start || uint64_t(address) + count - 1 > d->second.end) {
    error = sim_error::kBoundary;
    return nullptr;
  }
  return &d->second;
}

SimTarget::Reply SimTarget::ReadDevice(uint8_t device, uint32_t address, size_t count) {
  Reply r;
  r.error = true;
  const NvmDevice* d = FindDevice(device, address, count, r.number);
  if (!d) return r;
  if (count > MaxReplyData()) {
    r.number = sim_error::kPieces;
    return r;
  }
  const size_t at = address - d->start;
  r.data.assign(d->bytes.begin() + static_cast<long>(at), d->bytes.begin() + static_cast<long>(at + count));
  r.error = false;
  return r;
}

SimTarget::Reply SimTarget::WriteDevice(uint8_t device, uint32_t address, const uint8_t* data, size_t count) {
  Reply r;
  r.error = true;
  const NvmDevice* d = FindDevice(device, address, count, r.number);
  if (!d) return r;
  NvmDevice& dev = nvm_[device];
  std::copy(data, data + count, dev.bytes.begin() + static_cast<long>(address - dev.start));
  r.error = false;
  return r;
}

void SimTarget::SetRegister(uint32_t address, uint16_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  registers_[address] = value;
}

uint16_t SimTarget::Register(uint32_t address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (baudRegister_ != 0 && address == baudRegister_) return static_cast<uint16_t>(baudIndex_);
  auto v = registers_.find(address);
  return v == registers_.end() ? 0 : v->second;
}

namespace {
void SetOrClear(std::map<uint32_t, int>& map, uint32_t address, int errorNumber) {
  if (errorNumber == 0)
    map.erase(address);
  else
    map[address] = errorNumber & 0xFF;
}
}  // namespace

void SimTarget::SetReadError(uint32_t address, int errorNumber) {
  std::lock_guard<std::mutex> lock(mutex_);
  SetOrClear(readErrors_, address, errorNumber);
}

void SimTarget::SetWriteError(uint32_t address, int errorNumber) {
  std::lock_guard<std::mutex> lock(mutex_);
  SetOrClear(writeErrors_, address, errorNumber);
}

void SimTarget::SetNoBlockRead(uint32_t address, int errorNumber) {
  std::lock_guard<std::mutex> lock(mutex_);
  SetOrClear(noBlockRead_, address, errorNumber);
}

void SimTarget::AddNvmDevice(uint8_t device, uint32_t start, uint32_t end, uint8_t fill) {
  std::lock_guard<std::mutex> lock(mutex_);
  NvmDevice d;
  d.start = start;
  d.end = std::max(start, end);
  d.bytes.assign(size_t(d.end - d.start) + 1, fill);
  nvm_[device] = std::move(d);
}

bool SimTarget::SetNvm(uint8_t device, uint32_t address, const SimBytes& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  int error = 0;
  if (!FindDevice(device, address, bytes.size(), error)) return false;
  NvmDevice& d = nvm_[device];
  std::copy(bytes.begin(), bytes.end(), d.bytes.begin() + static_cast<long>(address - d.start));
  return true;
}

SimBytes SimTarget::Nvm(uint8_t device, uint32_t address, size_t count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  int error = 0;
  const NvmDevice* d = FindDevice(device, address, count, error);
  if (!d) return {};
  const size_t at = address - d->start;
  return SimBytes(d->bytes.begin() + static_cast<long>(at), d->bytes.begin() + static_cast<long>(at + count));
}

void SimTarget::SetBaudRegister(uint32_t address) {
  std::lock_guard<std::mutex> lock(mutex_);
  baudRegister_ = address;
}

uint32_t SimTarget::BaudRegister() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return baudRegister_;
}

void SimTarget::SetBaudIndex(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  baudIndex_ = index;
}

int SimTarget::BaudIndex() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return baudIndex_;
}

void SimTarget::SetSupportedBauds(uint32_t mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  supportedBauds_ = mask;
}

void SimTarget::AddFault(const SimFault& fault, int times) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < times; ++i) faults_.push_back(fault);
}

void SimTarget::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.clear();
}

size_t SimTarget::PendingFaults() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return faults_.size();
}

std::vector<SimFrame> SimTarget::Frames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_;
}

size_t SimTarget::FrameCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frames_.size();
}

void SimTarget::ClearFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  frames_.clear();
}
