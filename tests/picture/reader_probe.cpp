// reader_probe FOLDER PICTURE: confines itself as a picture reader does,
// then tries what code smuggled into a reader by a crafted file would try,
// printing "WHAT: allowed" or "WHAT: refused" for each; last, whether
// PICTURE in FOLDER still decodes.
#include "confinement.h"
#include "picture_files.h"

#include <QFile>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <signal.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

int main(int argc, char *argv[]) {
    int ends[2];
    if (argc != 3 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]);
    const QByteArray picture = QFile::encodeName(folder + '/' + argv[2]),
                     written = QFile::encodeName(folder + "/written-by-probe");
    const Confinement confinement = confine(argv[1], ends[0]);
    if (!confinement.confined) {
        std::printf("confine: refused (%s)\n", confinement.failure.c_str());
        return 1;
    }
    const std::pair<const char *, std::function<bool()>> attempts[] = {
        {"read a picture", [&] { return ::open(picture, O_RDONLY) >= 0; }},
        {"read outside", [] { return ::open("/etc/passwd", O_RDONLY) >= 0; }},
        {"list outside", [] { return ::open("/", O_RDONLY | O_DIRECTORY) >= 0; }},
        {"create a file", [&] { return ::open(written, O_WRONLY | O_CREAT, 0600) >= 0; }},
        {"write a picture", [&] { return ::open(picture, O_RDWR) >= 0; }},
        {"own socket", [&] { return ::send(ends[0], "x", 1, MSG_NOSIGNAL) == 1; }},
        {"internet socket", [] { return ::socket(AF_INET, SOCK_STREAM, 0) >= 0; }},
        {"local socket", [] { return ::socket(AF_UNIX, SOCK_STREAM, 0) >= 0; }},
        {"exec", [] { return ::execl("/bin/true", "true", nullptr) == 0; }},
        {"new process",
         [] {
             const pid_t child = ::fork();
             if (child == 0) {
                 ::_exit(0);
             }
             return child > 0;
         }},
        {"thread",
         [] {
             std::thread([] {}).join();
             return true;
         }},
        {"ptrace the window", [] { return ::ptrace(PTRACE_ATTACH, ::getppid(), 0, 0) == 0; }},
        {"signal the window", [] { return ::kill(::getppid(), 0) == 0; }},
        {"executable memory",
         [] {
             return ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1,
                           0) != MAP_FAILED;
         }},
        {"decode",
         [&] { return !PictureFiles(folder).picture(argv[2], QSize(160, 160), 1).isNull(); }},
    };
    for (const auto &[what, attempt] : attempts) {
        bool allowed = false;
        try {
            allowed = attempt();
        } catch (const std::exception &) { // std::thread's refusal
        }
        std::printf("%s: %s\n", what, allowed ? "allowed" : "refused");
    }
    std::fflush(stdout);
    ::_exit(0); // as a reader ends: the leak check at exit needs what is refused
}
