// A fresh, empty device directory and a chosen host time zone for each test:
// CE_DEVICE_DIR and TZ point at them while the test runs and are put back after.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

class DeviceTestFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved_device = saved("CE_DEVICE_DIR");
        m_saved_tz = saved("TZ");
        std::filesystem::path const parent = m_saved_device && !m_saved_device->empty()
            ? std::filesystem::path(*m_saved_device)
            : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(parent);
        std::string pattern = (parent / "tz-case-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ::setenv("CE_DEVICE_DIR", m_dir.c_str(), 1);
    }

    void TearDown() override
    {
        restore("CE_DEVICE_DIR", m_saved_device);
        restore("TZ", m_saved_tz);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    static void set_host_zone(char const* zone) { ::setenv("TZ", zone, 1); }

    std::filesystem::path const& dir() const { return m_dir; }
    std::filesystem::path registry_file() const { return m_dir / "registry.reg"; }

    static std::string read_file(std::filesystem::path const& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    static void write_file(std::filesystem::path const& path, std::string const& bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    static std::optional<std::string> saved(char const* name)
    {
        char const* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    static void restore(char const* name, std::optional<std::string> const& value)
    {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }

    std::filesystem::path m_dir;
    std::optional<std::string> m_saved_device;
    std::optional<std::string> m_saved_tz;
};
