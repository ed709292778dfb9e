#include "picture_loader.h"

#include "picture_files.h"

#include <QFile>
#include <QHash>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ; // NOLINT(readability-redundant-declaration): POSIX declares it nowhere

namespace {

// A copy of the program started as the reader finds its socket, clock
// backstop and folder here: "SOCKET MILLISECONDS FOLDER".
constexpr char readerRole[] = "QUINDAL_PICTURE_READER";
constexpr int readerSocket = 3;

struct Wire {             // a request
    qint32 width, height; // logical pixels
    double ratio;
    quint32 nameBytes; // the file's name follows, in UTF-8
};
// The answer: a picture's shape, its rows following; or no picture (width
// 0); or the same picture as the last one sent for that name (width -1),
// which the window then need neither receive nor paint again.
constexpr qint32 noPicture = 0;
constexpr qint32 samePicture = -1;
struct Reply {
    qint32 width = noPicture, height = 0;
    qint32 format = 0;
    qint32 bytesPerLine = 0; // the rows follow
    double ratio = 1;
};
constexpr quint32 longestName = 255;
constexpr qint64 largestPicture = qint64{64} << 20;

bool sendAll(int socket, const void *data, std::size_t size) {
    const auto *at = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t sent = ::send(socket, at, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        at += sent;
        size -= std::size_t(sent);
    }
    return true;
}

bool receiveAll(int socket, void *data, std::size_t size) {
    auto *at = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = ::recv(socket, at, size, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        at += got;
        size -= std::size_t(got);
    }
    return true;
}

// The reader's side: answers requests until the window's side goes away.
[[noreturn]] void serveAsReader(const char *role) {
    int socket = -1;
    int milliseconds = 0;
    int folderAt = 0;
    if (std::sscanf(role, "%d %d %n", &socket, &milliseconds, &folderAt) < 2 || folderAt == 0) {
        ::_exit(2);
    }
    PictureFiles files(QString::fromLocal8Bit(role + folderAt), milliseconds);
    QHash<QByteArray, qint64> lastSent; // each name's picture, by QImage::cacheKey()
    for (;;) {
        Wire request{};
        QByteArray name;
        if (!receiveAll(socket, &request, sizeof request) || request.nameBytes > longestName) {
            ::_exit(0);
        }
        name.resize(request.nameBytes);
        if (!receiveAll(socket, name.data(), std::size_t(name.size()))) {
            ::_exit(0);
        }
        const QImage picture = files.picture(QString::fromUtf8(name),
                                             QSize(request.width, request.height), request.ratio);
        Reply reply;
        const bool rows = !picture.isNull() && lastSent.value(name) != picture.cacheKey();
        if (picture.isNull()) {
            lastSent.remove(name);
        } else if (rows) {
            reply = {picture.width(), picture.height(), qint32(picture.format()),
                     qint32(picture.bytesPerLine()), picture.devicePixelRatio()};
            lastSent.insert(name, picture.cacheKey());
        } else {
            reply.width = samePicture;
        }
        if (!sendAll(socket, &reply, sizeof reply) ||
            (rows && !sendAll(socket, picture.constBits(), std::size_t(picture.sizeInBytes())))) {
            ::_exit(0);
        }
    }
}

// Before main() in every program that holds the loader: a copy started as
// the reader serves, and never reaches main().
[[maybe_unused]] const bool startedAsReader = [] {
    if (const char *role = std::getenv(readerRole)) {
        serveAsReader(role);
    }
    return false;
}();

} // namespace

PictureLoader::PictureLoader(QString folder, QObject *parent)
    : PictureLoader(std::move(folder), picture_limits::milliseconds, parent) {}

// The reader is started at once, so that it is ready by the first request.
PictureLoader::PictureLoader(QString folder, int milliseconds, QObject *parent)
    : QObject(parent), folder(std::move(folder)), milliseconds(milliseconds) {
    startReader();
}

// Never waits for the reader: closing its socket ends it as soon as it is
// back from its file system.
PictureLoader::~PictureLoader() {
    stopReader();
}

std::optional<QImage> PictureLoader::load(const QString &name, QSize size, qreal ratio,
                                          std::chrono::milliseconds wait) {
    // A picture given early has its answer on the way, as a rule at once:
    // taken now, so that the reader is free for this request.
    if (asked && shownEarly != 0) {
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, int(wait.count())) == 1) {
            answerReady(); // arrived() only if the file had changed
        }
        shownEarly = 0;
    }
    const Request request{++latest, name, size, ratio};
    if (asked) { // the reader is still on an earlier request
        queued = request;
        return std::nullopt;
    }
    queued.reset();
    if (!ask(request)) {
        delivered = latest;
        return QImage();
    }
    // A picture the reader has sent for this name at this size is shown at
    // once, as the file is nearly always unchanged; should the reader find it
    // changed, arrived() brings the new one a moment later.
    if (const auto known = lastReceived.constFind(name);
        known != lastReceived.cend() && known->size() == (QSizeF(size) * ratio).toSize() &&
        known->devicePixelRatio() == ratio) {
        shownEarly = known->cacheKey();
        return *known;
    }
    pollfd ready{socket, POLLIN, 0};
    if (::poll(&ready, 1, int(wait.count())) != 1) {
        return std::nullopt; // answerReady() takes it when it comes
    }
    std::optional<QImage> picture = answer();
    delivered = latest;
    return picture.value_or(QImage());
}

void PictureLoader::forget() {
    queued.reset();
    delivered = ++latest;
}

// Sends a request to the reader, starting one if there is none.
bool PictureLoader::ask(const Request &request) {
    if (socket < 0 && !startReader()) {
        return false;
    }
    const QByteArray utf8 = request.name.toUtf8();
    const Wire wire{request.size.width(), request.size.height(), request.ratio,
                    quint32(utf8.size())};
    if (utf8.size() > qsizetype(longestName) || !sendAll(socket, &wire, sizeof wire) ||
        !sendAll(socket, utf8.constData(), std::size_t(utf8.size()))) {
        stopReader();
        return false;
    }
    asked = request;
    answers->setEnabled(true);
    return true;
}

// The reader's answer to the request it was on: the picture, or none when it
// failed or went (then the next request starts another). The answer is
// whole once it begins: the reader has done its reading by then.
std::optional<QImage> PictureLoader::answer() {
    const QString name = asked ? asked->name : QString();
    asked.reset();
    answers->setEnabled(false);
    Reply reply;
    if (receiveAll(socket, &reply, sizeof reply)) {
        if (reply.width == samePicture && lastReceived.contains(name)) {
            return lastReceived.value(name);
        }
        if (reply.width == noPicture) {
            lastReceived.remove(name);
            return QImage();
        }
        if (reply.height > 0 && reply.bytesPerLine >= reply.width &&
            qint64(reply.bytesPerLine) * reply.height <= largestPicture &&
            reply.format > QImage::Format_Invalid && reply.format < QImage::NImageFormats) {
            QImage picture(reply.width, reply.height, QImage::Format(reply.format));
            if (!picture.isNull() && picture.bytesPerLine() == reply.bytesPerLine &&
                receiveAll(socket, picture.bits(), std::size_t(picture.sizeInBytes()))) {
                picture.setDevicePixelRatio(reply.ratio);
                lastReceived.insert(name, picture);
                return picture;
            }
        }
    }
    stopReader();
    return std::nullopt;
}

// An answer after load() stopped waiting: shown if it is for the latest
// request; otherwise the latest request, queued meanwhile, goes to the reader.
void PictureLoader::answerReady() {
    const quint64 answered = asked ? asked->ticket : 0;
    const QImage picture = answer().value_or(QImage());
    if (answered == latest) {
        delivered = latest;
        if (picture.cacheKey() != std::exchange(shownEarly, 0)) {
            emit arrived(picture);
        }
    } else if (std::optional<Request> request = std::exchange(queued, std::nullopt)) {
        if (!ask(*request)) {
            delivered = latest;
            emit arrived(QImage());
        }
    }
}

bool PictureLoader::startReader() {
    // Readers of this and earlier loaders that have ended since are reaped;
    // one still waiting on its file system is left to end on its own.
    static std::vector<pid_t> readers;
    std::erase_if(readers, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return false;
    }
    const QByteArray role = QByteArray(readerRole) + '=' + QByteArray::number(readerSocket) + ' ' +
                            QByteArray::number(milliseconds) + ' ' + QFile::encodeName(folder);
    std::vector<char *> environment;
    for (char **variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, role.constData(), sizeof readerRole) != 0) {
            environment.push_back(*variable);
        }
    }
    environment.push_back(const_cast<char *>(role.constData()));
    environment.push_back(nullptr);
    char name[] = "quindal-pictures";
    char *arguments[] = {name, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], readerSocket);
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        return false;
    }
    readers.push_back(pid);
    socket = ends[0];
    answers = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    answers->setEnabled(false);
    connect(answers, &QSocketNotifier::activated, this, &PictureLoader::answerReady);
    return true;
}

void PictureLoader::stopReader() {
    asked.reset();
    lastReceived.clear();
    if (socket >= 0) {
        delete std::exchange(answers, nullptr);
        ::close(std::exchange(socket, -1));
    }
}
