// Scope stack of the script compiler: names to token numbers and descriptors.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct THashData {
  std::int32_t number = 0;  // TokenId: keyword, tkVariable, tkFunction or built-in id
  void* data = nullptr;     // vardata* for a variable, funcdata* for a function
};

using THashTable = std::unordered_map<std::string, THashData>;

class THash {
 public:
  void HashPushScope();
  // Drops the innermost scope; nothing when there is none.
  void HashPopScope();
  // Innermost scope first; either output may be null.
  bool HashLookup(const std::string& name, std::int32_t* number, void** data) const;
  // Adds to the innermost scope only; false (and no change) when it already
  // holds the name or no scope exists.
  bool HashDefine(const std::string& name, std::int32_t number, void* data);

 private:
  std::vector<std::unique_ptr<THashTable>> tables_;
};
