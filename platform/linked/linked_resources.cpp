#include "platform/linked/linked_resources.h"

#include <algorithm>
#include <cstring>

namespace solvane {

namespace {

bool SameType(std::string_view a, const char* b) {
  const std::string_view other(b);
  return std::equal(a.begin(), a.end(), other.begin(), other.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

std::span<const uint8_t> FindLinkedResource(std::string_view type, int id) {
  for (const LinkedResource& resource : LinkedResources()) {
    if (resource.id == id && SameType(type, resource.type)) {
      return {resource.begin, resource.end};
    }
  }
  return {};
}

}  // namespace solvane
