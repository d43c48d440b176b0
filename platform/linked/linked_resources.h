// Resources linked into the executable on systems without a resource section.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace solvane {

struct LinkedResource {
  const char* type;
  int id;
  const uint8_t* begin;
  const uint8_t* end;
};

// The build's table of linked resources (generated).
std::span<const LinkedResource> LinkedResources();

// Resource types match case-insensitively, as the system's resource lookup does.
std::span<const uint8_t> FindLinkedResource(std::string_view type, int id);

}  // namespace solvane
