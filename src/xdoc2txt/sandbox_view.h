#pragma once
// What one reader run sees of the host besides the system's programs and
// data: the files and folders bound in for it, each at a fixed place under
// /run/xdoc2txt, and the folder it sees as /tmp. A reader started
// unconfined sees the whole host, so the same calls then give the host
// paths themselves: the code that builds a command never asks which of the
// two it is.

#include <string>
#include <vector>

namespace xdoc2txt {

// Where a confined run finds what is bound in for it.
inline constexpr const char* kInside = "/run/xdoc2txt";

class SandboxView {
public:
    struct Bind {
        std::string host;
        std::string inside;
        bool writable = false;
    };

    // A view for a confined run (the default), or for one that sees the host.
    SandboxView() = default;
    explicit SandboxView(bool confined) : confined_(confined) {}
    [[nodiscard]] static SandboxView unconfined() { return SandboxView(false); }

    [[nodiscard]] bool confined() const { return confined_; }

    // Binds a host file or folder in, read-only or writable, at kInside/name
    // (name may hold folders); gives the path the run reaches it by.
    std::string readOnly(const std::string& host, const std::string& name) {
        return bind(host, name, false);
    }
    std::string writable(const std::string& host, const std::string& name) {
        return bind(host, name, true);
    }

    // Binds a host folder in at its own path, writable, so that the run's
    // command line names it as the host does. (Where the run's /tmp is a
    // host folder, one under /tmp gets its mount point made in that folder.)
    std::string writableAsIs(const std::string& host) {
        if (confined_) binds_.push_back({host, host, true});
        return host;
    }

    // The run sees this host folder as /tmp (LibreOffice's pipe lives there);
    // without one it gets an empty /tmp of its own.
    void tmpFrom(std::string host) { tmp_ = std::move(host); }

    [[nodiscard]] const std::vector<Bind>& binds() const { return binds_; }
    [[nodiscard]] const std::string& tmp() const { return tmp_; }

private:
    std::string bind(const std::string& host, const std::string& name, bool writable) {
        if (!confined_) return host;
        std::string inside = std::string(kInside) + "/" + name;
        binds_.push_back({host, inside, writable});
        return inside;
    }

    bool confined_ = true;
    std::vector<Bind> binds_;
    std::string tmp_;
};

}  // namespace xdoc2txt
