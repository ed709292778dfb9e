#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

// What the window and a picture reader (reader/) say to each other over the
// socket pair that joins them. The reader speaks first, once: whether it has
// confined itself and may be sent requests. Then each request (a file's name
// and the size to decode it at) gets one answer: a picture, no picture, or
// the same picture as this reader sent for that name last time.
//
// Either side may be anything at all, so every length and size read is
// checked before it is trusted; a receive that fails or finds nonsense gives
// no value, and the connection is then given up.
namespace reader_protocol {

// The descriptor on which a reader finds its socket.
inline constexpr int readerSocket = 3;

enum class Greeting : quint32 {
    confined = 0x51524431,                // serving, every confinement in force
    confinedWithoutLandlock = 0x51524432, // serving; the kernel has no Landlock
    refused = 0x51524430,                 // could not confine itself: will not serve
};

struct Request {
    QString name; // a plain file name in the reader's folder
    QSize size;   // logical pixels
    qreal ratio = 1;
};

struct Answer {
    enum class Kind { noPicture, samePicture, picture } kind = Kind::noPicture;
    QImage picture; // Kind::picture
};

bool sendGreeting(int socket, Greeting greeting);
std::optional<Greeting> receiveGreeting(int socket);

bool sendRequest(int socket, const Request &request);
std::optional<Request> receiveRequest(int socket);

// `same`: the picture is the one sent last time for its name; only that is said.
bool sendAnswer(int socket, const QImage &picture, bool same);
std::optional<Answer> receiveAnswer(int socket);

} // namespace reader_protocol
