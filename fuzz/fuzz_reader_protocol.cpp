// Fuzzes both ends of the picture readers' protocol: any bytes, as a reader
// (or anything posing as one) may send them to the window, and as the window
// may send them to a reader. Every message is taken whole and within its
// bounds, or refused; nothing read is trusted before it is checked.
#include "reader_protocol.h"

#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

using namespace reader_protocol;

namespace {

// The bytes as they come over a socket whose other end has closed.
int socketHolding(const std::uint8_t *data, std::size_t size) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0 ||
        ::write(ends[1], data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    ::close(ends[1]);
    return ends[0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > 65536) { // what a socket holds unread
        return 0;
    }
    const int toWindow = socketHolding(data, size);
    if (receiveGreeting(toWindow)) {
        while (const std::optional<Answer> answer = receiveAnswer(toWindow)) {
            const QImage &picture = answer->picture;
            if ((answer->kind == Answer::Kind::picture) == picture.isNull() ||
                picture.sizeInBytes() > (qint64{64} << 20)) {
                std::abort();
            }
        }
    }
    ::close(toWindow);
    const int toReader = socketHolding(data, size);
    while (const std::optional<Request> request = receiveRequest(toReader)) {
        if (request->name.isEmpty() || request->name.contains(u'/') || request->name == u".." ||
            request->size.isEmpty() || !(request->ratio > 0)) {
            std::abort();
        }
    }
    ::close(toReader);
    return 0;
}
