#include "resources/ResourceLocator.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "BuildInfo.h"

namespace fs = std::filesystem;

namespace {

bool sameDirectory(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

std::string joined(const std::string& root, const std::string& relative) {
    return root + "/" + relative;
}

}  // namespace

ProgramLocations ProgramLocations::ofThisProgram() {
    ProgramLocations where;
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error) where.executableDir = executable.parent_path().string();
    where.buildDir = kStrandsBuildDir;
    where.sourceDir = kStrandsSourceDir;
    where.installDataDir = kStrandsInstallDataDir;
    return where;
}

ResourceLocator::ResourceLocator(std::vector<std::string> searchFolders) : roots(std::move(searchFolders)) {}

std::vector<std::string> ResourceLocator::searchRoots(const ProgramLocations& where) {
    std::vector<std::string> candidates{"."};
    if (sameDirectory(where.executableDir, where.buildDir) && !where.sourceDir.empty())
        candidates.push_back(where.sourceDir);
    if (!where.executableDir.empty())
        candidates.push_back((fs::path(where.executableDir) / ".." / "share" / "strands").lexically_normal().string());
    if (!where.installDataDir.empty()) candidates.push_back(where.installDataDir);

    std::vector<std::string> roots;
    for (const std::string& candidate : candidates) {
        const bool seen = std::any_of(roots.begin(), roots.end(), [&](const std::string& root) {
            return root == candidate || sameDirectory(root, candidate);
        });
        if (!seen) roots.push_back(candidate);
    }
    return roots;
}

const ResourceLocator& ResourceLocator::program() {
    static const ResourceLocator locator(searchRoots(ProgramLocations::ofThisProgram()));
    return locator;
}

std::string ResourceLocator::findFile(const std::string& relative) const {
    for (const std::string& root : roots) {
        std::error_code error;
        const std::string path = joined(root, relative);
        if (fs::is_regular_file(path, error)) return path;
        // Something else by that name (a folder, a link to nothing) is the
        // user's doing: it is opened, and refused with its reason, rather
        // than passed over for another folder's file without a word.
        if (fs::symlink_status(path, error).type() != fs::file_type::not_found && !error) return path;
    }
    return joined(".", relative);
}

std::string ResourceLocator::findDirectory(const std::string& relative) const {
    for (const std::string& root : roots) {
        std::error_code error;
        const std::string path = joined(root, relative);
        if (fs::is_directory(path, error)) return path;
    }
    return "";
}

std::string findResource(const std::string& relative) { return ResourceLocator::program().findFile(relative); }
