#pragma once
// The sandbox every document reader runs in. Documents come from anywhere,
// and a reader that a hostile one takes over must get nothing of the
// user's: each reader runs under bubblewrap in new user, pid, network, IPC
// and UTS namespaces, with no capability (for root too), in a session of
// its own, dying with xdoc2txt, in a cleared environment, behind a seccomp
// filter (seccomp_filter.h). It sees /usr and the little of /etc and /var
// that readers need, read-only; an empty home and /tmp of its own; and what
// its view binds in (sandbox_view.h), nothing else of the host.
//
// A sandbox that cannot be set up (no user namespaces, say) fails the
// conversion: no reader then runs unconfined unless XDOC2TXT_SANDBOX=0 says so.

#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "unique_fd.h"

namespace xdoc2txt {

class Sandbox {
public:
    // bwrap is bubblewrap's program; filter the seccomp program's bytes
    // (empty: none).
    Sandbox(std::string bwrap, std::string filter);

    // The bwrap command that runs `command` confined to its view; its
    // `passed` descriptors (the data bwrap reads) are owned by `fds`.
    struct Wrapped {
        Command command;
        std::vector<UniqueFd> fds;
        UniqueFd status;  // bwrap's status records, when asked for
    };
    [[nodiscard]] Wrapped wrap(const Command& command, bool reportStatus) const;

    // After a wrapped run that reported its status: throws Failure
    // (ExitCode::kNoSandbox) when bwrap ended without the reader having run,
    // as when it could not make its namespaces.
    static void checkSetUp(Wrapped& wrapped, const ProcessResult& result);

private:
    std::string bwrap_;
    std::string filter_;
};

// The one-line reasons a conversion fails with when bubblewrap is missing,
// and when it could not set up the sandbox (cause: bwrap's own words): each
// names the cause, the remedy and the way out.
[[nodiscard]] std::string missingSandboxReason();
[[nodiscard]] std::string brokenSandboxReason(std::string_view cause);

// The warning that XDOC2TXT_SANDBOX=0 prints on standard error.
[[nodiscard]] std::string unconfinedWarning();

}  // namespace xdoc2txt
