// SPDX-License-Identifier: Apache-2.0
// Files for the suites of the portable core: a temporary folder removed with what it
// holds, and files written and read whole.
#pragma once

#include <doctest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace Support {

namespace fs = std::filesystem;

// A new folder under the system's temporary folder, removed with its files at the end.
class TempFolder
{
public:
    TempFolder()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = fs::temp_directory_path() / ("orvfields-test-" + std::to_string(random()));
            if (fs::create_directory(m_path))
                return;
        }
        FAIL("no temporary folder under " << fs::temp_directory_path().string());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const fs::path &path() const { return m_path; }
    // A file of the folder, by a UTF-8 name.
    fs::path operator/(const std::string &name) const { return m_path / fs::u8path(name); }

private:
    fs::path m_path;
};

// Writes `bytes` to `path` and returns the path; a test cannot go on without it.
inline fs::path writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    REQUIRE_MESSAGE(out.flush().good(), "cannot write " << path.string());
    return path;
}

// The bytes of `path`; empty when it cannot be read.
inline std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace Support
