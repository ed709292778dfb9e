#include "picture_loader.h"

#include "picture_files.h"

#include <QFile>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ; // NOLINT(readability-redundant-declaration): POSIX declares it nowhere

namespace {

// A copy of the program started as the reader finds its socket, clock
// backstop and folder here: "SOCKET MILLISECONDS FOLDER".
constexpr char readerRole[] = "QUINDAL_PICTURE_READER";
constexpr int readerSocket = 3;

struct Request {
    qint32 width, height; // logical pixels
    double ratio;
    quint32 nameBytes; // the file's name follows, in UTF-8
};
struct Reply {
    qint32 width = 0, height = 0; // 0: no picture
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
    for (;;) {
        Request request{};
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
        if (!picture.isNull()) {
            reply = {picture.width(), picture.height(), qint32(picture.format()),
                     qint32(picture.bytesPerLine()), picture.devicePixelRatio()};
        }
        if (!sendAll(socket, &reply, sizeof reply) ||
            (!picture.isNull() &&
             !sendAll(socket, picture.constBits(), std::size_t(picture.sizeInBytes())))) {
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

// The window's side of one reader process, started when first needed and
// again when it has ended. Used by the worker thread alone.
class ReaderProcess {
public:
    ReaderProcess(QString folder, int milliseconds)
        : folder(std::move(folder)), milliseconds(milliseconds) {}
    ~ReaderProcess() { stop(); }
    ReaderProcess(const ReaderProcess &) = delete;
    ReaderProcess &operator=(const ReaderProcess &) = delete;

    // The picture; a null image for a file that cannot be shown, or when the
    // reader cannot be reached.
    QImage picture(const QString &name, QSize size, qreal ratio, std::mutex &mutex, int &shared) {
        if (socket < 0 && !start(mutex, shared)) {
            return {};
        }
        const QByteArray utf8 = name.toUtf8();
        const Request request{size.width(), size.height(), ratio, quint32(utf8.size())};
        Reply reply;
        if (utf8.size() <= qsizetype(longestName) && sendAll(socket, &request, sizeof request) &&
            sendAll(socket, utf8.constData(), std::size_t(utf8.size())) &&
            receiveAll(socket, &reply, sizeof reply)) {
            if (reply.width <= 0) {
                return {};
            }
            if (reply.height > 0 && reply.bytesPerLine >= reply.width &&
                qint64(reply.bytesPerLine) * reply.height <= largestPicture &&
                reply.format > QImage::Format_Invalid && reply.format < QImage::NImageFormats) {
                QImage picture(reply.width, reply.height, QImage::Format(reply.format));
                if (!picture.isNull() && picture.bytesPerLine() == reply.bytesPerLine &&
                    receiveAll(socket, picture.bits(), std::size_t(picture.sizeInBytes()))) {
                    picture.setDevicePixelRatio(reply.ratio);
                    return picture;
                }
            }
        }
        stop(mutex, shared); // it failed or went: the next picture starts another
        return {};
    }

    void stop(std::mutex &mutex, int &shared) {
        {
            const std::lock_guard lock(mutex);
            shared = -1;
        }
        stop();
    }

private:
    bool start(std::mutex &mutex, int &shared) {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            return false;
        }
        const QByteArray role = QByteArray(readerRole) + '=' + QByteArray::number(readerSocket) +
                                ' ' + QByteArray::number(milliseconds) + ' ' +
                                QFile::encodeName(folder);
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
        const int failed =
            ::posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, arguments, environment.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        if (failed != 0) {
            ::close(ends[0]);
            pid = -1;
            return false;
        }
        socket = ends[0];
        const std::lock_guard lock(mutex);
        shared = socket;
        return true;
    }

    // Closes the window's end, which ends the reader once it next looks,
    // and waits for it: a reader still waiting on its file system keeps
    // this thread, never the window.
    void stop() {
        if (socket >= 0) {
            ::close(std::exchange(socket, -1));
        }
        if (pid > 0) {
            ::waitpid(std::exchange(pid, -1), nullptr, 0);
        }
    }

    const QString folder;
    const int milliseconds;
    int socket = -1;
    pid_t pid = -1;
};

} // namespace

// What the loader and its worker share. The worker holds it too, so that it
// outlives a loader destroyed while a read hangs.
struct PictureLoader::Shared {
    Shared(const QString &folder, int milliseconds) : reader(folder, milliseconds) {}

    struct Request {
        quint64 ticket;
        QString name;
        QSize size;
        qreal ratio;
    };

    std::mutex mutex;
    std::condition_variable work; // a request is pending, or the loader has gone
    std::condition_variable done; // the latest request has been answered
    std::optional<Request> pending;
    quint64 latest = 0;    // the latest request's ticket
    quint64 answered = 0;  // whose picture `picture` is
    quint64 delivered = 0; // the latest ticket the window has taken
    QImage picture;
    bool waiting = false;         // load() is waiting for the latest request
    bool working = false;         // the worker is reading a request
    std::function<void()> notify; // posts deliver() to the loader; empty once it has gone
    bool stopped = false;
    int readerSocket = -1; // shut down by the loader as it goes, to free the worker
    ReaderProcess reader;  // the worker's alone

    void serve();
};

void PictureLoader::Shared::serve() {
    for (;;) {
        Request job;
        {
            std::unique_lock lock(mutex);
            work.wait(lock, [this] { return stopped || pending; });
            if (stopped) {
                break;
            }
            job = std::move(*pending);
            pending.reset();
            working = true;
        }
        QImage read = reader.picture(job.name, job.size, job.ratio, mutex, readerSocket);
        const std::lock_guard lock(mutex);
        working = false;
        if (job.ticket != latest) {
            continue; // superseded while it was read
        }
        answered = job.ticket;
        picture = std::move(read);
        if (waiting) {
            done.notify_all();
        } else if (notify) {
            notify();
        }
    }
    reader.stop(mutex, readerSocket);
}

PictureLoader::PictureLoader(const QString &folder, QObject *parent)
    : PictureLoader(folder, picture_limits::milliseconds, parent) {}

PictureLoader::PictureLoader(const QString &folder, int milliseconds, QObject *parent)
    : QObject(parent), shared(std::make_shared<Shared>(folder, milliseconds)) {
    shared->notify = [this] {
        QMetaObject::invokeMethod(this, &PictureLoader::deliver, Qt::QueuedConnection);
    };
    std::thread([worker = shared] { worker->serve(); }).detach();
}

PictureLoader::~PictureLoader() {
    const std::lock_guard lock(shared->mutex);
    shared->stopped = true;
    shared->notify = nullptr;
    shared->pending.reset();
    if (shared->readerSocket >= 0) {
        ::shutdown(shared->readerSocket, SHUT_RDWR); // frees a worker waiting on the reader
    }
    shared->work.notify_all();
}

std::optional<QImage> PictureLoader::load(const QString &name, QSize size, qreal ratio,
                                          std::chrono::milliseconds wait) {
    std::unique_lock lock(shared->mutex);
    // A worker still reading an earlier request (a slow or hung folder)
    // reaches this one only after it: waiting would only slow the typing.
    if (shared->working) {
        wait = std::chrono::milliseconds(0);
    }
    shared->pending = Shared::Request{++shared->latest, name, size, ratio};
    shared->work.notify_one();
    shared->waiting = true;
    const bool ready =
        shared->done.wait_for(lock, wait, [this] { return shared->answered == shared->latest; });
    shared->waiting = false;
    if (!ready) {
        return std::nullopt;
    }
    shared->delivered = shared->latest;
    return shared->picture;
}

void PictureLoader::forget() {
    const std::lock_guard lock(shared->mutex);
    shared->pending.reset();
    shared->delivered = ++shared->latest;
}

bool PictureLoader::idle() const {
    const std::lock_guard lock(shared->mutex);
    return shared->delivered == shared->latest;
}

void PictureLoader::deliver() {
    QImage picture;
    {
        const std::lock_guard lock(shared->mutex);
        if (shared->answered != shared->latest || shared->delivered == shared->latest) {
            return;
        }
        shared->delivered = shared->latest;
        picture = shared->picture;
    }
    emit arrived(picture);
}
