// The headers that most tests include and that cost the most to compile:
// GoogleTest, nlohmann-json and the standard library's common parts. Compiled
// once and included in every test's code ahead of its own includes.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>
