#pragma once
// The tool's side of the host file system: UTF-8 texts as paths on Linux
// and on Windows, and whole-file reads and writes.

#include <filesystem>
#include <optional>
#include <string>

namespace setupkit {

std::filesystem::path toPath(const std::string& utf8);
std::string fromPath(const std::filesystem::path& p);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> readHostFile(const std::filesystem::path& p);
// Writes the file (creating its directory); false with `error` set on failure.
bool writeHostFile(const std::filesystem::path& p, const std::string& data, std::string& error);

}  // namespace setupkit
