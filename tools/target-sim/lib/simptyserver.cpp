#include "simptyserver.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>

#include "link/baudrates.h"
#include "platform/serialdevice.h"

namespace {

// Replies are paced in slices of about this much wire time: fine enough for
// the host's time-outs, coarse enough not to wake it for every byte.
constexpr int64_t kPaceSliceNs = 4000000;
// A timed wake-up comes late by up to about this much (an idle core, a
// virtual machine). The slice that ends a reply is waited for without sleeping
// over this last stretch, so that it goes out when its last byte would be
// through rather than a wake-up later.
constexpr int64_t kPaceSpinNs = 200000;
// A line rate outside the table: never the target's.
constexpr int kUnknownRate = -2;

int64_t NowNs() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

int IndexOfRate(int rate) {
  for (int i = 0; i < kBaudRateCount; ++i)
    if (BaudRateTable[i] == rate) return i;
  return kUnknownRate;
}

// Ten bits a byte: start, eight data bits, stop.
int64_t ByteNs(int baudIndex) {
  const int rate = BaudRateOfIndex(baudIndex);
  return rate > 0 ? 10000000000LL / rate : 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

struct Outgoing {
  int64_t dueNs;
  SimBytes bytes;
  int baudIndex;
  bool onTime;  // paced, and the last slice of a reply chunk
  size_t sent = 0;
};

}  // namespace

SimPtyServer::SimPtyServer(SimTarget& target) : target_(target) {}

SimPtyServer::~SimPtyServer() { Stop(); }

bool SimPtyServer::Start(std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    CloseFd(master_);
    CloseFd(slave_);
    CloseFd(wake_[0]);
    CloseFd(wake_[1]);
    return false;
  };
  if (Running()) return true;
  if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return fail("openpty");
  char name[256];
  if (::ttyname_r(slave_, name, sizeof name) != 0) return fail("ttyname");
  slavePath_ = name;
  // Raw from the start: an echoing slave would hand the target its own replies.
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return fail("tcgetattr");
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
  if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail("tcsetattr");
  if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) return fail("fcntl");
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe2");
  thread_ = std::thread(&SimPtyServer::Serve, this);
  return true;
}

void SimPtyServer::Stop() {
  if (thread_.joinable()) {
    const char c = 'x';
    while (::write(wake_[1], &c, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  CloseFd(master_);
  CloseFd(slave_);
  CloseFd(wake_[0]);
  CloseFd(wake_[1]);
}

void SimPtyServer::Serve() {
  // Pacing needs wake-ups close to their deadlines.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::deque<Outgoing> out;  // in due order
  int64_t requestEndNs = 0;  // when the host's last byte is through the wire
  int64_t lineFreeNs = 0;    // when the target's last reply byte is through
  bool blocked = false;      // the master's buffer is full
  uint8_t buffer[4096];

  auto hostIndex = [this] { return IndexOfRate(platform::SerialRateOf(slave_)); };

  for (;;) {
    pollfd fds[2] = {{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}};
    timespec wait{};
    timespec* timeout = nullptr;
    if (blocked) {
      fds[1].events |= POLLOUT;
    } else if (!out.empty()) {
      const Outgoing& next = out.front();
      const int64_t wakeNs = next.dueNs - (next.onTime ? kPaceSpinNs : 0);
      const int64_t left = std::max<int64_t>(0, wakeNs - NowNs());
      wait.tv_sec = left / 1000000000;
      wait.tv_nsec = left % 1000000000;
      timeout = &wait;
    }
    const int ready = ::ppoll(fds, 2, timeout, nullptr);
    if (ready < 0 && errno != EINTR) return;
    if (fds[0].revents) return;
    if (fds[1].revents & (POLLERR | POLLNVAL)) return;
    if (fds[1].revents & POLLOUT) blocked = false;

    if (fds[1].revents & POLLIN) {
      for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        const int64_t now = NowNs();
        const bool pacing = pacing_;
        const int host = hostIndex();
        const int64_t byteNs = pacing ? ByteNs(host) : 0;
        // With pacing the bytes reach the target one byte time apart, the
        // first one a byte time after the line is free; the target hears each
        // at its own time, so a gap between two pieces of a frame is the gap
        // the wire would have, and a reply starts when its frame is complete.
        int64_t byteAt = pacing ? std::max(now, requestEndNs) : now;
        for (ssize_t from = 0; from < n;) {
          const ssize_t count = byteNs > 0 ? 1 : n - from;
          byteAt += count * byteNs;
          std::vector<SimChunk> chunks =
              target_.Receive(buffer + from, static_cast<size_t>(count), uint64_t(byteAt) / 1000, host);
          from += count;
          if (chunks.empty()) continue;
          int64_t at = std::max(byteAt, lineFreeNs);
          for (SimChunk& c : chunks) {
            at += int64_t(c.delayUs) * 1000;
            const int64_t replyByteNs = pacing ? ByteNs(c.baudIndex) : 0;
            if (replyByteNs == 0) {
              out.push_back({at, std::move(c.bytes), c.baudIndex, false});
              continue;
            }
            const size_t slice = size_t(std::max<int64_t>(1, kPaceSliceNs / replyByteNs));
            for (size_t first = 0; first < c.bytes.size(); first += slice) {
              const size_t last = std::min(c.bytes.size(), first + slice);
              at += int64_t(last - first) * replyByteNs;
              out.push_back({at, SimBytes(c.bytes.begin() + long(first), c.bytes.begin() + long(last)), c.baudIndex,
                             last == c.bytes.size()});
            }
          }
          lineFreeNs = at;
        }
        if (pacing) requestEndNs = byteAt;
        // A short read took all there was.
        if (size_t(n) < sizeof buffer) break;
      }
    }

    const int64_t now = NowNs();
    while (!blocked && !out.empty() && out.front().dueNs <= now) {
      Outgoing& o = out.front();
      // Sent at the target's rate: garbled when the host listens at another.
      if (o.sent == 0 && hostIndex() != o.baudIndex) SimGarble(o.bytes);
      const ssize_t w = ::write(master_, o.bytes.data() + o.sent, o.bytes.size() - o.sent);
      if (w < 0) {
        if (errno == EAGAIN) blocked = true;
        if (errno == EAGAIN || errno == EINTR) continue;
        return;
      }
      o.sent += size_t(w);
      if (o.sent == o.bytes.size()) out.pop_front();
    }
  }
}
