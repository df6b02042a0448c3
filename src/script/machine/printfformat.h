// The format of strPrintf, read once and kept while a call site formats with
// the same text again: its literal runs and its conversions, each conversion
// rebuilt from what the script wrote (flags, width and precision kept and held
// to sane sizes, everything else dropped) so the value always matches it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/machine/vmcode.h"

class TPrintfFormat {
 public:
  // Appends the text of the format args[0] (a value that is no string: its
  // text) with the values args[1..count-1] to out. A '%' with no value left, and every byte outside a conversion, is
  // copied as it is; "%%" gives '%'; a conversion cut off by the end is
  // dropped. False, before out grows, when a conversion would make it longer
  // than limit.
  bool Format(const TStackData* args, int count, std::string& out, std::size_t limit);

 private:
  struct Piece {
    std::size_t from = 0;  // literal bytes of the format copied first
    std::size_t length = 0;
    char conv = 0;         // after them: 0 nothing, '%' a percent sign, else a conversion
    int arg = 0;           // the conversion's value
    std::string spec;      // the conversion in printf form: "%-08.3d"
    bool plain = false;    // no flags but '-' and '0' and no precision: written without printf
    bool left = false;
    bool zero = false;
    int width = -1;
  };

  void Parse(const std::string& format, int count);
  static bool Convert(const Piece& piece, const TStackData& arg, std::string& out, std::size_t limit);

  std::string format_;
  int count_ = -1;
  std::vector<Piece> pieces_;
};
