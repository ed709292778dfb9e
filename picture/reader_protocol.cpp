#include "reader_protocol.h"

#include <cerrno>
#include <cmath>
#include <sys/socket.h>

namespace reader_protocol {
namespace {

struct WireRequest {
    qint32 width, height; // logical pixels
    double ratio;
    quint32 nameBytes; // the name follows, in UTF-8
};
struct WireAnswer {
    qint32 kind;                                // Answer::Kind
    qint32 width, height, format, bytesPerLine; // Kind::picture: its rows follow
    double ratio;
};
constexpr quint32 longestName = 255;
constexpr int largestSide = 4096;                   // device pixels of a picture
constexpr qint64 largestPicture = qint64{64} << 20; // bytes of its rows
constexpr double largestRatio = 8;

// Moves `size` bytes at `at` with `move` (send or recv), as many pieces as
// it takes; false once the socket fails or ends.
template <typename Bytes, typename Move> bool whole(Bytes *at, std::size_t size, Move move) {
    while (size > 0) {
        const ssize_t moved = move(at, size);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            return false;
        }
        at += moved;
        size -= std::size_t(moved);
    }
    return true;
}

bool sendAll(int socket, const void *data, std::size_t size) {
    return whole(static_cast<const char *>(data), size, [socket](const char *at, std::size_t n) {
        return ::send(socket, at, n, MSG_NOSIGNAL);
    });
}

bool receiveAll(int socket, void *data, std::size_t size) {
    return whole(static_cast<char *>(data), size,
                 [socket](char *at, std::size_t n) { return ::recv(socket, at, n, 0); });
}

bool plausibleRatio(double ratio) {
    return std::isfinite(ratio) && ratio > 0 && ratio <= largestRatio;
}

// A name that stays in the folder: no separator, no "." or "..".
bool plainFileName(const QString &name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

} // namespace

bool sendGreeting(int socket, Greeting greeting) {
    return sendAll(socket, &greeting, sizeof greeting);
}

std::optional<Greeting> receiveGreeting(int socket) {
    Greeting greeting{};
    if (!receiveAll(socket, &greeting, sizeof greeting)) {
        return std::nullopt;
    }
    switch (greeting) {
    case Greeting::confined:
    case Greeting::confinedWithoutLandlock:
    case Greeting::refused: return greeting;
    }
    return std::nullopt;
}

bool sendRequest(int socket, const Request &request) {
    const QByteArray utf8 = request.name.toUtf8();
    if (utf8.size() > qsizetype(longestName)) {
        return false;
    }
    const WireRequest wire{request.size.width(), request.size.height(), request.ratio,
                           quint32(utf8.size())};
    return sendAll(socket, &wire, sizeof wire) &&
           sendAll(socket, utf8.constData(), std::size_t(utf8.size()));
}

std::optional<Request> receiveRequest(int socket) {
    WireRequest wire{};
    if (!receiveAll(socket, &wire, sizeof wire) || wire.nameBytes > longestName ||
        !plausibleRatio(wire.ratio) || wire.width <= 0 || wire.height <= 0 ||
        wire.width * wire.ratio > largestSide || wire.height * wire.ratio > largestSide) {
        return std::nullopt;
    }
    QByteArray utf8(qsizetype(wire.nameBytes), Qt::Uninitialized);
    if (!receiveAll(socket, utf8.data(), std::size_t(utf8.size()))) {
        return std::nullopt;
    }
    Request request{QString::fromUtf8(utf8), QSize(wire.width, wire.height), wire.ratio};
    if (!plainFileName(request.name) || request.name.toUtf8() != utf8) {
        return std::nullopt; // not a plain name, or not UTF-8
    }
    return request;
}

bool sendAnswer(int socket, const QImage &picture, bool same) {
    WireAnswer wire{};
    if (same) {
        wire.kind = qint32(Answer::Kind::samePicture);
    } else if (!picture.isNull()) {
        wire = {qint32(Answer::Kind::picture),
                picture.width(),
                picture.height(),
                qint32(picture.format()),
                qint32(picture.bytesPerLine()),
                picture.devicePixelRatio()};
    }
    return sendAll(socket, &wire, sizeof wire) &&
           (wire.kind != qint32(Answer::Kind::picture) ||
            sendAll(socket, picture.constBits(), std::size_t(picture.sizeInBytes())));
}

std::optional<Answer> receiveAnswer(int socket) {
    WireAnswer wire{};
    if (!receiveAll(socket, &wire, sizeof wire)) {
        return std::nullopt;
    }
    switch (Answer::Kind(wire.kind)) {
    case Answer::Kind::noPicture: return Answer{Answer::Kind::noPicture, {}};
    case Answer::Kind::samePicture: return Answer{Answer::Kind::samePicture, {}};
    case Answer::Kind::picture: break;
    default: return std::nullopt;
    }
    if (wire.width <= 0 || wire.width > largestSide || wire.height <= 0 ||
        wire.height > largestSide || wire.format <= QImage::Format_Invalid ||
        wire.format >= QImage::NImageFormats || !plausibleRatio(wire.ratio) ||
        qint64(wire.bytesPerLine) * wire.height > largestPicture) {
        return std::nullopt;
    }
    QImage picture(wire.width, wire.height, QImage::Format(wire.format));
    if (picture.isNull() || picture.bytesPerLine() != wire.bytesPerLine ||
        !receiveAll(socket, picture.bits(), std::size_t(picture.sizeInBytes()))) {
        return std::nullopt;
    }
    picture.setDevicePixelRatio(wire.ratio);
    return Answer{Answer::Kind::picture, picture};
}

} // namespace reader_protocol
