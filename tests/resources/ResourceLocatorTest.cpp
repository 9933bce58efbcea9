// Where the run-time files are looked for, and which copy wins.
#include <filesystem>

#include "TestSupport.h"
#include "resources/ResourceLocator.h"

namespace {

namespace fs = std::filesystem;

class ResourceLocatorTest : public testing::Test {
protected:
    TempDir dir;

    std::string makeDir(const std::string& relative) const {
        fs::create_directories(dir.path() + "/" + relative);
        return dir.path() + "/" + relative;
    }
};

TEST_F(ResourceLocatorTest, TheSourceTreeCountsOnlyForAnExecutableInItsBuildFolder) {
    const std::string build = makeDir("src/build");
    const std::string prefix = makeDir("prefix");
    makeDir("prefix/bin");
    ProgramLocations where{build, build, dir.path() + "/src", "/usr/share/strands"};
    EXPECT_EQ(ResourceLocator::searchRoots(where),
              (std::vector<std::string>{".", dir.path() + "/src", dir.path() + "/src/share/strands",
                                        "/usr/share/strands"}));

    // The same binary installed (or copied) elsewhere: its own share/strands,
    // then the configured prefix; never the tree it was built from.
    where.executableDir = prefix + "/bin";
    EXPECT_EQ(ResourceLocator::searchRoots(where),
              (std::vector<std::string>{".", prefix + "/share/strands", "/usr/share/strands"}));

    // Its own prefix is the configured one: listed once.
    where.installDataDir = prefix + "/share/strands";
    EXPECT_EQ(ResourceLocator::searchRoots(where), (std::vector<std::string>{".", prefix + "/share/strands"}));

    // Other spellings of the same folders: the build folder configured
    // through a link (the executable's own folder is always the resolved
    // one) still leads to the source tree, and the configured prefix written
    // with "./" and a doubled slash, or through a link, is still the one
    // found beside the executable. Each folder is searched once.
    fs::create_directory_symlink(build, dir.path() + "/build-link");
    fs::create_directory_symlink(prefix, dir.path() + "/prefix-link");
    makeDir("prefix/share/strands");
    for (const std::string& spelling : {prefix + "/./share//strands", dir.path() + "/prefix-link/share/strands"}) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(ResourceLocator::searchRoots({build, dir.path() + "/build-link", dir.path() + "/src", spelling}),
                  (std::vector<std::string>{".", dir.path() + "/src", dir.path() + "/src/share/strands", spelling}));
        EXPECT_EQ(ResourceLocator::searchRoots({prefix + "/bin", build, dir.path() + "/src", spelling}),
                  (std::vector<std::string>{".", prefix + "/share/strands"}));
    }
    // Started in the source tree: "." is that folder, listed once.
    EXPECT_EQ(ResourceLocator::searchRoots({build, build, fs::current_path().string(), ""}),
              (std::vector<std::string>{".", dir.path() + "/src/share/strands"}));

    // The executable's own path unknown: the working directory and the configured prefix.
    EXPECT_EQ(ResourceLocator::searchRoots({"", build, dir.path() + "/src", "/opt/s"}),
              (std::vector<std::string>{".", "/opt/s"}));
}

TEST_F(ResourceLocatorTest, TakesEachFileFromTheFirstRootThatHoldsIt) {
    const std::string first = makeDir("first"), second = makeDir("second");
    makeDir("first/Resources");
    makeDir("second/Resources");
    makeDir("second/DataSet");
    dir.write("first/Resources/lock_s.bmp", "1");
    dir.write("second/Resources/lock_s.bmp", "2");
    dir.write("second/Resources/brush_s.bmp", "2");
    dir.write("second/DataSet/origin.txt", "a\n1\n");
    dir.write("second/DataSet/cars.csv", "a\n1\n");
    const ResourceLocator locator({first, second});

    EXPECT_EQ(locator.findFile("Resources/lock_s.bmp"), first + "/Resources/lock_s.bmp");
    EXPECT_EQ(locator.findFile("Resources/brush_s.bmp"), second + "/Resources/brush_s.bmp");
    EXPECT_EQ(locator.findFile("DataSet/origin.txt"), second + "/DataSet/origin.txt");
    // A folder, or a link to nothing, by that name in the first root is the
    // one found (opening it says what is wrong), not the second root's file.
    makeDir("first/DataSet/origin.txt");
    EXPECT_EQ(locator.findFile("DataSet/origin.txt"), first + "/DataSet/origin.txt");
    ASSERT_EQ(symlink("absent.csv", (first + "/DataSet/cars.csv").c_str()), 0);
    EXPECT_EQ(locator.findFile("DataSet/cars.csv"), first + "/DataSet/cars.csv");
    EXPECT_EQ(locator.findDirectory("DataSet"), first + "/DataSet");
    // Found nowhere: the path relative to the working directory, which then
    // fails to open with the usual message; no folder at all.
    EXPECT_EQ(locator.findFile("Resources/delete_s.bmp"), "./Resources/delete_s.bmp");
    EXPECT_EQ(locator.findDirectory("Missing"), "");
}

TEST_F(ResourceLocatorTest, TheTestsFindTheShippedFilesInTheWorkingDirectoryFirst) {
    // The tests run in the source tree, whose DataSet/ and Resources/ are the
    // program's own: they are found through ".", as the program's default
    // paths have always been written.
    EXPECT_EQ(findResource("DataSet/origin.txt"), "./DataSet/origin.txt");
    EXPECT_EQ(findResource("Resources/lock_s.bmp"), "./Resources/lock_s.bmp");
    ASSERT_FALSE(ResourceLocator::program().getRoots().empty());
    EXPECT_EQ(ResourceLocator::program().getRoots().front(), ".");

    // What the program knows of itself names the tree it was built from and
    // the build folder, so a binary run from its build folder finds the
    // shipped files from any working directory.
    const ProgramLocations where = ProgramLocations::ofThisProgram();
    EXPECT_TRUE(fs::is_regular_file(where.sourceDir + "/DataSet/origin.txt")) << where.sourceDir;
    EXPECT_TRUE(fs::is_directory(where.buildDir)) << where.buildDir;
    EXPECT_TRUE(fs::is_directory(where.executableDir)) << where.executableDir;
}

}  // namespace
