#pragma once

#include <string>

// What a picture reader puts itself under before it reads a byte of any
// picture, for a decoder bug that a crafted file exploits gains nothing:
//
//   - resource limits: no core file, no file written, few descriptors, a
//     bounded address space and CPU time;
//   - no new privileges (PR_SET_NO_NEW_PRIVS): no set-user-ID program helps;
//   - Landlock: of the file system, only reading beneath `folder`, and (as
//     far as the kernel's Landlock goes) no TCP and no signals or abstract
//     sockets reaching outside;
//   - a seccomp filter whose default refuses: no socket but `socket`, the
//     one it has; no exec, no new process (threads only), no ptrace, no
//     signal to another process, no opening for writing, no executable
//     memory.
//
// Refused calls fail with EPERM (or EACCES from Landlock), so a library that
// tries something harmless goes on, and nothing forbidden happens.
struct Confinement {
    bool confined = false; // everything but perhaps Landlock is in force
    int landlockAbi = 0;   // 0: the kernel has no Landlock
    std::string failure;   // what could not be put in force, when not confined
};

// Confines the calling process, which must have no other threads yet.
Confinement confine(const char *folder, int socket);
