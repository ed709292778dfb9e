#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QSocketNotifier>
#include <QString>
#include <chrono>
#include <optional>

// Reads and decodes the picture files of one folder away from the window, so
// that the window never waits on the file system: a folder on a network
// share that stops answering leaves the window working, and lets the program
// end when it is closed.
//
// The files are read and decoded (PictureFiles) by a reader process of the
// program's own: the program started again in the reader's role. A process,
// not a thread: a process cannot end while one of its threads waits on a
// file system that has taken the request (a FUSE or hard NFS mount), but it
// need not wait for another process. If the reader ends (or fails), the next
// picture starts another.
//
// The reader works on one request at a time. A request made while it is busy
// waits for it, and a later one takes its place; the picture of a request
// superseded while it was read is never delivered. The window waits for the
// reader only within load()'s bound, never when the loader is destroyed.
class PictureLoader : public QObject {
    Q_OBJECT
public:
    // `milliseconds`: the decoder's clock backstop (PictureFiles).
    explicit PictureLoader(QString folder, QObject *parent = nullptr);
    PictureLoader(QString folder, int milliseconds, QObject *parent = nullptr);
    ~PictureLoader() override;
    PictureLoader(const PictureLoader &) = delete;
    PictureLoader &operator=(const PictureLoader &) = delete;

    // Asks for the picture of the file `name` (PictureFiles::picture) and
    // waits for it at most `wait`, or not at all while the reader is busy
    // with an earlier one. The picture, a null image for a file that cannot
    // be shown; or no value when it was not there in time, and then arrived()
    // follows once it is, unless a later request came first. A picture of
    // the same name and size that the reader sent before is given at once,
    // and arrived() follows only if its answer differs (the file changed).
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
        quint64 ticket;
        QString name;
        QSize size;
        qreal ratio;
    };
    bool ask(const Request &request);
    std::optional<QImage> answer();
    void answerReady();
    bool startReader();
    void stopReader();

    const QString folder;
    const int milliseconds;
    int socket = -1;
    QSocketNotifier *answers = nullptr;
    quint64 latest = 0;                  // the latest request's ticket
    quint64 delivered = 0;               // the latest ticket answered to the window
    std::optional<Request> asked;        // the request the reader is on
    QHash<QString, QImage> lastReceived; // each name's picture, as the reader sent it
    qint64 shownEarly = 0;         // the cacheKey() of a picture load() gave before its answer
    std::optional<Request> queued; // the latest one made since, waiting for it
};
