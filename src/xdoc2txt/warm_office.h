#pragma once
// LibreOffice kept running between conversions: one headless instance per
// user and cache folder, in FOLDER = <cache>/lo-warm. xdoc2txt-office.py
// starts it under a keeper, detached from xdoc2txt (a session and process
// group of its own, its standard streams on /dev/null, no descriptor of
// xdoc2txt's), listening on a local pipe named for the user and the folder.
// Conversions hand their documents to it through its UNO bridge and touch
// FOLDER/last-use; the keeper ends the instance with itself once that has
// not changed for the idle time while no conversion holds the LibreOffice
// lock. The caller holds that lock: one conversion at a time.
//
// Its processes are told by their command lines: the keeper's names FOLDER,
// LibreOffice's its profile FOLDER/profile. So no record of them can go
// stale, and strays of an instance whose keeper is gone are found too.

#include <sys/types.h>

#include <chrono>
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
        kTimedOut,     // no answer by the deadline: ended
    };
    struct Result {
        Outcome outcome;
        std::string reason;  // why it failed, for the error line
    };

    // office is LibreOffice's soffice.bin; lockFile the LibreOffice lock.
    WarmOffice(const ProcessRunner& runner, std::string python, std::string script,
               std::string office, const std::string& cacheFolder, std::string lockFile,
               std::chrono::milliseconds idle);

    // Has the instance (started when none runs) write the source as the
    // target with the export filter ("txt:Text (encoded):UTF8"), by the
    // deadline. A failure ends the instance, unless python3-uno is missing
    // or the instance answered that it cannot read or write the document.
    // An interruption ends it too.
    [[nodiscard]] Result convert(const std::string& source, const std::string& target,
                                 std::string_view filter,
                                 std::chrono::steady_clock::time_point deadline) const;

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

    const ProcessRunner& runner_;
    std::string python_;
    std::string script_;
    std::string office_;
    std::string folder_;
    std::string lockFile_;
    std::string pipe_;
    std::chrono::milliseconds idle_;
};

// The local pipe of the instance kept in a folder: "xdoc2txt-<uid>-<hash of
// the folder>", so that each user and cache folder has its own.
[[nodiscard]] std::string pipeNameFor(std::string_view folder);

}  // namespace xdoc2txt
