// The link's cost against vund-target-sim on a pseudo-terminal.
//
// NvmTransfer: 64 KiB written to and read back from an NVM device at 115200
// baud with the target pacing its replies to the wire, in blocks of the
// protocol's largest size (frame sizes of examples/vund.dat). Reported: wall
// time against wire time (bytes both ways x 10 / baud), what the difference
// comes to per exchange, and the CPU time of this process (protocol, serial
// port and its receive thread).
// Exchange: one register read over an unpaced pty; the median of many.
// ExchangeInProcess: the same read against the simulated target in this
// process, without a pty: what the protocol code itself costs.
//
// The target runs as its own process (vund-target-sim next to this build, or
// VUND_TARGET_SIM) so that its CPU time is not counted here. The figures move
// with the machine's load: compare medians of several runs
// (--benchmark_repetitions=5).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/baudrates.h"
#include "link/comport.h"
#include "link/ecs2.h"
#include "link/ecs3.h"
#include "model/linksettings.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/ui.h"
#include "simlink.h"
#include "simtarget.h"

extern char** environ;

namespace {

constexpr int kNvmBytes = 64 * 1024;
constexpr uint8_t kNvmDevice = 1;
constexpr int kFastIndex = 12;  // 115200
constexpr int kStartIndex = 6;  // the target's rate after reset
constexpr uint32_t kBaudRegister = 0x0F00;

std::string Dirname(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

std::string SelfDir() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? Dirname(std::string(buf, size_t(n))) : ".";
}

std::string SimProgram() {
  if (const char* p = std::getenv("VUND_TARGET_SIM")) return p;
  return SelfDir() + "/../tools/target-sim/vund-target-sim";
}

std::string ExamplesDir() {
  if (const char* p = std::getenv("VUND2_EXAMPLES")) return p;
  return Dirname(Dirname(__FILE__)) + "/examples";
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

double ProcessCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double WallSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The folder the program and the target read: vund.dat from the examples with
// the first NVM device widened to 64 KiB, and COM1 pointing at the target.
class BenchHome {
 public:
  BenchHome() {
    char tmpl[] = "/tmp/vund2-bench-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::string vund = ReadAll(ExamplesDir() + "/vund.dat");
    const std::string from = "EEPBackupEnd1=0x1FFF";
    const size_t at = vund.find(from);
    if (at != std::string::npos) vund.replace(at, from.size(), "EEPBackupEnd1=0xFFFF");
    WriteAll(dir_ + "/vund.dat", vund);
    WriteAll(dir_ + "/Vund2.ini", "[Ports]\r\nCOM1=" + LinkPath() + "\r\n");
    ::setenv("VUND2_HOME", dir_.c_str(), 1);
    vund_.LoadVundData();
    settings_.SetComPort(0);
    settings_.SetBaudRate(kStartIndex);
  }
  ~BenchHome() {
    ::unlink((dir_ + "/vund.dat").c_str());
    ::unlink((dir_ + "/Vund2.ini").c_str());
    ::rmdir(dir_.c_str());
  }
  std::string LinkPath() const { return dir_ + "/target"; }
  std::string VundPath() const { return dir_ + "/vund.dat"; }
  TLinkSettings LinkSettings() { return CurrentLinkSettings(settings_, vund_); }

 private:
  std::string dir_;
  platform::HeadlessUi ui_;
  SystemSettings settings_{ui_};
  VundData vund_{ui_};
};

BenchHome& Home() {
  static BenchHome home;
  return home;
}

// vund-target-sim serving on Home().LinkPath() for the life of the object.
class SimProcess {
 public:
  SimProcess(const char* protocol, bool pace) {
    const std::string link = Home().LinkPath();
    ::unlink(link.c_str());
    std::vector<std::string> args = {SimProgram(), "--protocol", protocol, "--link", link, "--vund", Home().VundPath()};
    if (pace) args.push_back("--pace");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
      return;
    }
    struct stat st{};
    for (int i = 0; i < 500 && ::lstat(link.c_str(), &st) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Ok() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// Counts the bytes that cross the wire.
class CountingLayer : public TBusPhysicalLayer {
 public:
  explicit CountingLayer(TBusPhysicalLayer& inner) : inner_(inner) {}
  bool Open(uint8_t p, uint8_t b, uint8_t d, uint8_t pa, uint8_t s, uint8_t f) override {
    return inner_.Open(p, b, d, pa, s, f);
  }
  bool Close() override { return inner_.Close(); }
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override {
    uint32_t got = 0;
    const bool ok = inner_.Read(buffer, maximum, got);
    if (got > 0) received = got;
    bytes += got;
    return ok;
  }
  bool Write(const uint8_t* buffer, uint32_t length) override {
    bytes += length;
    return inner_.Write(buffer, length);
  }
  void Purge() override { inner_.Purge(); }
  bool WaitForData(uint32_t timeoutMs) override { return inner_.WaitForData(timeoutMs); }
  bool IsSerial() const override { return inner_.IsSerial(); }

  uint64_t bytes = 0;

 private:
  TBusPhysicalLayer& inner_;
};

std::unique_ptr<TEcs> MakeProtocol(bool ecs3) {
  // Stateless: one shared by every protocol is as good as one each.
  static platform::SteadyClock clock;
  if (ecs3) return std::make_unique<TEcs3>(Home().LinkSettings(), clock);
  return std::make_unique<TEcs2>(Home().LinkSettings(), clock);
}

// The link at 115200 on both sides. ECS3 negotiates; ECS2 does not, so the
// bench tells its target the rate itself.
bool SpeedUp(TEcs& ecs, TBusPhysicalLayer& port, bool ecs3) {
  if (ecs3) return ecs.RaiseBaudRate() == 0 && ecs.GetBaudIndex() == kFastIndex;
  const uint32_t index = kFastIndex;
  if (ecs.WriteMemory(kBaudRegister, 2, 1, &index) != 0) return false;
  if (!port.Open(0, kFastIndex, 0, 0, 0, 0)) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return true;
}

void NvmTransfer(benchmark::State& state, bool ecs3) {
  SimProcess sim(ecs3 ? "ecs3" : "ecs2", true);
  TComPort port;
  port.SetDevicePath(Home().LinkPath());
  if (!sim.Ok() || !port.Open(0, kStartIndex, 0, 0, 0, 0)) {
    state.SkipWithError("vund-target-sim not reachable");
    return;
  }
  CountingLayer counted(port);
  std::unique_ptr<TEcs> ecs = MakeProtocol(ecs3);
  ecs->SetBus(&counted);
  if (!SpeedUp(*ecs, counted, ecs3)) {
    state.SkipWithError("could not reach 115200 baud");
    return;
  }
  const int block = ecs->GetMaxByteCount();
  std::vector<uint32_t> image(kNvmBytes), back(kNvmBytes);
  for (int i = 0; i < kNvmBytes; ++i) image[size_t(i)] = uint32_t(i * 31 + 7) & 0xFF;

  double wall = 0, cpu = 0;
  uint64_t bytes = 0, exchanges = 0;
  for (auto _ : state) {
    counted.bytes = 0;
    const double wall0 = WallSeconds(), cpu0 = ProcessCpuSeconds();
    for (int at = 0; at < kNvmBytes; at += block, ++exchanges) {
      const int n = std::min(block, kNvmBytes - at);
      if (ecs->WriteDevice(uint32_t(at), kNvmDevice, n, &image[size_t(at)]) != 0) {
        state.SkipWithError(ecs->GetLastMessage().c_str());
        return;
      }
    }
    for (int at = 0; at < kNvmBytes; at += block, ++exchanges) {
      const int n = std::min(block, kNvmBytes - at);
      if (ecs->ReadDevice(uint32_t(at), kNvmDevice, n, &back[size_t(at)]) != 0) {
        state.SkipWithError(ecs->GetLastMessage().c_str());
        return;
      }
    }
    wall += WallSeconds() - wall0;
    cpu += ProcessCpuSeconds() - cpu0;
    bytes += counted.bytes;
  }
  if (back != image) state.SkipWithError("NVM read back differs");
  const double wire = double(bytes) * 10.0 / BaudRateOfIndex(kFastIndex);
  state.counters["block"] = block;
  state.counters["exchanges"] = double(exchanges);
  state.counters["wire_s"] = wire;
  state.counters["wall_s"] = wall;
  state.counters["wall_over_wire_%"] = (wall / wire - 1.0) * 100.0;
  state.counters["over_wire_per_exchange_us"] = exchanges ? (wall - wire) / double(exchanges) * 1e6 : 0;
  state.counters["cpu_s"] = cpu;
  state.counters["cpu_of_wall_%"] = cpu / wall * 100.0;
}

void Exchange(benchmark::State& state, bool ecs3) {
  SimProcess sim(ecs3 ? "ecs3" : "ecs2", false);
  TComPort port;
  port.SetDevicePath(Home().LinkPath());
  if (!sim.Ok() || !port.Open(0, kStartIndex, 0, 0, 0, 0)) {
    state.SkipWithError("vund-target-sim not reachable");
    return;
  }
  std::unique_ptr<TEcs> ecs = MakeProtocol(ecs3);
  ecs->SetBus(&port);
  std::vector<double> us;
  us.reserve(100000);
  uint32_t word = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (ecs->ReadMemory(0x1000, 2, 1, &word) != 0) {
      state.SkipWithError(ecs->GetLastMessage().c_str());
      return;
    }
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us.empty() ? 0 : us[us.size() / 2];
  state.counters["p90_us"] = us.empty() ? 0 : us[us.size() * 9 / 10];
}

void ExchangeInProcess(benchmark::State& state, bool ecs3) {
  SimTarget target(ecs3 ? SimProtocol::Ecs3 : SimProtocol::Ecs2);
  platform::SteadyClock clock;
  SimLink link(target, clock);
  std::unique_ptr<TEcs> ecs = MakeProtocol(ecs3);
  ecs->SetBus(&link);
  uint32_t word = 0;
  for (auto _ : state) {
    if (ecs->ReadMemory(0x1000, 2, 1, &word) != 0) {
      state.SkipWithError(ecs->GetLastMessage().c_str());
      return;
    }
    // The target keeps a log of every frame; keep it from growing.
    if (target.FrameCount() > 1000) target.ClearFrames();
  }
}

void Setup() { Home(); }

}  // namespace

BENCHMARK_CAPTURE(NvmTransfer, ecs3, true)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(NvmTransfer, ecs2, false)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(Exchange, ecs3, true)->Iterations(5000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(Exchange, ecs2, false)->Iterations(5000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(ExchangeInProcess, ecs3, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ExchangeInProcess, ecs2, false)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  Setup();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
