#include "OutputPaths.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// A writer replaces the file through a new one beside it, so the directory must take a new file
// and the old file, if any, must be a regular one.
std::string writeFailureReason(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status)) return std::strerror(EISDIR);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return "it is not a regular file";
    }
    std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (directory.empty()) directory = ".";
    std::string probe = (directory / ".kelvra-write-check-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) return std::strerror(errno);
    struct statvfs space {};
    const bool full = fstatvfs(fd, &space) == 0 && space.f_bavail == 0;
    const bool written = write(fd, "k", 1) == 1;
    const int writeError = errno;
    close(fd);
    unlink(probe.c_str());
    if (full) return std::strerror(ENOSPC);
    if (!written) return std::strerror(writeError);
    return "";
}

unsigned long long fileSizeOrZero(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace kelvra::tool
