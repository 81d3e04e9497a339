#include "OutputPaths.h"

#include <filesystem>
#include <system_error>

#include "ErrorWords.h"

namespace kelvra::tool {

void requireOutputDirectory(const std::string& path) {
    const std::filesystem::path file(path);
    if (file.filename().empty()) throw ToolFailure("cannot write " + path, "it names a directory");
    std::filesystem::path directory = file.parent_path();
    if (directory.empty()) directory = ".";
    std::error_code error;
    const auto status = std::filesystem::status(directory, error);
    if (!std::filesystem::exists(status)) {
        throw ToolFailure("cannot write " + path,
                          "the directory " + directory.string() + " does not exist");
    }
    if (!std::filesystem::is_directory(status)) {
        throw ToolFailure("cannot write " + path, directory.string() + " is not a directory");
    }
}

unsigned long long fileSizeOrZero(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace kelvra::tool
