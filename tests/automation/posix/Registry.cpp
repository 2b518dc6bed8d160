// SPDX-License-Identifier: Apache-2.0
// The Linux build's INI registry, with the test's own server (TestServer.cpp) registered
// by orvfields-regsvr and created by its programmatic identifiers as a host does it. On
// Windows the classes are in the system's registry, which tests/windows/com checks.

#include "automation/Registry.h"
#include "../Sample.h"
#include "automation/ClassFactory.h"
#include "automation/Dispatch.h"
#include "automation/System.h"
#include "support/Doctest.h"
#include "support/Files.h"
#include "support/Process.h"

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

using namespace Automation;
using Support::u16;
using Support::utf8;
namespace fs = std::filesystem;

namespace {

// A registry file of the test's own ($ORVFIELDS_REGISTRY), in a folder yet to be made.
struct Registry
{
    Registry() { setenv("ORVFIELDS_REGISTRY", path.c_str(), 1); }

    // The user's and the machine's registries in the test's folder, and no other:
    // `dirs` is XDG_CONFIG_DIRS with % for the folder.
    void xdg(std::string dirs)
    {
        unsetenv("ORVFIELDS_REGISTRY");
        for (std::size_t at; (at = dirs.find('%')) != std::string::npos;)
            dirs.replace(at, 1, dir.path().string());
        setenv("XDG_CONFIG_HOME", (dir / "home").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", dirs.c_str(), 1);
    }

    Support::TempFolder dir;
    const std::string path = (dir / "sub/registry.ini").string();
};

Support::Output regsvr(const std::vector<std::string> &args)
{
    return Support::run(ORVFIELDS_REGSVR, args);
}

// "created", or the error creating the class raised.
std::string created(const char16_t *progId)
{
    const std::string error = Support::failure([&] { createObject(progId); });
    return error.empty() ? "created" : error;
}

// A function the test server exports.
template <class F> F serverFunction(const char *name)
{
    std::u16string error;
    void *library = System::loadLibrary(u16(TEST_SERVER), error);
    return reinterpret_cast<F>(library ? System::symbolOf(library, name) : nullptr);
}

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_CASE_FIXTURE(Registry, "registered, described, created, counted and unregistered")
{
    const std::string server = fs::absolute(TEST_SERVER).string();
    ::umask(022);
    const Support::Output reg = regsvr({server});
    CHECK(reg.out == "registered " + server + " in " + path + '\n');
    CHECK(!fs::exists(path + ".lock"));
    CHECK((fs::status(path).permissions() & fs::perms::others_read) != fs::perms::none);

    RegistryFile registry(u16(path));
    registry.load(true);
    const std::u16string clsid = registry.value(u"Test.Sample/CLSID");
    CHECK(clsid == u"{00000000-0000-0000-0000-0000000000A1}");
    CHECK(registry.value(u"CLSID/" + clsid + u"/InprocServer32", u"ThreadingModel") ==
          u"Apartment");
    CHECK(utf8(registry.value(u"CLSID/" + clsid + u"/InprocServer32")) == server);
    CHECK(!registry.hasKey(u"CLSID/" + clsid + u"/Control"));
    CHECK(registry.hasKey(u"CLSID/{00000000-0000-0000-0000-0000000000A2}/Control"));
    const std::u16string typeLib = u"TypeLib/{00000000-0000-0000-0000-0000000000C1}";
    CHECK(registry.value(typeLib + u"/1.2") == u"Test server");

    // The description comes from the class factories: no instance is made.
    const Support::Output description = regsvr({"--describe", "Test.Control"});
    for (const std::string &line :
         {std::string("library Test 1.2 {00000000-0000-0000-0000-0000000000C1}\n"
                      "  helpstring \"Test server\"\n\ncoclass Sample\n  ProgID     Test.Sample\n"),
          std::string("  implements {00000000-0000-0000-0000-0000000000B2}\n"
                      "    1  0x40030001  Flag              property get, put As Boolean\n"),
          std::string(
              "    3  0x40030003  Child             property get, putref As Object\n"
              "    4  0x40030004  Holder            property get, put, putref As Variant\n"),
          std::string("    7  0x60030001  Swap              method (ByRef text As String, ByRef "
                      "number As Long, untouched As Long)\n"),
          std::string(
              "   10  0x60030004  Adopt             method (other As _Sample) As Boolean\n"),
          "  server     " + server + " (threading model Apartment)\n"})
        CHECK_MESSAGE(contains(description.out, line), description.out);
    CHECK(description.exitCode == 0);
    CHECK(utf8(describeTypeLibraryOf(u"Test.Sample")) == description.out);
    const auto constructed = serverFunction<int (*)()>("SamplesConstructed");
    const auto canUnload = serverFunction<DllCanUnloadNowFn>("DllCanUnloadNow");
    REQUIRE((constructed && canUnload));
    CHECK(constructed() == 0);

    // The module counts the objects it made while any reference holds them.
    {
        Ref<Object> sample = createObject(u"Test.Sample");
        CHECK(get(sample, u"Count").toLong() == 7);
        CHECK(refAs<Test::Sample>(sample));
        const Ref<Object> second = sample;
        CHECK(canUnload() == Hr::False);
        sample.reset();
        CHECK(canUnload() == Hr::False);
    }
    CHECK(canUnload() == Hr::Ok);
    CHECK(constructed() == 1);

    const Support::Output unreg = regsvr({"-u", server});
    CHECK_MESSAGE(unreg.exitCode == 0, unreg.err);
    CHECK(created(u"Test.Sample") == "429 'Test.Sample' is not registered in " + path);
    registry.load(true);
    CHECK(!registry.hasKey(u"CLSID/" + clsid));
    CHECK(!registry.hasKey(typeLib));
}

TEST_CASE_FIXTURE(Registry, "creation failures name their cause")
{
    CHECK(created(u"Test.Sample").rfind("429 the registry file " + path + " does not exist", 0) ==
          0);
    fs::create_directory(dir / "sub");
    const std::string damaged = "429 the registry file " + path + " is damaged at line ";
    Support::writeFile(path, "[Test.Sample/CLSID]\n@={X}\n[broken\n");
    CHECK(created(u"Test.Sample") == damaged + "3: a key must read [name]");
    Support::writeFile(path, "; comment\r\nName=value\r\n");
    CHECK(created(u"Test.Sample") == damaged + "2: a value stands before the first [key]");

    const std::string fake = Support::writeFile(dir / "fake.so", "plain text").string();
    Support::writeFile(path,
                       "[Test.Sample/CLSID]\n@={X}\n[CLSID/{X}/InprocServer32]\n@=" + fake + "\n");
    const std::string cannotLoad = created(u"Test.Sample");
    CHECK_MESSAGE(cannotLoad.rfind("429 Test.Sample: cannot load " + fake +
                                       ": Cannot load library " + fake + ": (",
                                   0) == 0,
                  cannotLoad);
    CHECK(created(u"Nobody.Here") == "429 'Nobody.Here' is not registered in " + path);

    // orvfields-regsvr: a usage error, a missing file, a file that is no library.
    CHECK(regsvr({}).exitCode == 2);
    const Support::Output missing = regsvr({(dir / "none.so").string()});
    CHECK_MESSAGE((missing.exitCode == 1 && contains(missing.err, "no such file")), missing.err);
    const Support::Output notLibrary = regsvr({fake});
    CHECK_MESSAGE((notLibrary.exitCode == 1 && contains(notLibrary.err, "cannot load " + fake)),
                  notLibrary.err);
}

// Without $ORVFIELDS_REGISTRY a host reads the machine's file with the user's over it,
// the machine's from the first folder of the list that holds one, relative folders
// ignored; without one the first folder's is named.
TEST_CASE_FIXTURE(Registry, "the user's keys hide the machine's")
{
    const std::string sys = "[A.Class/CLSID]\n@={S}\n", user = "[a.class/clsid]\n@={U}\n";
    const struct
    {
        std::string system, user;
        std::string found; // A.Class's identifier, or the error's start
    } rows[] = {
        {sys, user, "{U}"},
        {sys, "", "{S}"},
        {"", user, "{U}"},
        {sys, "[A.Class/CLSID]\nNote=x\n", "429 'A.Class' is not registered in USER or SYS"},
        {"", "", "429 neither USER nor SYS"},
    };
    xdg("relative:%/none:%/b");
    const fs::path userFile = dir / "home/orvane/registry.ini",
                   bFile = dir / "b/orvane/registry.ini";
    for (const auto &row : rows) {
        CAPTURE(row.found);
        for (const auto &[file, content] :
             {std::pair(bFile, row.system), std::pair(userFile, row.user)}) {
            fs::remove(file);
            fs::create_directories(file.parent_path());
            if (!content.empty())
                Support::writeFile(file, content);
        }
        const std::string sysFile = utf8(systemRegistryPath());
        CHECK(sysFile == (row.system.empty() ? dir / "none/orvane/registry.ini" : bFile).string());
        std::string found = row.found;
        for (const auto &[name, file] :
             {std::pair<std::string, std::string>("USER", userFile), {"SYS", sysFile}})
            if (const std::size_t at = found.find(name); at != std::string::npos)
                found.replace(at, name.size(), file);
        std::string clsid;
        const std::string error = Support::failure([&] { clsid = utf8(classIdOf(u"A.Class")); });
        CHECK((clsid + error).rfind(found, 0) == 0);
    }
}

// Registered for every user, found by a user with no registry of their own.
TEST_CASE_FIXTURE(Registry, "registered for the machine")
{
    xdg("%/a:%/b");
    CHECK(regsvr({"--system", TEST_SERVER}).exitCode == 0);
    CHECK(fs::exists(dir / "a/orvane/registry.ini"));
    CHECK(created(u"Test.Sample") == "created");
    CHECK(regsvr({"-u", TEST_SERVER}).exitCode == 0); // the user's registration
    CHECK(created(u"Test.Sample") == "created");
    CHECK(regsvr({"--system", "-u", TEST_SERVER}).exitCode == 0);
    CHECK(contains(created(u"Test.Sample"), "is not registered"));
}
