#include "platform/linked/linked_resources.h"

#include "platform/ascii.h"

namespace solvane {

std::span<const uint8_t> FindLinkedResource(std::string_view type, int id) {
  for (const LinkedResource& resource : LinkedResources()) {
    if (resource.id == id && AsciiEqualIgnoringCase(type, resource.type)) {
      return {resource.begin, resource.end};
    }
  }
  return {};
}

}  // namespace solvane
