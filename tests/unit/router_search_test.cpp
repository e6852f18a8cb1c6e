// Finding the router: the places in their order, Java for a jar, and what the user is told
// when nothing is found.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "route/router_search.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class RouterSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("tarnwick_search_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        for (const char* folder : {"program", "here", "bin1", "bin2", "java/bin", "named", "empty"}) {
            fs::create_directories(root / folder);
        }
        places.program_folder = name("program");
        places.current_folder = name("here");
        places.path = name("bin1") + divider + name("bin2");
#ifdef _WIN32
        places.windows = true;
#endif
    }
    void TearDown() override { fs::remove_all(root); }

    std::string name(const std::string& relative) const { return (root / relative).make_preferred().string(); }

    // A program's file name as the system has it.
    static std::string program(const std::string& relative) {
#ifdef _WIN32
        return relative + ".exe";
#else
        return relative;
#endif
    }

#ifdef _WIN32
    static constexpr const char* divider = ";";
#else
    static constexpr const char* divider = ":";
#endif

    // A file; a program when `runnable`.
    std::string make(const std::string& relative, bool runnable = false) const {
        std::ofstream(root / relative) << "x\n";
        if (runnable) {
            fs::permissions(root / relative, fs::perms::owner_exec, fs::perm_options::add);
        }
        return name(relative);
    }

    static RouterCommand found(const RouterPlaces& places) {
        try {
            return find_router(places);
        } catch (const FatalError& error) {
            ADD_FAILURE() << error.code << ": " << error.message;
            return RouterCommand();
        }
    }

    static FatalError refused(const RouterPlaces& places) {
        try {
            find_router(places);
        } catch (const FatalError& error) {
            return error;
        }
        ADD_FAILURE() << "the router was found";
        return FatalError(0, "");
    }

    fs::path root;
    RouterPlaces places;
};

TEST_F(RouterSearchTest, ThePlacesInTheirOrder) {
    const std::string java = make(program("bin2/java"), true);
    const std::string on_path = make(program("bin2/freerouting"), true);
    RouterCommand command = found(places);
    EXPECT_EQ(command.router, on_path);
    EXPECT_EQ(command.found_by, "on the PATH");
    EXPECT_FALSE(command.jar);
    EXPECT_EQ(command.program, on_path);
    EXPECT_TRUE(command.arguments.empty());

    const std::string here = make("here/freerouting.jar");
    command = found(places);
    EXPECT_EQ(command.router, here);
    EXPECT_EQ(command.found_by, "in the current folder");
    EXPECT_TRUE(command.jar);
    EXPECT_EQ(command.program, java);
    EXPECT_EQ(command.arguments, (std::vector<std::string>{"-jar", here}));

    const std::string beside = make("program/freerouting.jar");
    EXPECT_EQ(found(places).router, beside);
    EXPECT_EQ(found(places).found_by, "beside tarnwick");

    places.environment = make("named/from-environment.jar");
    EXPECT_EQ(found(places).router, places.environment);
    EXPECT_EQ(found(places).found_by, "named by TARNWICK_ROUTER");

    places.option = make("named/freerouting-launcher", true);
    command = found(places);
    EXPECT_EQ(command.router, places.option);
    EXPECT_EQ(command.found_by, "named by --router");
    EXPECT_FALSE(command.jar);
}

TEST_F(RouterSearchTest, AFolderNamedIsLookedInto) {
    make(program("bin1/java"), true);
    places.option = name("named");
    make(program("named/freerouting"), true);
    EXPECT_EQ(found(places).router, name(program("named/freerouting")));
    const std::string jar = make("named/freerouting.jar");
    EXPECT_EQ(found(places).router, jar);
    // A folder without either is no router.
    places.option = name("empty");
    EXPECT_EQ(refused(places).code, named_router_not_found);
}

TEST_F(RouterSearchTest, JavaFromJavaHomeElseThePath) {
    places.option = make("named/fr.jar");
    places.java_home = name("java");
    const std::string on_path = make(program("bin1/java"), true);
    EXPECT_EQ(found(places).program, on_path);
    const std::string home = make(program("java/bin/java"), true);
    EXPECT_EQ(found(places).program, home);

    // No Java at all: the message says where it looked and that the installers bring their own.
    fs::remove(home);
    fs::remove(on_path);
    const FatalError error = refused(places);
    EXPECT_EQ(error.code, java_not_found);
    EXPECT_NE(error.message.find("no java on the PATH, nor in JAVA_HOME (\"" + name("java") + "\")"), std::string::npos)
        << error.message;
    EXPECT_NE(error.message.find("installer, which brings its own"), std::string::npos);
}

TEST_F(RouterSearchTest, ThePathsEmptyEntriesAndPlainFilesArePassedOver) {
    // An empty entry would be the current folder on some systems: never a place of its own.
    const fs::path before = fs::current_path();
    fs::current_path(root / "here");
    make(program("here/freerouting"), true);
    places.current_folder = "";
    places.path = std::string(divider) + name("bin1") + divider + divider + name("bin2") + divider;
#ifndef _WIN32
    make("bin1/freerouting");  // not a program
#endif
    const std::string router = make(program("bin2/freerouting"), true);
    EXPECT_EQ(found(places).router, router);
    fs::current_path(before);
}

TEST_F(RouterSearchTest, WindowsPathsAndPrograms) {
    places.windows = true;
    places.path = name("bin1") + ";\"" + name("bin2") + "\"";
    make("bin2/freerouting", true);  // no ".exe": not Windows's program
    const std::string router = make("bin2/freerouting.exe", true);
    EXPECT_EQ(found(places).router, router);
    // A name given without ".exe" finds the program with it.
    places.option = name("named/fr");
    const std::string named = make("named/fr.exe", true);
    EXPECT_EQ(found(places).router, named);
    // A batch file would run through the command interpreter, which reads its arguments its own way.
    places.option = make("named/freerouting.bat");
    EXPECT_EQ(refused(places).code, router_is_a_script);
    places.option = make("named/freerouting.CMD");
    EXPECT_EQ(refused(places).code, router_is_a_script);
}

TEST_F(RouterSearchTest, NothingFoundSaysWhatWasLookedForAndWhereToGetIt) {
    FatalError error = refused(places);
    EXPECT_EQ(error.code, router_not_found);
    EXPECT_EQ(error.message,
              "Router not found: no --router=<path>, no TARNWICK_ROUTER, no freerouting.jar beside tarnwick (\"" +
                  name("program") +
                  "\") or in the current folder, no freerouting on the PATH. Get Freerouting from "
                  "https://github.com/freerouting/freerouting/releases and name its .jar or program with "
                  "--router=<path>");

    places.environment = name("named/missing.jar");
    error = refused(places);
    EXPECT_EQ(error.code, named_router_not_found);
    EXPECT_EQ(error.message, "Router \"" + name("named/missing.jar") +
                                 "\" (named by TARNWICK_ROUTER) not found: name Freerouting's .jar or its program, "
                                 "from https://github.com/freerouting/freerouting/releases");
    // The option comes first, also when what the variable names is there.
    places.environment = make("named/there.jar");
    places.option = name("named/missing");
    EXPECT_EQ(refused(places).code, named_router_not_found);
}

}  // namespace
}  // namespace tarnwick
