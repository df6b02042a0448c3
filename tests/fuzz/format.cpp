// strPrintf, strScanf and the pattern engine. Input: a pattern or scanf
// format, "\n@@\n", the text lines it runs on, "\n@@\n", a strPrintf format
// applied to an integer, a floating value and a string.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/files.h"
#include "script/builtins/regexscan.h"
#include "script/machine/jexecutable.h"
#include "script/machine/vmcode.h"
#include "script/vmasm.h"

namespace {

void Printf(const std::string& format, const std::string& text) {
  TJExecutable exe(64);
  VmAsm m(exe, "main");
  m.Str(format);
  m.Int(static_cast<int>(text.size()) - 7);
  m.Float(1.5e300 / (1.0 + static_cast<double>(text.size())));
  m.Str(text);
  m.Int(-2147483647 - 1);
  m.Emit(opStrPrintf, 5);
  m.Str("");
  m.Emit(opReturn);
  exe.SetEntry(m.Done());
  exe.RunHere();
  exe.GetReturnValue();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = fuzz::Parts(data, size, 3);
  const std::string& pattern = parts[0];
  const std::vector<std::string> lines = platform::SplitLines(parts[1]);
  TBregExp re;
  int start = 0, lineIndex = 0;
  std::string matched;
  for (int mode = 0; mode < 2; ++mode) {
    const int status = re.MatchLines(lines, pattern, mode, start, matched, lineIndex);
    if (status == bregMatched) {
      const std::string& line = lines.at(static_cast<size_t>(lineIndex));
      if (start < 0 || static_cast<size_t>(start) + matched.size() > line.size() ||
          line.compare(static_cast<size_t>(start), matched.size(), matched) != 0)
        fuzz::Fail("a match that is not in its line");
      if (!IsSjisCharStart(line, static_cast<size_t>(start))) fuzz::Fail("a match from a trail byte");
    }
  }
  size_t pieces = 0;
  re.Scanf(lines, pattern, [&](const ScanValue&) { ++pieces; });
  ScanfFormatToPattern(pattern);
  ClassifyScanfPieces(SplitScanfFormat(pattern));
  const std::string text = parts[1];
  for (size_t from = 0; from <= text.size(); from += 1 + text.size() / 4) {
    const size_t at = SjisFind(text, pattern, from);
    if (at != std::string::npos && text.compare(at, pattern.size(), pattern) != 0) fuzz::Fail("SjisFind misplaced");
  }
  Printf(parts[2], text);
  return 0;
}
