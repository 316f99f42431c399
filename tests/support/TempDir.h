// A scratch directory for a test: files written into it, removed afterwards.
// Tests that run productions change into it while they run.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ml-test-XXXXXX").string();
        m_Path = ::mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }

    // Writes a file (creating folders); returns its full path.
    std::string Write(const std::string& relative, const std::string& bytes) const
    {
        const auto full = m_Path / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << bytes;
        return full.string();
    }

private:
    std::filesystem::path m_Path;
};

// Runs the rest of a scope with the working directory changed, as the player does.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::filesystem::path& dir) : m_Old(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~ScopedChdir() { std::filesystem::current_path(m_Old); }

private:
    std::filesystem::path m_Old;
};
