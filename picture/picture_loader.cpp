#include "picture_loader.h"

#include "picture_files.h"
#include "picture_log.h"
#include "reader_protocol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace reader_protocol;

struct PictureLoader::Reader {
    enum class State {
        idle,
        busy,    // on `request`, sent at `since`
        givenUp, // killed; it may still wait on the file of `request` (waitsOnFile)
    };
    pid_t pid = -1;
    int socket = -1;
    QSocketNotifier *answers = nullptr;
    bool greeted = false;
    bool ended = false; // reaped
    State state = State::idle;
    Request request;
    bool waitsOnFile = false;
    QElapsedTimer since;
    QHash<QString, QImage> received; // each name's picture as this reader sent it

    ~Reader() {
        delete answers;
        if (socket >= 0) {
            ::close(socket);
        }
    }
};

namespace {

// Readers of loaders already gone that had not ended yet (one still waiting
// on its file system, say): reaped once they have, never waited for.
std::vector<pid_t> &unreaped() {
    static std::vector<pid_t> pids;
    return pids;
}

bool reaped(pid_t pid) {
    const pid_t got = ::waitpid(pid, nullptr, WNOHANG);
    return got == pid || (got < 0 && errno == ECHILD);
}

// Stopped by a signal: a system call, cheap enough for every request.
bool stoppedBySignal(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WSTOPPED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid && info.si_code == CLD_STOPPED;
}

// Stopped by a signal or held by a debugger. Without /proc, only a stop
// by a signal is seen.
bool stopped(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return stoppedBySignal(pid);
    }
    const QByteArray line = stat.read(512);
    const qsizetype end = line.lastIndexOf(") ");
    return end > 0 && end + 2 < line.size() && (line[end + 2] == 'T' || line[end + 2] == 't');
}

bool readable(int socket, int milliseconds) {
    pollfd ready{socket, POLLIN, 0};
    return ::poll(&ready, 1, milliseconds) == 1;
}

} // namespace

PictureLoader::PictureLoader(QString folder, QString readerProgram, QObject *parent)
    : PictureLoader(std::move(folder), std::move(readerProgram), picture_limits::milliseconds,
                    parent) {}

PictureLoader::PictureLoader(QString folder, QString readerProgram, int milliseconds,
                             QObject *parent)
    : QObject(parent), folder(std::move(folder)), readerProgram(std::move(readerProgram)),
      milliseconds(milliseconds) {
    watching.setInterval(50);
    connect(&watching, &QTimer::timeout, this, &PictureLoader::watch);
}

// Never waits for a reader beyond a moment: each is killed and reaped as it
// ends, which takes no time; one that cannot end yet (its file system has not
// answered) is reaped later, or by init once the window has gone.
PictureLoader::~PictureLoader() {
    for (const std::unique_ptr<Reader> &reader : readers) {
        ::kill(reader->pid, SIGKILL);
    }
    QElapsedTimer clock;
    clock.start();
    std::erase_if(readers, [](const auto &reader) { return reader->ended; });
    while (!readers.empty() && clock.elapsed() < 50) {
        std::erase_if(readers, [](const auto &reader) { return reaped(reader->pid); });
        ::usleep(1000);
    }
    for (const std::unique_ptr<Reader> &reader : readers) {
        unreaped().push_back(reader->pid);
    }
}

void PictureLoader::startReader() {
    if (readers.empty() && !inProcess) {
        startOne();
    }
}

std::optional<QImage> PictureLoader::load(const QString &name, QSize size, qreal ratio,
                                          std::chrono::milliseconds wait) {
    // Answers already on their way free their readers for this request: a
    // reader asked a moment ago (for a picture given early) is about to
    // answer, and is given those few milliseconds rather than a successor.
    const bool anyIdle = hasIdleReader();
    for (const std::unique_ptr<Reader> &reader : readers) {
        const qint64 moment = anyIdle || reader->state != Reader::State::busy
                                  ? 0
                                  : std::min<qint64>(wait.count(), 10 - reader->since.elapsed());
        if (reader->state == Reader::State::busy &&
            readable(reader->socket, int(std::max<qint64>(moment, 0)))) {
            takeAnswers(*reader);
            break;
        }
    }
    shownEarly = 0;
    pending = Request{++latest, name, size, ratio};
    // The same picture asked for again while a reader is still on it (a slow
    // file, a large one) is that reader's again, not another's.
    for (const std::unique_ptr<Reader> &reader : readers) {
        if (reader->state == Reader::State::busy && reader->request.name == name &&
            reader->request.size == size && reader->request.ratio == ratio) {
            reader->request.ticket = latest;
            pending.reset();
            break;
        }
    }
    // A picture delivered before for this name at this size is shown at
    // once, as the file is nearly always unchanged; should the reader find
    // it changed, arrived() brings the new one a moment later.
    const auto known = this->known.constFind(name);
    if (!inProcess && known != this->known.cend() && known->size() == deviceSize(size, ratio) &&
        known->devicePixelRatio() == ratio) {
        std::optional<QImage> early(*known); // a copy: dispatch() may change `known`
        shownEarly = early->cacheKey();
        dispatch();
        return early;
    }
    std::optional<QImage> result;
    waiting = &result;
    dispatch();
    QElapsedTimer clock;
    clock.start();
    while (!result && clock.elapsed() < wait.count()) {
        const auto on = std::ranges::find_if(readers, [this](const auto &reader) {
            return reader->state == Reader::State::busy && reader->request.ticket == latest;
        });
        if (on == readers.end() || !readable((*on)->socket, int(wait.count() - clock.elapsed()))) {
            break;
        }
        takeAnswers(**on);
    }
    waiting = nullptr;
    if (!result) { // slow or stuck: a reader ready for the next keystroke
        startSpare();
    }
    return result;
}

void PictureLoader::forget() {
    pending.reset();
    shownEarly = 0;
    delivered = ++latest;
}

bool PictureLoader::hasIdleReader() const {
    return std::ranges::any_of(
        readers, [](const auto &reader) { return reader->state == Reader::State::idle; });
}

// A reader ready for the next request, where none is idle.
void PictureLoader::startSpare() {
    if (!hasIdleReader()) {
        startOne();
    }
}

// Starts a reader with a clean slate: its socket as descriptor 3, /dev/null
// as 0 to 2, no other descriptor, an empty environment.
PictureLoader::Reader *PictureLoader::startOne() {
    if (inProcess || alive() >= mostReaders) {
        return nullptr;
    }
    std::erase_if(unreaped(), reaped);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        readInProcess(QStringLiteral("no socket for a picture reader: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return nullptr;
    }
    const QByteArray program = QFile::encodeName(readerProgram);
    QByteArray window = QByteArray::number(::getpid()), clock = QByteArray::number(milliseconds),
               where = QFile::encodeName(folder);
    char *arguments[] = {const_cast<char *>(program.constData()), window.data(), clock.data(),
                         where.data(), nullptr};
    char *environment[] = {nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], readerSocket);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, readerSocket + 1);
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, program.constData(), &actions, nullptr, arguments, environment);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        readInProcess(QStringLiteral("the picture reader %1 cannot be started: %2")
                          .arg(readerProgram, QString::fromLocal8Bit(std::strerror(failed))));
        return nullptr;
    }
    auto reader = std::make_unique<Reader>();
    reader->pid = pid;
    reader->socket = ends[0];
    reader->answers = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
    Reader *started = reader.get();
    connect(reader->answers, &QSocketNotifier::activated, this,
            [this, started] { takeAnswers(*started); });
    readers.push_back(std::move(reader));
    return started;
}

// Sends the pending request to an idle reader, or to a new one, unless a
// reader given up still waits on its file.
void PictureLoader::dispatch() {
    while (pending && !blocked(*pending)) {
        const Request request = *pending;
        if (inProcess) {
            pending.reset();
            deliver(request, inProcess->picture(request.name, request.size, request.ratio));
            return;
        }
        Reader *reader = idleReader();
        reader = reader ? reader : startOne();
        if (reader) {
            pending.reset();
            send(*reader, request);
        } else if (!inProcess) {
            return; // mostReaders are alive: the next to end or answer takes it
        }
    }
}

// An idle reader that has not ended or stopped meanwhile.
PictureLoader::Reader *PictureLoader::idleReader() {
    for (const std::unique_ptr<Reader> &reader : readers) {
        if (reader->state != Reader::State::idle) {
            continue;
        }
        if ((reader->greeted && readable(reader->socket, 0)) || stoppedBySignal(reader->pid)) {
            giveUp(*reader, false); // an idle reader has nothing to say but its end
            continue;
        }
        return reader.get();
    }
    return nullptr;
}

bool PictureLoader::blocked(const Request &request) const {
    return std::ranges::any_of(readers, [&](const auto &reader) {
        return reader->state == Reader::State::givenUp && reader->waitsOnFile &&
               reader->request.name == request.name;
    });
}

void PictureLoader::send(Reader &reader, Request request) {
    ++request.tries;
    if (!sendRequest(reader.socket, {request.name, request.size, request.ratio})) {
        giveUp(reader, false);
        tryAgain(request);
        return;
    }
    reader.state = Reader::State::busy;
    reader.request = request;
    reader.since.start();
    if (!watching.isActive()) {
        watching.start();
    }
}

// What a reader has said: its greeting, then an answer to its request.
// Anything else (its end, nonsense) gives it up, and its request goes to
// another reader.
void PictureLoader::takeAnswers(Reader &reader) {
    if (reader.state == Reader::State::givenUp) {
        return;
    }
    if (!reader.greeted) {
        const std::optional<Greeting> greeting = receiveGreeting(reader.socket);
        const bool wasBusy = reader.state == Reader::State::busy;
        const Request request = reader.request;
        if (!greeting || *greeting == Greeting::refused) {
            giveUp(reader, false);
            if (!greeting && ++failedStarts >= mostReaders) {
                readInProcess(QStringLiteral("every picture reader ended as it started"));
            } else if (greeting) {
                readInProcess(QStringLiteral("the picture reader cannot confine itself"));
            }
            if (wasBusy) {
                tryAgain(request);
            }
            dispatch();
            return;
        }
        if (*greeting == Greeting::confinedWithoutLandlock) {
            static bool told = false;
            if (!std::exchange(told, true)) {
                qCWarning(pictureLog, "the kernel has no Landlock: the picture readers are "
                                      "confined without it");
            }
        }
        reader.greeted = true;
        failedStarts = 0;
        if (!readable(reader.socket, 0)) {
            return;
        }
    }
    const bool wasBusy = reader.state == Reader::State::busy;
    const Request request = reader.request;
    const std::optional<Answer> answer =
        wasBusy ? receiveAnswer(reader.socket) : std::optional<Answer>();
    if (!answer ||
        (answer->kind == Answer::Kind::samePicture && !reader.received.contains(request.name))) {
        giveUp(reader, false);
        if (wasBusy) {
            tryAgain(request);
        }
        dispatch();
        return;
    }
    QImage picture;
    if (answer->kind == Answer::Kind::picture) {
        picture = answer->picture;
        reader.received.insert(request.name, picture);
    } else if (answer->kind == Answer::Kind::samePicture) {
        picture = reader.received.value(request.name);
    } else {
        reader.received.remove(request.name);
    }
    reader.state = Reader::State::idle;
    if (request.ticket == latest) {
        deliver(request, picture);
    }
    dispatch();
}

// The latest request's picture: to load() while it waits; otherwise shown by
// arrived(), unless it is the one load() gave early.
void PictureLoader::deliver(const Request &request, const QImage &picture) {
    delivered = latest;
    const QImage early = known.value(request.name);
    if (picture.isNull()) {
        known.remove(request.name);
    } else {
        known.insert(request.name, picture);
    }
    if (waiting) {
        *waiting = picture;
    } else if (const qint64 given = std::exchange(shownEarly, 0);
               given == 0 || (picture.cacheKey() != given && picture != early)) {
        emit arrived(picture);
    }
}

void PictureLoader::giveUp(Reader &reader, bool waitingOnFile) {
    if (reader.state == Reader::State::givenUp) {
        return;
    }
    ::kill(reader.pid, SIGKILL);
    reader.answers->setEnabled(false);
    reader.answers->deleteLater(); // it may be the notifier calling
    reader.answers = nullptr;
    ::close(std::exchange(reader.socket, -1));
    reader.state = Reader::State::givenUp;
    reader.waitsOnFile = waitingOnFile;
    reader.ended = reaped(reader.pid);
    if (!watching.isActive()) {
        watching.start();
    }
}

// A request whose reader failed goes once more to another; after that, the
// picture is given up too.
void PictureLoader::tryAgain(const Request &request) {
    if (request.ticket != latest || pending) {
        return;
    }
    if (request.tries < 2) {
        pending = request;
    } else {
        deliver(request, QImage());
    }
}

// Every 50 ms while readers are busy or given up: stopped, stuck and late
// readers are given up, and those that have ended are reaped.
void PictureLoader::watch() {
    std::vector<Request> retries;
    bool watched = false;
    for (const std::unique_ptr<Reader> &reader : readers) {
        if (reader->state == Reader::State::givenUp) {
            reader->ended = reader->ended || reaped(reader->pid);
            watched = watched || !reader->ended;
        } else if (reader->state == Reader::State::busy) {
            const Request request = reader->request;
            const std::chrono::milliseconds busy{reader->since.elapsed()};
            if (stopped(reader->pid)) {
                giveUp(*reader, false);
                retries.push_back(request);
            } else if (request.ticket != latest ? busy > grace : busy > deadline) {
                giveUp(*reader, true);
                retries.push_back(request);
            }
            watched = true;
        }
    }
    std::erase_if(readers, [](const auto &reader) { return reader->ended; });
    for (const Request &request : retries) {
        tryAgain(request);
    }
    dispatch();
    if (!retries.empty()) {
        startSpare();
    }
    if (!watched) {
        watching.stop();
    }
}

void PictureLoader::readInProcess(const QString &why) {
    if (inProcess) {
        return;
    }
    qCWarning(pictureLog, "%s; the pictures are read in the window's process", qUtf8Printable(why));
    inProcess = std::make_unique<PictureFiles>(folder, milliseconds);
    for (const std::unique_ptr<Reader> &reader : readers) {
        if (reader->state == Reader::State::busy && reader->request.ticket == latest && !pending) {
            pending = reader->request;
        }
        giveUp(*reader, false);
    }
}
