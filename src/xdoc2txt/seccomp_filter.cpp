#include "seccomp_filter.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace xdoc2txt {

#if (defined(__x86_64__) || defined(__aarch64__)) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__

namespace {

#if defined(__x86_64__)
constexpr std::uint32_t kArch = AUDIT_ARCH_X86_64;
#else
constexpr std::uint32_t kArch = AUDIT_ARCH_AARCH64;
#endif

// System calls refused outright, and the error they fail with.
struct Refusal {
    long call;
    int error;
};

constexpr Refusal kRefused[] = {
    // Reading or changing other processes.
    {SYS_ptrace, EPERM},
    {SYS_process_vm_readv, EPERM},
    {SYS_process_vm_writev, EPERM},
#ifdef SYS_pidfd_getfd
    {SYS_pidfd_getfd, EPERM},
#endif
    // New namespaces and joining others. clone3 passes its flags in memory,
    // out of the filter's reach; failing with ENOSYS makes the C library
    // fall back on clone, whose flags are checked below.
    {SYS_unshare, EPERM},
    {SYS_setns, EPERM},
#ifdef SYS_clone3
    {SYS_clone3, ENOSYS},
#endif
    // Mounting and changing the root.
    {SYS_mount, EPERM},
    {SYS_umount2, EPERM},
    {SYS_pivot_root, EPERM},
    {SYS_chroot, EPERM},
#ifdef SYS_open_tree
    {SYS_open_tree, EPERM},
    {SYS_move_mount, EPERM},
    {SYS_fsopen, EPERM},
    {SYS_fsconfig, EPERM},
    {SYS_fsmount, EPERM},
    {SYS_fspick, EPERM},
#endif
#ifdef SYS_mount_setattr
    {SYS_mount_setattr, EPERM},
#endif
    {SYS_open_by_handle_at, EPERM},
    // Kernel keys, modules, BPF programs, performance counters, handling
    // page faults in user space, asynchronous I/O rings.
    {SYS_keyctl, EPERM},
    {SYS_add_key, EPERM},
    {SYS_request_key, EPERM},
    {SYS_init_module, EPERM},
    {SYS_finit_module, EPERM},
    {SYS_delete_module, EPERM},
    {SYS_kexec_load, EPERM},
    {SYS_kexec_file_load, EPERM},
    {SYS_bpf, EPERM},
    {SYS_perf_event_open, EPERM},
    {SYS_userfaultfd, EPERM},
#ifdef SYS_io_uring_setup
    {SYS_io_uring_setup, EPERM},
    {SYS_io_uring_enter, EPERM},
    {SYS_io_uring_register, EPERM},
#endif
    // Running the machine.
    {SYS_reboot, EPERM},
    {SYS_swapon, EPERM},
    {SYS_swapoff, EPERM},
    {SYS_acct, EPERM},
#if defined(__x86_64__)
    {SYS_iopl, EPERM},
    {SYS_ioperm, EPERM},
#endif
};

// The flags of clone that make new namespaces. In clone's first argument
// 0x80 (CLONE_NEWTIME elsewhere) lies in the byte of the exit signal, where
// no real signal sets it; it is refused all the same.
constexpr std::uint32_t kNewNamespaces = CLONE_NEWNS | CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET |
                                         CLONE_NEWIPC | CLONE_NEWUTS | CLONE_NEWCGROUP | 0x80;

constexpr std::uint32_t kAllow = SECCOMP_RET_ALLOW;

constexpr std::uint32_t fail(int error) {
    return SECCOMP_RET_ERRNO | (static_cast<std::uint32_t>(error) & SECCOMP_RET_DATA);
}

// Where the low 32 bits of an argument lie in struct seccomp_data, on a
// little-endian machine. The checks below read only these: the kernel takes
// a socket's family, an ioctl's request and clone's flags from them alone.
constexpr std::uint32_t argument(std::uint32_t index) {
    return static_cast<std::uint32_t>(offsetof(seccomp_data, args)) + 8 * index;
}

// Single instructions. jt and jf count the instructions a jump skips when
// its test holds and when it does not.
constexpr sock_filter load(std::uint32_t offset) {
    return BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset);
}
constexpr sock_filter ifEqual(std::uint32_t k, std::uint8_t jt, std::uint8_t jf) {
    return BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, k, jt, jf);
}
constexpr sock_filter ifAnySet(std::uint32_t k, std::uint8_t jt, std::uint8_t jf) {
    return BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, k, jt, jf);
}
constexpr sock_filter returns(std::uint32_t action) {
    return BPF_STMT(BPF_RET | BPF_K, action);
}

class Program {
public:
    void add(std::initializer_list<sock_filter> code) { code_.insert(code_.end(), code); }

    // Instructions that run for one system call only: any other call skips
    // them. They must end in a return, as the instruction after them runs
    // for other calls.
    void forCall(long call, std::initializer_list<sock_filter> block) {
        if (block.size() > 255) throw std::logic_error("seccomp block too long to jump over");
        add({ifEqual(static_cast<std::uint32_t>(call), 0,
                     static_cast<std::uint8_t>(block.size()))});
        add(block);
    }

    [[nodiscard]] std::string bytes() const {
        return std::string(reinterpret_cast<const char*>(code_.data()),
                           code_.size() * sizeof(sock_filter));
    }

private:
    std::vector<sock_filter> code_;
};

}  // namespace

std::string readerSyscallFilter() {
    Program program;
    // A system call of another architecture (i386 by int 0x80 on x86-64,
    // say) has other numbers, which the checks below would misread.
    program.add({load(offsetof(seccomp_data, arch)), ifEqual(kArch, 1, 0),
                 returns(SECCOMP_RET_KILL_PROCESS), load(offsetof(seccomp_data, nr))});
#if defined(__x86_64__)
    // x32 system calls: their numbers carry this bit.
    program.add({ifAnySet(__X32_SYSCALL_BIT, 0, 1), returns(fail(ENOSYS))});
#endif
    for (const Refusal& refusal : kRefused) {
        program.forCall(refusal.call, {returns(fail(refusal.error))});
    }
    // Only Unix sockets, by family.
    for (const long call : {SYS_socket, SYS_socketpair}) {
        program.forCall(call, {load(argument(0)), ifEqual(AF_UNIX, 0, 1), returns(kAllow),
                               returns(fail(EAFNOSUPPORT))});
    }
    program.forCall(SYS_clone, {load(argument(0)), ifAnySet(kNewNamespaces, 0, 1),
                                returns(fail(EPERM)), returns(kAllow)});
    // Typing into the terminal's input, and the Linux console's own requests.
    program.forCall(SYS_ioctl, {load(argument(1)), ifEqual(TIOCSTI, 1, 0), ifEqual(TIOCLINUX, 0, 1),
                                returns(fail(EPERM)), returns(kAllow)});
    program.add({returns(kAllow)});
    return program.bytes();
}

#else

std::string readerSyscallFilter() {
    return {};
}

#endif

}  // namespace xdoc2txt
