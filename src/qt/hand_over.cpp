#include "hand_over.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <memory>

#include "intake/handed_files.h"
#include "native_files.h"

namespace quill::qt {

namespace {
constexpr qsizetype kHeaderBytes = 4;
constexpr auto kReadLimit = std::chrono::seconds(5);  // a sender that stalls is dropped
constexpr char kTaken = 1;

// The connection comes from a process of this user.
bool fromThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                        &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

quint32 messageLength(const QByteArray& header) {
    quint32 length = 0;
    for (int i = kHeaderBytes - 1; i >= 0; --i) {
        length = (length << 8) | static_cast<unsigned char>(header[i]);
    }
    return length;
}
}  // namespace

HandOverServer::HandOverServer(Take take) : take_(std::move(take)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { accept(); });
}

bool HandOverServer::listen(const QString& path) {
    QLocalServer::removeServer(path);
    return server_.listen(path);
}

void HandOverServer::accept() {
    while (QLocalSocket* const socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!fromThisUser(*socket)) {
            socket->abort();
            continue;
        }
        QTimer::singleShot(kReadLimit, socket, [socket] { socket->abort(); });
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, received] {
            received->append(socket->readAll());
            if (received->size() < kHeaderBytes) return;
            const quint32 length = messageLength(*received);
            if (length > kHandedFilesMaxUnits) {
                socket->abort();
                return;
            }
            if (received->size() < kHeaderBytes + static_cast<qsizetype>(length)) return;
            const QByteArray body = received->mid(kHeaderBytes);
            const std::optional<std::vector<std::u16string>> files = decodeHandedFiles(
                nameFromBytes(std::string_view(body.constData(), static_cast<std::size_t>(body.size()))),
                u'/');
            if (!files || body.size() != static_cast<qsizetype>(length)) {
                socket->abort();
                return;
            }
            take_(*files);
            socket->write(&kTaken, 1);
            socket->disconnectFromServer();
        });
    }
}

bool handOver(const QString& path, const std::vector<std::u16string>& files,
              std::chrono::milliseconds limit) {
    const std::string body = toUtf8(encodeHandedFiles(files));
    if (body.size() > kHandedFilesMaxUnits) return false;
    QByteArray message(kHeaderBytes, '\0');
    for (int i = 0; i < kHeaderBytes; ++i) {
        message[i] = static_cast<char>((body.size() >> (8 * i)) & 0xFF);
    }
    message.append(body.data(), static_cast<qsizetype>(body.size()));

    const QDeadlineTimer deadline(limit);
    QLocalSocket socket;
    // The running instance may still be starting: it listens just after it
    // has taken the lock.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(100);
    }
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kTaken;
}

}  // namespace quill::qt
