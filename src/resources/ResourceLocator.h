// Where Strands finds its run-time files, the icons of Resources/ and the
// tables of DataSet/, wherever it is started from.
#pragma once

#include <string>
#include <vector>

// The places a running copy of Strands knows about. Empty strings for what is
// not known (an executable whose own path cannot be read, say).
struct ProgramLocations {
    std::string executableDir;   // folder of the running executable (absolute)
    std::string buildDir;        // folder the executable was built in
    std::string sourceDir;       // source tree it was built from
    std::string installDataDir;  // <prefix>/share/strands of the configured install

    // This process: the executable's folder from /proc/self/exe, the rest
    // from the build's configuration.
    static ProgramLocations ofThisProgram();
};

// An ordered list of root folders; a run-time file "Resources/lock_s.bmp" or
// "DataSet/origin.txt" is taken from the first root that holds it.
class ResourceLocator {
public:
    explicit ResourceLocator(std::vector<std::string> roots);

    // The roots, first choice first:
    //  1. "." (the working directory: Strands started in a folder that holds
    //     its own DataSet/ and Resources/ uses those);
    //  2. the source tree, when the executable runs from the folder it was
    //     built in (a developer's build, started from anywhere);
    //  3. <executable folder>/../share/strands (an installed copy, wherever
    //     its prefix was moved to);
    //  4. the install prefix the build was configured with.
    // Repeated folders are kept once.
    static std::vector<std::string> searchRoots(const ProgramLocations& where);

    // The locator of this process, made on first use.
    static const ResourceLocator& program();

    // "<root>/<relative>" for the first root where that regular file exists,
    // or where something else has its name (a folder, a link to nothing:
    // opening it then says what is wrong); "./<relative>" when no root has
    // it, so that messages name the path the user would expect and opening
    // it fails as for any missing file.
    std::string findFile(const std::string& relative) const;
    // The same for a folder; "" when no root has it.
    std::string findDirectory(const std::string& relative) const;

    const std::vector<std::string>& getRoots() const { return roots; }

private:
    std::vector<std::string> roots;
};

// The run-time file `relative` (e.g. "Resources/lock_s.bmp") as this process finds it.
std::string findResource(const std::string& relative);
