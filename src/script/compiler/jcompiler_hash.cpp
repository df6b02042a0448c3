#include "script/compiler/jcompiler_hash.h"

void THash::HashPushScope() { tables_.push_back(std::make_unique<THashTable>()); }

void THash::HashPopScope() {
  if (!tables_.empty()) tables_.pop_back();
}

bool THash::HashLookup(const std::string& name, std::int32_t* number, void** data) const {
  for (auto it = tables_.rbegin(); it != tables_.rend(); ++it) {
    auto found = (*it)->find(name);
    if (found == (*it)->end()) continue;
    if (number) *number = found->second.number;
    if (data) *data = found->second.data;
    return true;
  }
  return false;
}

bool THash::HashDefine(const std::string& name, std::int32_t number, void* data) {
  if (tables_.empty()) return false;
  return tables_.back()->emplace(name, THashData{number, data}).second;
}
