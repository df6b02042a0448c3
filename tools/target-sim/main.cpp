// vund-target-sim: serves a simulated set on a pseudo-terminal until SIGINT or
// SIGTERM, reachable through a symlink of the caller's choice.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "simptyserver.h"
#include "simtarget.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vund-target-sim --protocol ecs3|ecs2 --link PATH [--vund FILE] [--sreg FILE] [--hreg FILE] "
               "[--pace]\n");
  return 2;
}

// The register file reader takes a bare name from the program folder; a name
// given here means the current folder.
std::string Absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return platform::FromOsPath(cwd) + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
  std::string protocol, link, vund, sreg, hreg;
  bool pace = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = platform::FromOsPath(argv[++i]);
      return true;
    };
    bool ok = true;
    if (arg == "--protocol")
      ok = value(protocol);
    else if (arg == "--link")
      ok = value(link);
    else if (arg == "--vund")
      ok = value(vund);
    else if (arg == "--sreg")
      ok = value(sreg);
    else if (arg == "--hreg")
      ok = value(hreg);
    else if (arg == "--pace")
      pace = true;
    else
      ok = false;
    if (!ok) return Usage();
  }
  if ((protocol != "ecs3" && protocol != "ecs2") || link.empty()) return Usage();

  SimTarget target(protocol == "ecs3" ? SimProtocol::Ecs3 : SimProtocol::Ecs2);
  if (!vund.empty() && !target.LoadVundData(Absolute(vund))) {
    std::fprintf(stderr, "vund-target-sim: cannot read %s\n", platform::ToOsPath(vund).c_str());
    return 1;
  }
  if (!sreg.empty() && !target.LoadRegisterFile(Absolute(sreg), false)) {
    std::fprintf(stderr, "vund-target-sim: cannot read %s\n", platform::ToOsPath(sreg).c_str());
    return 1;
  }
  if (!hreg.empty() && !target.LoadRegisterFile(Absolute(hreg), true)) {
    std::fprintf(stderr, "vund-target-sim: cannot read %s\n", platform::ToOsPath(hreg).c_str());
    return 1;
  }

  // Blocked before the server thread exists, so only sigwait sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  SimPtyServer server(target);
  server.SetPacing(pace);
  std::string error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "vund-target-sim: %s\n", error.c_str());
    return 1;
  }
  const std::string linkPath = platform::ToOsPath(link);
  struct stat st{};
  // A link left by an earlier run is replaced; anything else is not ours.
  if (::lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(linkPath.c_str());
  if (::symlink(server.SlavePath().c_str(), linkPath.c_str()) != 0) {
    std::fprintf(stderr, "vund-target-sim: cannot link %s: %s\n", linkPath.c_str(), std::strerror(errno));
    server.Stop();
    return 1;
  }
  std::printf("vund-target-sim: %s on %s -> %s%s\n", protocol.c_str(), linkPath.c_str(), server.SlavePath().c_str(),
              pace ? " (paced)" : "");
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.Stop();
  ::unlink(linkPath.c_str());
  return 0;
}
