#pragma once
// Whole-file reads and writes for tests, kept apart from the program's own file code so that a
// fault there cannot hide itself in the checks.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tem::testfiles {

inline std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace tem::testfiles
