// The script lexer: every token of the input until the end or an error.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "script/compiler/lexer.h"
#include "script/compiler/tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> lines = fuzz::Lines(data, size);
  TStringListSource source(&lines);
  TLex lex(&source, nullptr);
  // A token takes at least one byte, and the end token comes once.
  for (size_t n = 0; n <= size + lines.size() + 1; ++n) {
    const TToken* token = lex.GetToken();
    if (!token || token->kind == tkEof) return 0;
    if (n % 7 == 3) {
      lex.UngetToken();
      lex.GetToken();
    }
  }
  fuzz::Fail("the lexer gives more tokens than the text has bytes");
}
