// The picture readers, from outside and from inside: each starts with a
// clean slate and confined, and no fault of a file or of a reader costs the
// picture of another file.
#include "jpeg_decoder.h"
#include "picture_limits.h"
#include "picture_loader.h"
#include "program_files.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

QByteArray procFile(qint64 pid, const char *name) {
    return fileBytes(QStringLiteral("/proc/%1/%2").arg(pid).arg(name));
}

// A process blocked in a system call of its own, made to run others as a
// debugger's "call" makes it: attached, its registers set to each call at the
// syscall instruction it waits after, one step, and all put back at the end.
class Inside {
public:
    explicit Inside(pid_t pid) : pid(pid) {
        stopped = ::ptrace(PTRACE_ATTACH, pid, 0, 0) == 0 &&
                  ::waitpid(pid, nullptr, __WALL) == pid &&
                  ::ptrace(PTRACE_GETREGS, pid, 0, &saved) == 0;
        free = (saved.rsp - 4096) & ~quint64(7);
    }
    ~Inside() {
        ::ptrace(PTRACE_SETREGS, pid, 0, &saved);
        ::ptrace(PTRACE_DETACH, pid, 0, 0);
    }
    Inside(const Inside &) = delete;
    Inside &operator=(const Inside &) = delete;
    bool attached() const { return stopped; }

    // `text` written below its stack, where its address is.
    quint64 text(QByteArray text) {
        text.append(QByteArray(8 - text.size() % 8, '\0'));
        const quint64 at = free;
        for (qsizetype word = 0; word < text.size(); word += 8, free += 8) {
            ::ptrace(PTRACE_POKEDATA, pid, free, *reinterpret_cast<const long *>(&text[word]));
        }
        return at;
    }
    // The call's result: -errno when it fails.
    long call(long number, quint64 a = 0, quint64 b = 0, quint64 c = 0) {
        user_regs_struct regs = saved;
        regs.rip = saved.rip - 2;    // the syscall instruction
        regs.orig_rax = ~quint64(0); // the call it waits in is not restarted meanwhile
        regs.rax = quint64(number);
        regs.rdi = a;
        regs.rsi = b;
        regs.rdx = c;
        return stopped && ::ptrace(PTRACE_SETREGS, pid, 0, &regs) == 0 &&
                       ::ptrace(PTRACE_SINGLESTEP, pid, 0, 0) == 0 &&
                       ::waitpid(pid, nullptr, __WALL) == pid &&
                       ::ptrace(PTRACE_GETREGS, pid, 0, &regs) == 0
                   ? long(regs.rax)
                   : 0;
    }

private:
    pid_t pid;
    bool stopped = false;
    user_regs_struct saved{};
    quint64 free = 0;
};

// The readers among the children of `parent` that have not ended.
QList<qint64> readersOf(qint64 parent) {
    QList<qint64> readers;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        const QByteArray stat = procFile(entry.toLongLong(), "stat");
        const qsizetype end = stat.lastIndexOf(") ");
        const QList<QByteArray> fields = stat.mid(end + 2).split(' ');
        if (stat.contains("(quindal-reader)") && fields.size() > 1 && fields[0] != "Z" &&
            fields[1].toLongLong() == parent) {
            readers << entry.toLongLong();
        }
    }
    return readers;
}

// The picture that `name` gives, waiting for it `most` ms; no value when none came.
std::optional<QImage> pictureOf(PictureLoader &loader, const QString &name, int most = 1000) {
    QSignalSpy arrived(&loader, &PictureLoader::arrived);
    if (std::optional<QImage> given = loader.load(name, QSize(160, 160), 1, 50ms)) {
        return given;
    }
    return arrived.wait(most) ? std::optional(arrived.last().at(0).value<QImage>()) : std::nullopt;
}

QImage decoded(const QByteArray &bytes) {
    return decodeJpeg(bytes, QSize(160, 160)).image;
}

// A progressive JPEG of noise with over picture_limits::multiScanBytes of
// data, all else within the limits.
QByteArray largeProgressive() {
    QImage noise(2000, 2000, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            line[x] = random.generate();
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    writer.setProgressiveScanWrite(true);
    writer.write(noise);
    return buffer.data();
}

const QStringList animals{"ne.jpg",  "ushi.jpg",   "tora.jpg", "u.jpg",    "tatu.jpg", "mi.jpg",
                          "uma.jpg", "hituji.jpg", "saru.jpg", "tori.jpg", "inu.jpg",  "i.jpg"};

} // namespace

class TestReader : public QObject {
    Q_OBJECT

    // The shipped pictures served by the FUSE folder (window.slow_folder runs
    // these beside one), `troubled` served the way `how` says.
    static QString serve(const QString &troubled, const QString &how, const QByteArray &bytes) {
        const QString sources = qEnvironmentVariable("QUINDAL_SLOW_SOURCES");
        for (const QString &old : QDir(sources).entryList(QDir::Files)) {
            QFile::remove(sources + '/' + old);
        }
        for (const QString &name : QDir(QUINDAL_SOURCE_PICTURES).entryList({"*.jpg"})) {
            if (name != troubled) {
                QFile::copy(QUINDAL_SOURCE_PICTURES "/" + name, sources + '/' + name);
            }
        }
        const QString counts = qEnvironmentVariable("QUINDAL_SLOW_COUNTS") + '/' + troubled;
        QFile::remove(counts);
        QFile file(sources + '/' + how + '@' + troubled);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? counts
                                                                                    : QString();
    }

private slots:
    // Code inside a confined reader (a probe confined the same way) is
    // refused all a decoder exploit would try, and still decodes a picture.
    void confinedInside_data() {
        QTest::addColumn<bool>("allowed");
        for (const char *what : {"read a picture", "own socket", "thread", "decode"}) {
            QTest::newRow(what) << true;
        }
        for (const char *what : {"read outside", "list outside", "create a file", "write a picture",
                                 "internet socket", "local socket", "exec", "new process",
                                 "ptrace the window", "signal the window", "executable memory"}) {
            QTest::newRow(what) << false;
        }
    }
    void confinedInside() {
        QFETCH(bool, allowed);
        static const QString said = [] {
            QProcess probe;
            probe.start(QUINDAL_READER_PROBE, {QCoreApplication::applicationDirPath(), "uma.jpg"});
            probe.waitForFinished();
            return QString::fromUtf8(probe.readAllStandardOutput());
        }();
        const QString what = QTest::currentDataTag();
        QVERIFY2(said.contains(what + (allowed ? ": allowed\n" : ": refused\n")), qPrintable(said));
        QVERIFY(!QFile::exists(besideProgram("written-by-probe")));
    }

    // The program started with an environment that once chose a process's
    // role and one that steers libjpeg, and with a descriptor left open by
    // its launcher: the window opens, and its reader has none of it. From
    // outside it shows its confinement, and calls made inside it as a
    // debugger makes them are refused. It ends with the window.
    void cleanSlate() {
        const int inherited = ::dup2(::open("/dev/null", O_RDONLY), 9); // without O_CLOEXEC
        QCOMPARE(inherited, 9);
        QProcess window;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("QUINDAL_PICTURE_READER", "3 1200 /tmp");
        environment.insert("JPEGMEM", "1");
        window.setProcessEnvironment(environment);
        window.start(QUINDAL_PROGRAM);
        QVERIFY(window.waitForStarted());
        ::close(inherited);
        QTRY_COMPARE_WITH_TIMEOUT(readersOf(window.processId()).size(), 1, 5000);
        QVERIFY(QFile::exists(QStringLiteral("/proc/%1/fd/9").arg(window.processId())));
        const qint64 reader = readersOf(window.processId()).front();
        const auto confined = [reader] {
            const QByteArray status = procFile(reader, "status");
            return status.contains("NoNewPrivs:\t1") && status.contains("Seccomp:\t2");
        };
        QTRY_VERIFY_WITH_TIMEOUT(confined(), 5000); // once it has started
        QCOMPARE(procFile(reader, "environ"), QByteArray());
        QStringList descriptors;
        const QString fd = QStringLiteral("/proc/%1/fd/").arg(reader);
        for (const QString &entry : QDir(fd).entryList(QDir::System, QDir::Name)) {
            descriptors << entry + '=' + QFile::symLinkTarget(fd + entry).section(':', 0, 0);
        }
        QCOMPARE(descriptors.join(' '), "0=/dev/null 1=/dev/null 2=/dev/null 3=" + fd + "socket");

        {
            Inside inside{pid_t(reader)};
            QVERIFY2(inside.attached(), "cannot trace the reader (see kernel.yama.ptrace_scope)");
            const quint64 secret = inside.text("/etc/passwd"), program = inside.text("/bin/true"),
                          written =
                              inside.text(QFile::encodeName(besideProgram("written-by-reader")));
            for (const long result : {
                     inside.call(SYS_openat, quint64(AT_FDCWD), secret, O_RDONLY),
                     inside.call(SYS_openat, quint64(AT_FDCWD), written, O_WRONLY | O_CREAT),
                     inside.call(SYS_socket, AF_INET, SOCK_STREAM),
                     inside.call(SYS_fork),
                     inside.call(SYS_execve, program),
                     inside.call(SYS_kill, 1),
                     inside.call(SYS_ptrace, PTRACE_ATTACH, 1),
                 }) {
                QVERIFY2(result == -EPERM || result == -EACCES,
                         qPrintable(QString::number(result)));
            }
        }
        QVERIFY(!QFile::exists(besideProgram("written-by-reader")));
        QCOMPARE(readersOf(window.processId()), QList{reader}); // alive after it all

        window.kill();
        QVERIFY(window.waitForFinished());
        QTRY_VERIFY(!procFile(reader, "stat").contains(") S")); // gone, or a zombie of init
        QCOMPARE(QProcess::execute(besideProgram("quindal-reader"), {"1", "2", "/"}), 2); // by hand
    }

    // A reader killed or stopped just before a request, idle or just asked:
    // the picture comes all the same, from a fresh reader, and the one given
    // up is reaped.
    void faultyReader_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("killed") << int(SIGKILL);
        QTest::newRow("stopped") << int(SIGSTOP);
    }
    void faultyReader() {
        QFETCH(int, signal);
        PictureLoader loader(QCoreApplication::applicationDirPath(),
                             besideProgram("quindal-reader"));
        QVERIFY(pictureOf(loader, "u.jpg")); // a reader is running
        for (const QString &name : {QString("uma.jpg"), QString("ne.jpg")}) {
            for (const qint64 reader : readersOf(::getpid())) {
                ::kill(pid_t(reader), signal);
            }
            QElapsedTimer clock;
            clock.start();
            const std::optional<QImage> picture = pictureOf(loader, name);
            QVERIFY2(clock.elapsed() < 700, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(picture && *picture == decoded(fileBytes(besideProgram(name))));
        }
        QTRY_VERIFY(readersOf(::getpid()).size() <= PictureLoader::mostReaders);
        QTRY_COMPARE(
            QString(procFile(::getpid(), "task/" + QByteArray::number(::getpid()) + "/children"))
                .split(' ', Qt::SkipEmptyParts)
                .size(),
            readersOf(::getpid()).size()); // no zombie left
    }

    // Where no reader can be had, the window reads the pictures itself, and
    // says so once.
    void withoutReaders_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("said");
        const QString pictures = QCoreApplication::applicationDirPath();
        QTest::newRow("no reader program")
            << "/nonexistent/quindal-reader" << pictures << "cannot be started";
        QTest::newRow("a reader that cannot confine itself")
            << besideProgram("quindal-reader") << besideProgram("uma.jpg")
            << "cannot confine itself";
    }
    void withoutReaders() {
        QFETCH(QString, program);
        QFETCH(QString, folder);
        QFETCH(QString, said);
        PictureLoader loader(folder, program);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(said + ".*read in the window"));
        const std::optional<QImage> first = pictureOf(loader, "uma.jpg");
        QVERIFY(first);
        QCOMPARE(first->isNull(), folder != QCoreApplication::applicationDirPath());
        QTest::failOnWarning(QRegularExpression("."));
        QVERIFY(pictureOf(loader, "ne.jpg"));
    }

    // The pictures in a folder on a troubled network share, one file of it
    // troubled the way `how` says (window.slow_folder runs this beside a FUSE
    // folder). Asking for that file ends within 0.1 s; its picture comes if
    // it can be read, while it is still the one asked for; no more than its
    // budget is read from it; and meanwhile every other file's picture
    // comes, from another reader, at once.
    void troubledFile_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("whole"); // shown once read
        QTest::addColumn<int>("fault");  // then sent to its reader
        const QByteArray uma = fileBytes(QUINDAL_SOURCE_PICTURES "/uma.jpg");
        const QByteArray comment = "\xFF\xFE\xEA\x62" + QByteArray(60000, 'c');
        QTest::newRow("hung open") << "hung-open" << uma << false << 0;
        QTest::newRow("slow read") << "slow-read" << uma << true << 0;
        QTest::newRow("slightly slow read") << "slow-read-40" << uma << true << 0;
        QTest::newRow("slow read, reader killed") << "slow-read" << uma << true << int(SIGKILL);
        QTest::newRow("slow read, reader stopped") << "slow-read" << uma << true << int(SIGSTOP);
        QTest::newRow("read error") << "eio" << uma << false << 0;
        QTest::newRow("endless, reporting 100 KiB")
            << "endless-102400" << uma.left(2) << false << 0;
        QTest::newRow("endless, reporting 2 MiB") << "endless-2097152" << uma.left(2) << false << 0;
        QTest::newRow("growing while read")
            << "growing" << uma.left(2) + comment.repeated(20) + uma.mid(2) << true << 0;
        QTest::newRow("growing progressive, past its budget")
            << "growing" << largeProgressive() << false << 0;
    }
    void troubledFile() {
        if (!qEnvironmentVariableIsSet("QUINDAL_SLOW_FOLDER")) {
            QSKIP("runs beside a FUSE folder (window.slow_folder)");
        }
        QFETCH(QString, how);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        QFETCH(int, fault);
        const QString counts = serve("uma.jpg", how, bytes);
        QVERIFY(!counts.isEmpty());
        const QString folder = qEnvironmentVariable("QUINDAL_SLOW_FOLDER");
        PictureLoader loader(folder, besideProgram("quindal-reader"));
        QVERIFY(pictureOf(loader, "u.jpg"));
        QSignalSpy arrived(&loader, &PictureLoader::arrived);
        QElapsedTimer clock;
        clock.start();
        const std::optional<QImage> given = loader.load("uma.jpg", QSize(160, 160), 1, 50ms);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        if (fault != 0) {
            for (const qint64 reader : readersOf(::getpid())) {
                ::kill(pid_t(reader), fault);
            }
        }
        if (how == "hung-open") { // every other picture comes, each at once
            QVERIFY(!given);
            for (const QString &name : animals + animals) {
                clock.restart();
                const std::optional<QImage> picture = name == "uma.jpg"
                                                          ? loader.load(name, {160, 160}, 1, 50ms)
                                                          : pictureOf(loader, name);
                QVERIFY2(bool(picture) == (name != "uma.jpg") && clock.elapsed() < 500,
                         qPrintable(name));
                QVERIFY(readersOf(::getpid()).size() <= PictureLoader::mostReaders);
            }
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(loader.idle(), 15000);
        const QImage shown = given ? *given : arrived.last().at(0).value<QImage>();
        QCOMPARE(shown, whole ? decoded(bytes) : QImage());
        QFile served(counts); // none for a file never read from
        const qint64 read = served.open(QIODevice::ReadOnly) ? served.readAll().toLongLong() : 0;
        QVERIFY2(read <= picture_limits::fileBytes, qPrintable(QString::number(read)));
        if (how == "slow-read-40") {
            // Superseded while it is read again, its picture is never shown,
            // though it comes before its reader is given up; the next one
            // comes at once.
            arrived.clear();
            QVERIFY(!loader.load("uma.jpg", QSize(200, 200), 1, 0ms)); // another size: read again
            const QImage next = decoded(fileBytes(besideProgram("u.jpg")));
            QCOMPARE(pictureOf(loader, "u.jpg"), next);
            QTest::qWait(500);
            QVERIFY(arrived.isEmpty() || arrived.last().at(0).value<QImage>() == next);
        }
    }

    // Given up while a read hangs, the loader goes at once; window.slow_folder
    // gives the whole process a few seconds to end.
    void closeWhileReadHangs() {
        if (!qEnvironmentVariableIsSet("QUINDAL_SLOW_FOLDER")) {
            QSKIP("runs beside a FUSE folder (window.slow_folder)");
        }
        QVERIFY(!serve("uma.jpg", "hung-open", fileBytes(QUINDAL_SOURCE_PICTURES "/uma.jpg"))
                     .isEmpty());
        auto loader = std::make_unique<PictureLoader>(qEnvironmentVariable("QUINDAL_SLOW_FOLDER"),
                                                      besideProgram("quindal-reader"));
        QVERIFY(!loader->load("uma.jpg", QSize(160, 160), 1, 50ms));
        QElapsedTimer clock;
        clock.start();
        loader.reset();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestReader)
#include "tst_reader.moc"
