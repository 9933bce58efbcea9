#include "model/RecoveryStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "model/Session.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".recovery.json";
constexpr size_t kLongestStem = 40;     // characters of the table's name kept in a file name
constexpr long kSecondsPerDay = 86400;

// FNV-1a, 64 bits: the same path always gives the same name.
uint64_t pathHash(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const fs::path made = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path : made.string();
}

// The start of every recovery file name of the table: "<stem>-<hash>".
std::string namePrefix(const std::string& tablePath) {
    const std::string absolute = absolutePath(tablePath);
    std::string stem = fs::path(absolute).stem().string();
    for (char& c : stem) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                           c == '-' || c == '.';
        if (!plain) c = '_';
    }
    if (stem.size() > kLongestStem) stem.resize(kLongestStem);
    if (stem.empty()) stem = "table";
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(pathHash(absolute)));
    return stem + "-" + hash;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::time_t modificationTime(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

}  // namespace

std::string RecoveryStore::defaultFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/strands";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/state/strands";
    return "";
}

RecoveryStore::RecoveryStore(std::string stateFolder) : folder(std::move(stateFolder)) {}

std::string RecoveryStore::fileFor(const std::string& tablePath) const {
    return folder + "/" + namePrefix(tablePath) + kSuffix;
}

bool RecoveryStore::write(const Session& session, std::string* error) const {
    if (folder.empty()) {
        *error = "no folder for it (neither XDG_STATE_HOME nor HOME is set)";
        return false;
    }
    std::error_code made;
    fs::create_directories(folder, made);
    if (made) {
        *error = "cannot make the folder \"" + folder + "\": " + made.message();
        return false;
    }
    ::chmod(folder.c_str(), 0700);  // what the user worked on is theirs to see
    // The folder's names are the store's own: a link in a file's place is
    // replaced, not written through to wherever it points.
    const std::string target = fileFor(session.tablePath);
    std::error_code kind;
    if (fs::is_symlink(fs::symlink_status(target, kind))) fs::remove(target, kind);
    return writeSessionFile(target, session, error);
}

void RecoveryStore::remove(const std::string& tablePath) const {
    if (folder.empty()) return;
    std::error_code ignored;
    fs::remove(fileFor(tablePath), ignored);
}

std::vector<RecoveryStore::Entry> RecoveryStore::filesFor(const std::string& tablePath) const {
    std::vector<Entry> found;
    if (folder.empty()) return found;
    const std::string prefix = namePrefix(tablePath);
    const std::string latest = fileFor(tablePath);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix + ".", 0) != 0 && name != prefix + kSuffix) continue;
        if (!endsWith(name, kSuffix) || !it->is_regular_file(error)) continue;
        found.push_back({it->path().string(), modificationTime(it->path().string())});
    }
    std::sort(found.begin(), found.end(), [&](const Entry& a, const Entry& b) {
        if ((a.path == latest) != (b.path == latest)) return a.path == latest;
        return a.writtenAt != b.writtenAt ? a.writtenAt > b.writtenAt : a.path > b.path;
    });
    return found;
}

std::string RecoveryStore::setAside(const std::string& tablePath, std::string* error) const {
    const std::string latest = fileFor(tablePath);
    std::error_code missing;
    if (folder.empty() || !fs::is_regular_file(latest, missing)) return "";
    const std::time_t written = modificationTime(latest);
    char stamp[32];
    std::tm local {};
    localtime_r(&written, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string target = folder + "/" + namePrefix(tablePath) + "." + stamp + kSuffix;
    for (int n = 2; fs::exists(target, missing); ++n) {
        target = folder + "/" + namePrefix(tablePath) + "." + stamp + "-" + std::to_string(n) + kSuffix;
    }
    if (std::rename(latest.c_str(), target.c_str()) != 0) {
        *error = "cannot set \"" + latest + "\" aside: " + std::strerror(errno);
        return "";
    }
    return target;
}

int RecoveryStore::tidy(std::time_t now) const {
    if (folder.empty()) return 0;
    const std::time_t oldest = now - static_cast<std::time_t>(kKeepDays) * kSecondsPerDay;
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string path = it->path().string();
        std::error_code kind;
        if (!endsWith(path, kSuffix) || !it->is_regular_file(kind)) continue;
        if (modificationTime(path) >= oldest) continue;
        std::error_code gone;
        if (fs::remove(it->path(), gone)) ++removed;
    }
    return removed;
}

std::string RecoveryStore::timeText(std::time_t time) {
    std::tm local {};
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}
