// An export replaces its target whole or not at all. Whatever makes a
// save fail (a read-only folder, a folder where the file should be, a missing
// folder, a disk that fills up half way), the previous good export stays as
// it was and no temporary file is left beside it; a save that succeeds leaves
// exactly the target, with the mode the old file had.

#include "Isolation.h"
#include "TempDir.h"
#include "io/OutputFile.h"
#include "fixtures/XmlExport.h"
#include "fixtures/MpakWriter.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace artisanscope;
using namespace artisanscope::testing;
namespace fx = artisanscope::fixtures;

namespace {

// A document of a few KiB, so that a write limit can cut it in the middle.
void FillDocument(TiXmlDocument& document) {
    BeginXmlDocument(document);
    TiXmlElement* root = document.RootElement();
    for (int i = 0; i < 200; ++i) {
        auto* realm = new TiXmlElement("Realm");
        realm->SetAttribute("name", ("Albion " + std::to_string(i)).c_str());
        root->LinkEndChild(realm);
    }
}

// What TinyXML itself writes for the document, for comparison.
std::string Expected(const TiXmlDocument& document) {
    std::FILE* f = std::tmpfile();
    document.SaveFile(f);
    std::rewind(f);
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    std::fclose(f);
    return out;
}

constexpr char kGood[] = "<?xml version=\"1.0\" ?>\n<Recipes>the previous good export</Recipes>\n";

}  // namespace

TEST(AtomicSaveTest, FailedSaveKeepsThePreviousExportAndLeavesNoTemporaryFile) {
    struct Case {
        const char* what;
        // Prepares dir (which holds the good export "recipes.xml") and
        // returns the path to save to.
        std::function<std::string(const TempDir& dir)> prepare;
        bool unprivileged;       // run the save as an ordinary user
        rlim_t fileSizeLimit;    // 0: none; else writes beyond this many bytes fail
        WriteFailure::Step step;  // the step the output reports as failed, with errno
        int error;
    } cases[] = {
        {"read-only folder",
         [](const TempDir& d) {
             ::chmod(d.path().c_str(), 0555);
             return d / "recipes.xml";
         },
         true, 0, WriteFailure::Step::Create, EACCES},
        {"target is a folder",
         [](const TempDir& d) {
             ::mkdir((d / "taken.xml").c_str(), 0755);
             fx::WriteFile(d / "taken.xml/inside", {'x'});
             return d / "taken.xml";
         },
         false, 0, WriteFailure::Step::Create, EISDIR},
        {"folder does not exist", [](const TempDir& d) { return d / "missing/recipes.xml"; }, false, 0,
         WriteFailure::Step::Create, ENOENT},
        {"disk fills up while writing", [](const TempDir& d) { return d / "recipes.xml"; }, false, 64,
         WriteFailure::Step::Write, EFBIG},
        {"disk full from the first byte", [](const TempDir& d) { return d / "recipes.xml"; }, false, 1,
         WriteFailure::Step::Write, EFBIG},
    };
    std::string skipped;  // rows this machine cannot arrange
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ::chmod(dir.path().c_str(), 0755);
        fx::WriteFile(dir / "recipes.xml", fx::Bytes(kGood, kGood + sizeof kGood - 1));
        const std::string target = c.prepare(dir);
        const EntryState good = EntryState::Of(dir / "recipes.xml");
        const EntryState targetBefore = EntryState::Of(target);
        const auto listing = Listing(dir.path());

        TiXmlDocument document;
        FillDocument(document);
        const int status = RunInChild(
            [&] {
                if (c.unprivileged && ::access(dir.path().c_str(), W_OK) == 0) return 77;
                if (c.fileSizeLimit != 0) {
                    std::signal(SIGXFSZ, SIG_IGN);  // a failing write, not a killed process
                    const rlimit limit{c.fileSizeLimit, c.fileSizeLimit};
                    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 77;
                }
                WriteFailure failure;
                if (SaveXmlDocument(document, target, &failure)) return 1;
                if (failure.step != c.step || failure.error != c.error) {
                    std::fprintf(stderr, "failed at step %d with %s\n", static_cast<int>(failure.step),
                                 failure.Reason().c_str());
                    return 2;
                }
                return 0;
            },
            c.unprivileged);
        ::chmod(dir.path().c_str(), 0755);
        if (status == 77) {
            skipped += std::string(" ") + c.what + ";";
            continue;
        }
        EXPECT_EQ(status, 0) << "the save must report failure, with its step and errno";
        EXPECT_TRUE(EntryState::Of(dir / "recipes.xml") == good) << "the previous export was changed";
        EXPECT_TRUE(EntryState::Of(target) == targetBefore) << "the target was changed";
        EXPECT_EQ(Listing(dir.path()), listing) << "a temporary file stayed behind";
    }
    if (!skipped.empty()) GTEST_SKIP() << "cannot be arranged here:" << skipped;
}

TEST(AtomicSaveTest, SuccessfulSaveReplacesTheTargetWhole) {
    TiXmlDocument document;
    FillDocument(document);
    const std::string expected = Expected(document);

    struct Case {
        const char* what;
        mode_t umaskBits;
        std::function<void(const TempDir& dir)> prepare;
        mode_t expectedMode;
    } cases[] = {
        {"new file gets the mode the umask allows", 027, [](const TempDir&) {}, 0640},
        {"other umask", 002, [](const TempDir&) {}, 0664},
        {"replaced file keeps its mode",
         022,
         [](const TempDir& d) {
             fx::WriteFile(d / "recipes.xml", fx::Bytes(kGood, kGood + sizeof kGood - 1));
             ::chmod((d / "recipes.xml").c_str(), 0600);
         },
         0600},
        {"replaced longer file leaves no old tail",
         022,
         [](const TempDir& d) { fx::WriteFile(d / "recipes.xml", fx::Bytes(1 << 16, 'z')); },
         0644},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.prepare(dir);
        const int status = RunInChild([&] {
            ::umask(c.umaskBits);
            return SaveXmlDocument(document, dir / "recipes.xml") ? 0 : 1;
        });
        ASSERT_EQ(status, 0);
        const EntryState saved = EntryState::Of(dir / "recipes.xml");
        EXPECT_EQ(saved.bytes, expected);
        EXPECT_EQ(saved.mode & 07777, c.expectedMode);
        EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"recipes.xml"});
    }
}

TEST(AtomicSaveTest, PathWithoutFolderSavesIntoTheWorkingFolder) {
    TiXmlDocument document;
    FillDocument(document);
    TempDir dir;
    const int status = RunInChild([&] {
        if (::chdir(dir.path().c_str()) != 0) return 2;
        return SaveXmlDocument(document, "recipes.xml") && SaveXmlDocument(document, "recipes.xml") ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(EntryState::Of(dir / "recipes.xml").bytes, Expected(document));
    EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"recipes.xml"});
}

// A target that is not a regular file cannot be replaced: a device such as
// /dev/null or /dev/full, or a FIFO, is written to in place and stays what it
// was. A failing device fails the save; a FIFO without a reader fails at
// once instead of hanging.
TEST(AtomicSaveTest, DevicesAndFifosAreWrittenNotReplaced) {
    TiXmlDocument document;
    FillDocument(document);
    struct Case {
        const char* what;
        std::function<bool(const std::string& path)> make;  // false: cannot be arranged here
        bool saves;
        WriteFailure::Step step;  // when it does not: the failing step and its errno
        int error;
    } cases[] = {
        {"a FIFO without a reader", [](const std::string& p) { return ::mkfifo(p.c_str(), 0644) == 0; }, false,
         WriteFailure::Step::Create, ENXIO},
        {"a full disk device (like /dev/full)",
         [](const std::string& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0; }, false,
         WriteFailure::Step::Write, ENOSPC},
        {"a null device (like /dev/null)",
         [](const std::string& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }, true,
         WriteFailure::Step::None, 0},
        {"a link to a full disk device", [](const std::string& p) { return ::symlink("/dev/full", p.c_str()) == 0; },
         false, WriteFailure::Step::Write, ENOSPC},
    };
    std::string skipped;  // rows this machine cannot arrange
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string target = dir / "recipes.xml";
        if (!c.make(target)) {
            skipped += std::string(" ") + c.what + ";";
            continue;
        }
        struct stat before {};
        ASSERT_EQ(::lstat(target.c_str(), &before), 0);
        const int status = RunInChild([&] {
            WriteFailure failure;
            const bool saved = SaveXmlDocument(document, target, &failure);
            return (saved ? 0 : 1) + (failure.step == c.step && failure.error == c.error ? 0 : 2);
        });
        EXPECT_EQ(status, c.saves ? 0 : 1) << "2 or 3: another step or errno";
        struct stat after {};
        ASSERT_EQ(::lstat(target.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << "the node was replaced";
        EXPECT_EQ(after.st_rdev, before.st_rdev);
        EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"recipes.xml"});
    }
    if (!skipped.empty()) GTEST_SKIP() << "cannot be arranged here:" << skipped;
}

TEST(AtomicSaveTest, FifoWithAReaderReceivesTheDocument) {
    TiXmlDocument document;
    FillDocument(document);
    TempDir dir;
    const std::string fifo = dir / "recipes.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto reader = std::async(std::launch::async, [&] {
        std::FILE* in = std::fopen(fifo.c_str(), "rb");
        std::string got;
        char buffer[4096];
        std::size_t n;
        while (in != nullptr && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0) got.append(buffer, n);
        if (in != nullptr) std::fclose(in);
        return got;
    });
    // The reader must have opened its end before the writer looks for one.
    bool saved = false;
    for (int attempt = 0; attempt < 200 && !saved; ++attempt) {
        saved = SaveXmlDocument(document, fifo);
        if (!saved) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!saved) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // let the reader finish
        if (fd >= 0) ::close(fd);
    }
    EXPECT_TRUE(saved);
    EXPECT_EQ(reader.get(), saved ? Expected(document) : "");
    struct stat after {};
    ASSERT_EQ(::lstat(fifo.c_str(), &after), 0);
    EXPECT_TRUE(S_ISFIFO(after.st_mode)) << "the FIFO was replaced";
    EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"recipes.xml"});
}

// A link to an export is followed: the file it names is replaced atomically
// and the link stays a link.
TEST(AtomicSaveTest, LinkToAnExportIsFollowed) {
    TiXmlDocument document;
    FillDocument(document);
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "exports").c_str(), 0755), 0);
    fx::WriteFile(dir / "exports/real.xml", fx::Bytes(kGood, kGood + sizeof kGood - 1));
    ASSERT_EQ(::symlink("exports/real.xml", (dir / "recipes.xml").c_str()), 0);
    EXPECT_TRUE(SaveXmlDocument(document, dir / "recipes.xml"));
    struct stat link {};
    ASSERT_EQ(::lstat((dir / "recipes.xml").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(EntryState::Of(dir / "exports/real.xml").bytes, Expected(document));
    EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"exports", "recipes.xml"}));
    EXPECT_EQ(Listing(dir / "exports"), std::set<std::string>{"real.xml"});
}

// An output that is not committed leaves nothing behind and the target as it
// was; a writer that needs a regular file is refused any other node.
TEST(AtomicSaveTest, UncommittedOutputAndRegularFileTargets) {
    struct Case {
        const char* what;
        const char* target;  // beside the good export unless absolute
        OutputTarget kind;
        bool creates;
        bool commit;
    } cases[] = {
        {"discarded", "recipes.xml", OutputTarget::AnyFile, true, false},
        {"dropped without commit", "recipes.xml", OutputTarget::RegularFile, true, false},
        {"regular file replaced", "recipes.xml", OutputTarget::RegularFile, true, true},
        {"device refused", "/dev/null", OutputTarget::RegularFile, false, false},
        {"device written in place", "/dev/null", OutputTarget::AnyFile, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fx::WriteFile(dir / "recipes.xml", fx::Bytes(kGood, kGood + sizeof kGood - 1));
        const std::string target = c.target[0] == '/' ? std::string(c.target) : dir / c.target;
        {
            OutputFile output(target, c.kind);
            ASSERT_EQ(output.Create(), c.creates);
            if (!c.creates) continue;
            EXPECT_EQ(output.path() == target, c.target[0] == '/') << "only a device is written in place";
            std::fputs("new", output.file());
            if (c.commit) {
                EXPECT_TRUE(output.Commit());
            } else if (std::string(c.what) == "discarded") {
                output.Discard();
            }
        }
        const bool replaced = c.commit && c.target[0] != '/';
        EXPECT_EQ(EntryState::Of(dir / "recipes.xml").bytes, replaced ? std::string("new") : std::string(kGood));
        EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"recipes.xml"});
    }
}
