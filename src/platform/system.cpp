#include "platform/system.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/files.h"

namespace platform {

std::string ProgramFolder() {
  const char* home = std::getenv("VUND2_HOME");
  if (home && *home) {
    std::string h = FromOsPath(home);
    if (h.back() != '/') h += '/';
    return h;
  }
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  buf[n] = '\0';
  return ExtractFilePath(FromOsPath(buf));
}

uint16_t SystemDefaultLangId() {
  const char* value = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) {
      value = v;
      break;
    }
  }
  if (!value) return 0x0409;
  std::string lang(value);
  if (lang == "C" || lang == "POSIX" || lang.rfind("C.", 0) == 0) return 0x0409;
  std::string code = lang.substr(0, lang.find_first_of("_.@"));
  struct Entry {
    const char* code;
    uint16_t id;
  };
  static const Entry table[] = {
      {"ja", 0x0411}, {"en", 0x0409}, {"ar", 0x0001}, {"bg", 0x0002}, {"ca", 0x0003}, {"zh", 0x0004},
      {"cs", 0x0005}, {"da", 0x0006}, {"de", 0x0007}, {"el", 0x0008}, {"es", 0x000A}, {"fi", 0x000B},
      {"fr", 0x000C}, {"he", 0x000D}, {"hu", 0x000E}, {"is", 0x000F}, {"it", 0x0010}, {"ko", 0x0012},
      {"nl", 0x0013}, {"nb", 0x0014}, {"no", 0x0014}, {"pl", 0x0015}, {"pt", 0x0016}, {"ro", 0x0018},
      {"ru", 0x0019}, {"hr", 0x001A}, {"sk", 0x001B}, {"sv", 0x001D}, {"th", 0x001E}, {"tr", 0x001F},
      {"id", 0x0021}, {"uk", 0x0022}, {"vi", 0x002A},
  };
  for (const Entry& e : table)
    if (code == e.code) return e.id;
  return 0x0409;
}

}  // namespace platform
