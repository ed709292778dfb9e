#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class PictureFiles;

// Reads and decodes the picture files of one folder away from the window, so
// that the window never waits on the file system, and a crafted file meets a
// confined decoder.
//
// The files are read by readers: processes of the reader program
// (quindal-reader, beside the program), each started with a clean slate and
// confined to reading the folder. A reader answers one request at a time.
// The loader never depends on one reader:
//   - the latest request goes to an idle reader, or to a new one while fewer
//     than mostReaders are alive; a request for a file that a given-up reader
//     still waits on waits for that reader to end;
//   - a reader that dies, says nonsense, or is stopped (a signal, a debugger)
//     is given up: killed, reaped once it ends, never waited for; its request,
//     if still the latest, goes once more to another reader;
//   - a reader still reading a superseded request after `grace`, or the
//     latest one after `deadline`, is given up the same way: a file that
//     hangs keeps at most its own reader, never the pictures of the others.
// The picture of a superseded request is never delivered. Where no reader
// can be started, or a reader cannot confine itself, the pictures are read
// in the window's process, as bounded as before (PictureFiles), and the log
// says so once.
class PictureLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int mostReaders = 3;
    static constexpr std::chrono::milliseconds grace{200};
    static constexpr std::chrono::milliseconds deadline{10000};

    // `readerProgram`: the reader's executable. `milliseconds`: the
    // decoder's clock backstop (PictureFiles).
    PictureLoader(QString folder, QString readerProgram, QObject *parent = nullptr);
    PictureLoader(QString folder, QString readerProgram, int milliseconds,
                  QObject *parent = nullptr);
    ~PictureLoader() override;
    PictureLoader(const PictureLoader &) = delete;
    PictureLoader &operator=(const PictureLoader &) = delete;

    // Starts a reader ahead of the first request.
    void startReader();
    // Asks for the picture of the file `name` (PictureFiles::picture) and
    // waits for it at most `wait`. The picture, a null image for a file that
    // cannot be shown; or no value when it was not there in time, and then
    // arrived() follows once it is, unless a later request came first. A
    // picture of the same name and size delivered before is given at once,
    // and arrived() follows only if the file has changed.
    std::optional<QImage> load(const QString &name, QSize size, qreal ratio,
                               std::chrono::milliseconds wait);
    // Supersedes the last request without making another.
    void forget();
    // Whether the last request has been answered, by load() or arrived().
    bool idle() const { return delivered == latest; }

signals:
    void arrived(const QImage &picture);

private:
    struct Request {
        quint64 ticket = 0;
        QString name;
        QSize size;
        qreal ratio = 1;
        int tries = 0; // readers it has been sent to
    };
    struct Reader;

    Reader *startOne();
    bool hasIdleReader() const;
    void startSpare();
    void dispatch();
    Reader *idleReader();
    bool blocked(const Request &request) const;
    void send(Reader &reader, Request request);
    void takeAnswers(Reader &reader);
    void deliver(const Request &request, const QImage &picture);
    void giveUp(Reader &reader, bool waitingOnFile);
    void tryAgain(const Request &request);
    void watch();
    void readInProcess(const QString &why);
    int alive() const { return int(readers.size()); }

    const QString folder;
    const QString readerProgram;
    const int milliseconds;
    std::vector<std::unique_ptr<Reader>> readers; // alive: not yet reaped
    std::optional<Request> pending;               // the latest request, not yet with a reader
    quint64 latest = 0;                           // the latest request's ticket
    quint64 delivered = 0;                        // the latest ticket answered to the window
    QHash<QString, QImage> known;                 // each name's picture as last delivered
    qint64 shownEarly = 0; // the cacheKey() of what load() gave before its answer
    std::optional<QImage> *waiting = nullptr; // load()'s result while it waits
    int failedStarts = 0;                     // readers in a row that ended before they greeted
    QTimer watching;                          // while a reader is busy or given up
    std::unique_ptr<PictureFiles> inProcess;  // once no reader can serve
};
