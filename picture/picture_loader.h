#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

// Reads and decodes the picture files of one folder away from the window, so
// that the window never waits on the file system: a folder on a network
// share that stops answering leaves the window working, and lets the program
// end when it is closed.
//
// The files are read and decoded (PictureFiles) by a reader process of the
// program's own, fed by a worker thread. A process, not a thread: a process
// cannot end while one of its threads waits on a file system that has taken
// the request (a FUSE or hard NFS mount), but it need not wait for another
// process. The reader is the program itself, started again in the reader's
// role; if it ends (or fails), the next picture starts another.
//
// The worker serves only the latest request: one superseded before the
// worker reaches it is dropped, and the picture of one superseded while it
// was read is never delivered. The window waits for the worker only within
// load()'s bound, never when the loader is destroyed.
class PictureLoader : public QObject {
    Q_OBJECT
public:
    // `milliseconds`: the decoder's clock backstop (PictureFiles).
    explicit PictureLoader(const QString &folder, QObject *parent = nullptr);
    PictureLoader(const QString &folder, int milliseconds, QObject *parent = nullptr);
    ~PictureLoader() override;
    PictureLoader(const PictureLoader &) = delete;
    PictureLoader &operator=(const PictureLoader &) = delete;

    // Asks for the picture of the file `name` (PictureFiles::picture) and
    // waits for it at most `wait`. The picture, a null image for a file that
    // cannot be shown; or no value when it was not there by then, and then
    // arrived() follows once it is, unless a later request came first.
    std::optional<QImage> load(const QString &name, QSize size, qreal ratio,
                               std::chrono::milliseconds wait);
    // Supersedes the last request without making another.
    void forget();
    // Whether the last request has been answered, by load() or arrived().
    bool idle() const;

signals:
    void arrived(const QImage &picture);

private:
    struct Shared;
    void deliver();

    std::shared_ptr<Shared> shared;
};
