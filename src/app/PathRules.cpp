#include "app/PathRules.h"

std::string CollapseDoubledBackslashes(const std::string& path) {
  std::string collapsed;
  collapsed.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    collapsed.push_back(path[i]);
    if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
  }
  return collapsed;
}
