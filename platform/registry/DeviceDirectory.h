// Where the emulated device keeps its state: one directory, shared by the
// registry store and every tool that looks at the device.
#pragma once

#include "text/Result.h"

#include <filesystem>
#include <string>

namespace platform::registry {

// $CE_DEVICE_DIR when set and not empty, else ${XDG_DATA_HOME:-$HOME/.local/share}/ce-device.
// Only computes the path; touches nothing. Empty when neither CE_DEVICE_DIR nor
// XDG_DATA_HOME nor HOME gives a place.
std::filesystem::path device_directory_path();

// Creates `path` with any missing parents, each new one owner-only (0700);
// existing directories are left as they are. Fails with a message naming the
// directory and the cause.
Result<void> make_device_directory(std::filesystem::path const& path);

// The device directory, created with any missing parents (owner-only, 0700)
// when it does not exist yet; or why it cannot be had.
Result<std::filesystem::path> device_directory();

}
