// quindal-reader: reads and decodes the picture files for Quindal's window,
// in a process of its own, so that a file system that stops answering cannot
// freeze the window and a crafted file that exploits the decoder is
// confined. The window starts it, gives it a socket as descriptor 3 and
// nothing else, and gives it up when it is slow, stuck or gone:
//
//   quindal-reader WINDOW_PID MILLISECONDS FOLDER
//
// It confines itself to reading beneath FOLDER before it reads any picture,
// and then answers the window's requests until the window goes.
#include "confinement.h"
#include "picture_files.h"
#include "reader_protocol.h"

#include <QHash>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace reader_protocol;

// Whether descriptor 3 is the window's end of a local socket pair.
bool startedByWindow() {
    struct stat status = {};
    int domain = 0;
    socklen_t size = sizeof domain;
    return ::fstat(readerSocket, &status) == 0 && S_ISSOCK(status.st_mode) &&
           ::getsockopt(readerSocket, SOL_SOCKET, SO_DOMAIN, &domain, &size) == 0 &&
           domain == AF_UNIX;
}

// One answer a request, until the window closes its end. A picture is sent
// whole only when it differs from the last one sent for its name.
void serve(PictureFiles &files) {
    QHash<QString, qint64> lastSent; // QImage::cacheKey() of each name's picture
    while (const std::optional<Request> request = receiveRequest(readerSocket)) {
        const QImage picture = files.picture(request->name, request->size, request->ratio);
        const bool same = !picture.isNull() && lastSent.value(request->name) == picture.cacheKey();
        if (picture.isNull()) {
            lastSent.remove(request->name);
        } else {
            lastSent.insert(request->name, picture.cacheKey());
        }
        if (!sendAnswer(readerSocket, picture, same)) {
            return;
        }
    }
}

} // namespace

int main(int argc, char *argv[]) {
    // Gone with the window, even when the window is killed.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc != 4 || !startedByWindow()) {
        std::fputs("quindal-reader reads pictures for Quindal's window, which starts it;"
                   " it is not run by hand.\n",
                   stderr);
        return 2;
    }
    if (::getppid() != std::atol(argv[1])) {
        return 0; // the window went before the line above could see it go
    }
    const Confinement confinement = confine(argv[3], readerSocket);
    if (!confinement.confined) {
        sendGreeting(readerSocket, Greeting::refused);
        return 1;
    }
    sendGreeting(readerSocket, confinement.landlockAbi > 0 ? Greeting::confined
                                                           : Greeting::confinedWithoutLandlock);
    PictureFiles files(QString::fromLocal8Bit(argv[3]), std::atoi(argv[2]));
    serve(files);
    // Nothing to clean up that the kernel does not, and the sanitizers'
    // leak check at exit would need calls the filter refuses.
    ::_exit(0);
}
