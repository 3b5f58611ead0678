#pragma once
// LibreOffice kept running between conversions: one headless instance per
// user and cache folder, in FOLDER = <cache>/lo-warm (lo-warm-unconfined for
// readers run without the sandbox). xdoc2txt-office.py
// starts it under a keeper, detached from xdoc2txt (a session and process
// group of its own, its standard streams on /dev/null, no descriptor of
// xdoc2txt's but the sandbox's data), listening on a local pipe named for
// the user and the folder. In the readers' sandbox it sees its profile, the
// working folders and, as /tmp, FOLDER/tmp, where its pipe lies: a folder
// only the user can enter, so that no other user can reach the pipe or take
// its name first, whatever the umask. The conversions' UNO client runs in a
// sandbox of its own that sees the same /tmp.
// Conversions hand their documents to it through its UNO bridge and touch
// FOLDER/last-use; the keeper ends the instance with itself once that has
// not changed for the idle time while no conversion holds the LibreOffice
// lock. The caller holds that lock: one conversion at a time.
//
// Its processes are told by their command lines: the keeper's names FOLDER,
// LibreOffice's (or its sandbox's) its profile FOLDER/profile. So no record of them can go
// stale, and strays of an instance whose keeper is gone are found too.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"

namespace xdoc2txt {

class WarmOffice {
public:
    enum class Outcome {
        kConverted,    // the target is written
        kUnavailable,  // python3-uno is missing: no instance is left running
        kFailed,       // refused the document, or (then ended) failed to start or answer
        kPlainText,    // could read the binary document only as plain text: damaged
        kTimedOut,     // no answer by the deadline: ended
    };
    struct Result {
        Outcome outcome;
        std::string reason;  // why it failed, for the error line
    };

    // office is LibreOffice's soffice.bin; works the folder that holds the
    // working folders; lockFile the LibreOffice lock.
    WarmOffice(const ProcessRunner& runner, std::string python, std::string script,
               std::string office, const std::string& cacheFolder, std::string works,
               std::string lockFile, std::chrono::milliseconds idle);

    // Has the instance (started when none runs) write the source (in a
    // working folder) as the target with the export filter ("txt:Text (encoded):UTF8"), by the
    // deadline. A failure ends the instance, unless python3-uno is missing
    // or the instance answered that it cannot read or write the document.
    // An interruption ends it too.
    // A binary source (one that is no text file) read only by LibreOffice's
    // plain-text import gives no target.
    [[nodiscard]] Result convert(const std::string& source, bool binary, const std::string& target,
                                 std::string_view filter,
                                 std::chrono::steady_clock::time_point deadline) const;

    // Starts the instance when none runs, and returns without waiting for it
    // to answer (kConverted: it runs or starts).
    [[nodiscard]] Result warm(std::chrono::steady_clock::time_point deadline) const;

    // Kills the instance's processes with their process groups, waits until
    // they are gone and removes the profile they may have left half written.
    void end() const;

private:
    struct Process {
        pid_t pid;
        pid_t group;
        bool keeper;
    };
    // The running (not dead) processes of this folder's instance.
    [[nodiscard]] std::vector<Process> processes() const;
    void touch() const;
    // A failure, or nothing once a keeper runs (started when none did).
    [[nodiscard]] std::optional<Result> ensureRunning(
        std::chrono::steady_clock::time_point deadline) const;
    [[nodiscard]] std::string keeperLock() const { return folder_ + "/keeper.lock"; }
    // Starts the keeper; its id, or the result of a keeper that could not start.
    [[nodiscard]] ProcessResult startKeeper(std::chrono::steady_clock::time_point deadline) const;
    // A path in a working folder as the instance sees it.
    [[nodiscard]] std::string seenByOffice(const std::string& path) const;

    const ProcessRunner& runner_;
    std::string python_;
    std::string script_;
    std::string office_;
    std::string folder_;
    std::string works_;
    std::string lockFile_;
    std::string pipe_;
    std::chrono::milliseconds idle_;
};

// The local pipe of the instance kept in a folder: "xdoc2txt-<uid>-<hash of
// the folder>", so that each user and cache folder has its own.
[[nodiscard]] std::string pipeNameFor(std::string_view folder);

}  // namespace xdoc2txt
