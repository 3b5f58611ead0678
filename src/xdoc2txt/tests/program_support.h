#pragma once
// Running the built xdoc2txt in a folder of its own, and the documents the
// fixture fetched.

#include <sys/types.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace xdoc2txt::test {

struct RunResult {
    int exitCode = -1;  // -1 when it died of a signal
    int signal = 0;
    std::string out;
    std::string err;
};

// A fresh folder for one test under the build tree's scratch folder,
// scratch/<Suite.Test><suffix>, removed afterwards unless the test failed.
class Folder {
public:
    explicit Folder(const std::string& suffix = "");
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string operator/(const std::string& name) const {
        return path_ + "/" + name;
    }
    // The names in the folder, sorted.
    [[nodiscard]] std::vector<std::string> names() const;

private:
    std::string path_;
};

// A cache folder of the test's own (XDG_CACHE_HOME), so that the
// LibreOffice kept running for its conversions, and that one's pipe, are
// its own. The processes of that LibreOffice are killed on destruction.
class OwnCache : public Folder {
public:
    OwnCache() : Folder(".cache") {}
    ~OwnCache();
    // The variables that point xdoc2txt at it and keep its LibreOffice
    // until the test ends (an idle time of 10 minutes), then `extra`.
    [[nodiscard]] std::vector<std::string> environment(std::vector<std::string> extra = {}) const;
    // The running processes whose command line names the folder and holds
    // `word` ("soffice.bin --headless", "xdoc2txt-office.py keep", or "" for
    // all), arguments separated by spaces.
    [[nodiscard]] std::vector<pid_t> processes(const std::string& word) const;
    // Its running LibreOffice programs (soffice.bin, not the keeper or the
    // sandbox that name it).
    [[nodiscard]] std::vector<pid_t> offices() const;
};

// The environment xdoc2txt runs in: a UTF-8 locale (LANG=C.UTF-8), the
// usual PATH, HOME, and a cache folder in the build tree, whose LibreOffice
// ends 10 s after its last conversion; `extra` variables ("NAME=value")
// replace or add to it.
[[nodiscard]] std::vector<std::string> environmentWith(const std::vector<std::string>& extra);

// Runs xdoc2txt with the arguments, in the working folder when one is
// given, through the launcher when one is given (a command line that ends
// by running the program named after it with the arguments after that).
[[nodiscard]] RunResult runXdoc2txt(const std::vector<std::string>& args,
                                    const std::vector<std::string>& extraEnvironment = {},
                                    const std::string& workingFolder = {},
                                    const std::vector<std::string>& launcher = {});

// Starts xdoc2txt and returns at once; wait() collects it.
[[nodiscard]] pid_t startXdoc2txt(const std::vector<std::string>& args,
                                  const std::vector<std::string>& extraEnvironment,
                                  const std::string& workingFolder = {},
                                  const std::vector<std::string>& launcher = {});
[[nodiscard]] RunResult wait(pid_t pid);

// The file's bytes; empty when it cannot be read (a process's file in /proc
// may go while it is read).
[[nodiscard]] std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes, bool executable = false);
[[nodiscard]] bool exists(const std::string& path);
// CP932 bytes as UTF-8 ('?' stays '?').
[[nodiscard]] std::string fromCp932(const std::string& bytes);

// The fixture's documents folder; empty (with the reason in `why`) when
// the documents could not be downloaded.
[[nodiscard]] std::string documentsFolder(std::string& why);
// One phrase (a run of Japanese without spaces) of each paragraph the made
// documents hold.
[[nodiscard]] std::vector<std::string> paragraphPhrases(const std::string& documents);

// The tests run under CI (CI=true), where nothing they need may be missing.
[[nodiscard]] inline bool underCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string_view(ci) == "true";
}

}  // namespace xdoc2txt::test

// Skips the test, saying why, when the documents are not there; under CI
// (CI=true), where they must be, fails it.
#define XDOC2TXT_SKIP_WITHOUT_DOCUMENTS(folder, why)                                \
    do {                                                                            \
        if (!(folder).empty()) break;                                               \
        if (::xdoc2txt::test::underCi())                                            \
            GTEST_FAIL() << "documents from Debian packages unavailable: " << why;  \
        GTEST_SKIP() << "documents from Debian packages unavailable: " << why;      \
    } while (false)

// The documents' folder, for a test that needs them (see above).
#define XDOC2TXT_REQUIRE_DOCUMENTS(folder)                   \
    std::string folder;                                      \
    do {                                                     \
        std::string why;                                     \
        folder = ::xdoc2txt::test::documentsFolder(why);     \
        XDOC2TXT_SKIP_WITHOUT_DOCUMENTS(folder, why);        \
    } while (false)
