// Serves a SimTarget on a pseudo-terminal from a thread of its own. The host
// opens the slave side like a serial port; the line rate it sets there is the
// host's rate. With pacing, every byte takes the time it would on the wire at
// the current rate: a request's bytes reach the target one byte time apart from
// when they are read, and a reply goes out in slices, each when its last byte
// would arrive (the last one without a sleep's lateness).
#pragma once
#include <atomic>
#include <string>
#include <thread>

#include "simtarget.h"

class SimPtyServer {
 public:
  explicit SimPtyServer(SimTarget& target);
  ~SimPtyServer();
  SimPtyServer(const SimPtyServer&) = delete;
  SimPtyServer& operator=(const SimPtyServer&) = delete;

  // Creates the pty (raw, 9600 baud) and starts serving. False, with a reason
  // in error when given, when the pty cannot be made.
  bool Start(std::string* error = nullptr);
  // Wakes the thread and joins it; the pty goes with it. Safe to repeat.
  void Stop();
  bool Running() const { return thread_.joinable(); }
  // The slave's device path (as the system names it), for the host to open.
  const std::string& SlavePath() const { return slavePath_; }
  void SetPacing(bool on) { pacing_ = on; }

 private:
  void Serve();

  SimTarget& target_;
  std::atomic<bool> pacing_{false};
  int master_ = -1;
  int slave_ = -1;  // held open so the master never sees a hang-up between host sessions
  int wake_[2] = {-1, -1};
  std::string slavePath_;
  std::thread thread_;
};
