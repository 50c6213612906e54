// A fresh, empty device directory for each test, pointed at by CE_DEVICE_DIR
// for as long as the test runs, and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char const* base = std::getenv("CE_DEVICE_DIR");
        m_saved = base ? base : "";
        std::filesystem::path parent = base && *base ? base : "/tmp";
        std::filesystem::create_directories(parent);
        std::string pattern = (parent / "case-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ::setenv("CE_DEVICE_DIR", m_dir.c_str(), 1);
    }

    void TearDown() override
    {
        if (m_saved.empty())
            ::unsetenv("CE_DEVICE_DIR");
        else
            ::setenv("CE_DEVICE_DIR", m_saved.c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

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
    std::filesystem::path m_dir;
    std::string m_saved;
};
