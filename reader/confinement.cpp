#include "confinement.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Landlock's rights and scopes past what older kernel headers name: the
// kernel's interface, fixed once released.
constexpr std::uint64_t fsRefer = 1ULL << 13;    // ABI 2
constexpr std::uint64_t fsTruncate = 1ULL << 14; // ABI 3
constexpr std::uint64_t fsIoctlDev = 1ULL << 15; // ABI 5
constexpr std::uint64_t netBindTcp = 1ULL << 0;  // ABI 4
constexpr std::uint64_t netConnectTcp = 1ULL << 1;
constexpr std::uint64_t scopeAbstractUnixSocket = 1ULL << 0; // ABI 6
constexpr std::uint64_t scopeSignal = 1ULL << 1;
struct RulesetAttr { // landlock_ruleset_attr as the newest kernels take it
    std::uint64_t handledAccessFs, handledAccessNet, scoped;
};

// Reading beneath `folder` and nothing else of the file system. The version
// of the kernel's Landlock, 0 where there is none; -1 on failure.
int restrictFileSystem(const char *folder, std::string &failure) {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        return errno == ENOSYS || errno == EOPNOTSUPP ? 0 : (failure = "landlock version", -1);
    }
    RulesetAttr attr{(1ULL << 13) - 1, 0, 0}; // every right of ABI 1
    std::size_t attrSize = offsetof(RulesetAttr, handledAccessNet);
    if (abi >= 2) {
        attr.handledAccessFs |= fsRefer;
    }
    if (abi >= 3) {
        attr.handledAccessFs |= fsTruncate;
    }
    if (abi >= 4) {
        attr.handledAccessNet = netBindTcp | netConnectTcp;
        attrSize = offsetof(RulesetAttr, scoped);
    }
    if (abi >= 5) {
        attr.handledAccessFs |= fsIoctlDev;
    }
    if (abi >= 6) {
        attr.scoped = scopeAbstractUnixSocket | scopeSignal;
        attrSize = sizeof attr;
    }
    const int ruleset = int(::syscall(SYS_landlock_create_ruleset, &attr, attrSize, 0));
    if (ruleset < 0) {
        failure = "landlock ruleset";
        return -1;
    }
    landlock_path_beneath_attr beneath{};
    beneath.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
    beneath.parent_fd = ::open(folder, O_PATH | O_CLOEXEC | O_DIRECTORY);
    const bool restricted =
        beneath.parent_fd >= 0 &&
        ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) == 0 &&
        ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    if (beneath.parent_fd >= 0) {
        ::close(beneath.parent_fd);
    }
    ::close(ruleset);
    if (!restricted) {
        failure = "landlock rule for the picture folder";
        return -1;
    }
    return int(abi);
}

bool limitResources(std::string &failure) {
    struct Limit {
        int resource;
        rlim_t most;
    };
    const Limit limits[] = {
        {RLIMIT_CORE, 0},
        {RLIMIT_FSIZE, 0},
        {RLIMIT_NOFILE, 16},
        // CPU seconds over the reader's whole life: a decode loops at most
        // about a second, and a reader that reaches this is simply replaced.
        {RLIMIT_CPU, 120},
#if !defined(__SANITIZE_ADDRESS__) // AddressSanitizer reserves terabytes of shadow
        // The program's libraries, a decode's 64 MiB and its threads' stacks.
        {RLIMIT_AS, rlim_t{1} << 30},
#endif
    };
    for (const Limit &limit : limits) {
        const rlimit value{limit.most, limit.most};
        if (::setrlimit(limit.resource, &value) != 0) {
            failure = "resource limits";
            return false;
        }
    }
    return true;
}

// A condition on a call's argument `index` (libseccomp's SCMP_A0 to SCMP_A5,
// which are C compound literals).
scmp_arg_cmp argument(unsigned index, scmp_compare compare, scmp_datum_t value,
                      scmp_datum_t other = 0) {
    return {index, compare, value, other};
}

// The calls a reader makes, each allowed only as it makes them; every other
// call fails with EPERM.
bool filterSystemCalls(int socket, std::string &failure) {
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!filter) {
        failure = "seccomp";
        return false;
    }
    bool added = ::seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1) == 0;
    const auto allow = [&](int call, auto... conditions) {
        added = added && ::seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, sizeof...(conditions),
                                            conditions...) == 0;
    };
    const auto answer = [&](int call, int error) {
        added = added && ::seccomp_rule_add(filter, SCMP_ACT_ERRNO(error), call, 0) == 0;
    };
    for (const int call : {SCMP_SYS(read),
                           SCMP_SYS(readv),
                           SCMP_SYS(pread64),
                           SCMP_SYS(write),
                           SCMP_SYS(writev),
                           SCMP_SYS(close),
                           SCMP_SYS(fstat),
                           SCMP_SYS(newfstatat),
                           SCMP_SYS(statx),
                           SCMP_SYS(lseek),
                           SCMP_SYS(fcntl),
                           SCMP_SYS(getdents64),
                           SCMP_SYS(readlink),
                           SCMP_SYS(readlinkat),
                           SCMP_SYS(munmap),
                           SCMP_SYS(mremap),
                           SCMP_SYS(brk),
                           SCMP_SYS(madvise),
                           SCMP_SYS(futex),
                           SCMP_SYS(set_robust_list),
                           SCMP_SYS(rseq),
                           SCMP_SYS(rt_sigaction),
                           SCMP_SYS(rt_sigprocmask),
                           SCMP_SYS(rt_sigreturn),
                           SCMP_SYS(sigaltstack),
                           SCMP_SYS(exit),
                           SCMP_SYS(exit_group),
                           SCMP_SYS(getpid),
                           SCMP_SYS(gettid),
                           SCMP_SYS(getppid),
                           SCMP_SYS(getuid),
                           SCMP_SYS(geteuid),
                           SCMP_SYS(getgid),
                           SCMP_SYS(getegid),
                           SCMP_SYS(getrandom),
                           SCMP_SYS(clock_gettime),
                           SCMP_SYS(clock_getres),
                           SCMP_SYS(gettimeofday),
                           SCMP_SYS(clock_nanosleep),
                           SCMP_SYS(nanosleep),
                           SCMP_SYS(sched_yield),
                           SCMP_SYS(sched_getaffinity),
                           SCMP_SYS(poll),
                           SCMP_SYS(ppoll),
                           SCMP_SYS(membarrier),
                           SCMP_SYS(uname),
                           SCMP_SYS(getrlimit),
                           SCMP_SYS(restart_syscall)}) {
        allow(call);
    }
    // Opening only for reading (Landlock says where).
    constexpr scmp_datum_t writing = O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND | __O_TMPFILE;
    allow(SCMP_SYS(openat), argument(2, SCMP_CMP_MASKED_EQ, writing, 0));
    allow(SCMP_SYS(open), argument(1, SCMP_CMP_MASKED_EQ, writing, 0));
    answer(SCMP_SYS(openat2), ENOSYS); // its flags cannot be read: the C library falls back
    // Memory, never executable.
    allow(SCMP_SYS(mmap), argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
    allow(SCMP_SYS(mprotect), argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
    // Threads (the decoder's smooth scaling may start some), never a
    // process; clone3's flags cannot be read, so the C library falls back to clone.
    constexpr scmp_datum_t thread = CLONE_VM | CLONE_THREAD | CLONE_SIGHAND;
    allow(SCMP_SYS(clone), argument(0, SCMP_CMP_MASKED_EQ, thread, thread));
    answer(SCMP_SYS(clone3), ENOSYS);
    // The socket it has, and signals to itself alone.
    for (const int call : {SCMP_SYS(sendto), SCMP_SYS(recvfrom), SCMP_SYS(sendmsg),
                           SCMP_SYS(recvmsg), SCMP_SYS(shutdown)}) {
        allow(call, argument(0, SCMP_CMP_EQ, scmp_datum_t(socket)));
    }
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers test whether memory can be read by writing it into a pipe.
    allow(SCMP_SYS(pipe2));
    allow(SCMP_SYS(pipe));
#endif
    const auto self = scmp_datum_t(::getpid());
    allow(SCMP_SYS(kill), argument(0, SCMP_CMP_EQ, self));
    allow(SCMP_SYS(tgkill), argument(0, SCMP_CMP_EQ, self));
    allow(SCMP_SYS(prlimit64), argument(2, SCMP_CMP_EQ, 0)); // reading limits only
    allow(SCMP_SYS(prctl), argument(0, SCMP_CMP_EQ, PR_SET_NAME));
    allow(SCMP_SYS(prctl), argument(0, SCMP_CMP_EQ, PR_GET_NAME));
    const bool loaded = added && ::seccomp_load(filter) == 0;
    ::seccomp_release(filter);
    if (!loaded) {
        failure = "seccomp filter";
    }
    return loaded;
}

} // namespace

Confinement confine(const char *folder, int socket) {
    Confinement result;
    if (!limitResources(result.failure)) {
        return result;
    }
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        result.failure = "no new privileges";
        return result;
    }
    result.landlockAbi = restrictFileSystem(folder, result.failure);
    result.confined = result.landlockAbi >= 0 && filterSystemCalls(socket, result.failure);
    return result;
}
