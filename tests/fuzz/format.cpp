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

namespace {

// strPrintf on exact code, as the compiler emits it: the format and four
// values, the call and its result record, then the implicit "return 0".
void Printf(const std::string& format, const std::string& text) {
  TJExecutable exe(64);
  auto* fn = new funcdata;
  exe.GetMemoryManager().AddFunc(fn);
  fn->name = "main";
  vmcode_t** next = &fn->entry;
  const auto emit = [&](int op, int a = 0, int b = 0, double f = 0, const std::string& s = "") {
    auto* c = new vmcode_t;
    exe.GetMemoryManager().AddInstruction(c);
    c->op = op, c->a = a, c->b = b, c->fval = f, c->sval = s;
    *next = c;
    next = &c->next;
  };
  emit(opPushConst, pcString, 0, 0, format);
  emit(opPushConst, pcInteger, static_cast<int>(text.size()) - 7);
  emit(opPushConst, pcFloating, 0, 1.5e300 / (1.0 + static_cast<double>(text.size())));
  emit(opPushConst, pcString, 0, 0, text);
  emit(opPushConst, pcInteger, -2147483647 - 1);
  emit(opStrPrintf, 5);
  emit(opPushConst, pcString);
  emit(opReturn);
  emit(opPushConst, pcInteger);
  emit(opReturn);
  exe.SetEntry(fn);
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
