#include "environment.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace xdoc2txt {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A folder of the user's own (made mode 0700 when missing), not a link.
bool ownFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && ::access(path.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "/";
}

std::string cacheFolder() {
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/') {
        base = cache;
    } else {
        base = homeFolder();
        if (base.back() != '/') base += '/';
        base += ".cache";
    }
    std::error_code error;
    std::filesystem::create_directories(base, error);
    if (const std::string folder = base + "/xdoc2txt"; ownFolder(folder)) return folder;
    // A home that cannot be written: the temporary folder, a folder per user.
    const char* temporary = std::getenv("TMPDIR");
    const std::string folder = std::string(temporary && temporary[0] == '/' ? temporary : "/tmp") +
                               "/xdoc2txt-" + std::to_string(::getuid());
    return ownFolder(folder) ? folder : std::string();
}

std::string executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

std::string absolutePath(std::string_view path) {
    if (startsWith(path, "/")) return std::string(path);
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error) return "./" + std::string(path);
    if (folder.back() != '/') folder += '/';
    return folder + std::string(path);
}

std::string folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::vector<std::string> searchPath(const char* path) {
    std::vector<std::string> folders;
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (startsWith(entry, "/")) folders.emplace_back(entry);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    if (folders.empty()) folders = {"/usr/local/bin", "/usr/bin", "/bin"};
    return folders;
}

std::optional<std::string> findProgram(std::string_view name,
                                       const std::vector<std::string>& folders) {
    const auto runnable = [](const std::string& file) {
        struct stat info {};
        return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               ::access(file.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string_view::npos) {
        std::string file(name);
        return runnable(file) ? std::optional(file) : std::nullopt;
    }
    for (const std::string& folder : folders) {
        std::string file = folder + "/" + std::string(name);
        if (runnable(file)) return file;
    }
    return std::nullopt;
}

std::vector<std::string> readerEnvironment(const char* const* environ, const std::string& home,
                                           const std::vector<std::string>& folders) {
    static constexpr std::string_view kDropped[] = {"LD_",   "WINE",      "PYTHON", "LC_",
                                                    "LANG=", "LANGUAGE=", "HOME=",  "PATH="};
    std::vector<std::string> variables;
    for (const char* const* variable = environ; variable && *variable; ++variable) {
        const std::string_view entry = *variable;
        bool dropped = entry.find('=') == std::string_view::npos;
        for (const std::string_view prefix : kDropped)
            dropped = dropped || startsWith(entry, prefix);
        if (!dropped) variables.emplace_back(entry);
    }
    std::string path = "PATH=";
    for (const std::string& folder : folders) {
        if (path.size() > 5) path += ':';
        path += folder;
    }
    variables.push_back(std::move(path));
    variables.push_back("HOME=" + home);
    variables.push_back("LC_ALL=C.UTF-8");
    return variables;
}

}  // namespace xdoc2txt
