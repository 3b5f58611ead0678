#pragma once
// The seccomp filter every reader runs behind. The readers parse documents
// from anywhere, and the namespaces of the sandbox (sandbox.h) already keep
// a reader that a hostile document takes over from the user's files; the
// filter narrows what such a reader can still ask of the kernel. It refuses,
// with an error the reader can handle, what no document reader needs and
// what would reach past the sandbox or into rarely used kernel code:
// sockets other than Unix ones, tracing other processes, new namespaces,
// faking terminal input, mounting, kernel keys and modules, BPF, and the
// like. Everything else is allowed.

#include <string>

namespace xdoc2txt {

// The filter as bubblewrap's --seccomp reads it: a classic BPF program, its
// `struct sock_filter` instructions back to back. Empty on an architecture
// it is not written for (the readers then run without one).
[[nodiscard]] std::string readerSyscallFilter();

}  // namespace xdoc2txt
