#pragma once
// Authenticode signing through osslsigncode, as authors on Windows sign
// with signtool.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace setupkit {

// Runs a program with arguments (no shell) and waits; its exit status, or
// -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv);

// Signs `file` in place with the PKCS#12 certificate (SHA-256). `description`
// (UTF-8) becomes the signature's program name when not empty.
bool SignExecutable(const std::string& tool, const std::filesystem::path& file, const std::filesystem::path& cert,
                    const std::optional<std::filesystem::path>& passwordFile, const std::string& description,
                    std::string& error);

}  // namespace setupkit
