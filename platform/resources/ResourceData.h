// The bytes of the executable's resources as spans, for the platform's own code
// that reads resource formats: the dialog manager, the framework, the icons.
#pragma once

#include "wintypes.h"

#include <span>

namespace platform::resources {

// The data of a resource FindResourceW found; empty when `resource` is not one
// (the last error then says why).
std::span<BYTE const> resource_bytes(HMODULE module, HRSRC resource);

// For a pointer into one of the executable's resources, as LockResource gives
// it: the bytes from there to the end of that resource. Empty for any other
// pointer. Code handed a bare template pointer (DialogBoxIndirectParamW) learns
// from this how far it may read.
std::span<BYTE const> resource_extent(void const* data);

}
