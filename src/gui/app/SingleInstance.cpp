#include "gui/app/SingleInstance.h"

#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QtEndian>

namespace pelmo {

namespace {

constexpr char Magic[4] = {'P', 'L', 'M', 'O'};
constexpr int HeaderBytes = 8;
constexpr char Ack = 'k';

QByteArray Message(const std::string& path) {
    QByteArray m(Magic, sizeof Magic);
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(path.size()), length);
    m.append(length, sizeof length);
    m.append(path.data(), static_cast<qsizetype>(path.size()));
    return m;
}

}  // namespace

TSingleInstance::TSingleInstance(QString serverName, QObject* parent) : QObject(parent), name_(std::move(serverName)) {
    Busy = [] { return QApplication::activeModalWidget() || QApplication::activePopupWidget(); };
    deliverTimer_.setSingleShot(true);
    connect(&deliverTimer_, &QTimer::timeout, this, [this] { Deliver(); });
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerNameFor(const std::string& dataFolder) {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(dataFolder), QCryptographicHash::Sha1);
    const QString base = QStringLiteral("pelmo-%1").arg(QString::fromLatin1(hash.toHex().left(16)));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + "/" + base + ".socket";
    return QStringLiteral("%1-%2").arg(base).arg(::getuid());
}

TSingleInstance::TRole TSingleInstance::Start(const std::string& path, int timeoutMs) {
    // Two programs started at once must not both decide to listen.
    QString lockPath = name_;
    if (QFileInfo(name_).isRelative()) lockPath = QDir::tempPath() + "/" + name_;
    QLockFile lock(lockPath + ".lock");
    lock.tryLock(timeoutMs);
    if (Forward(path, timeoutMs)) return TRole::Forwarded;
    return Listen() ? TRole::Primary : TRole::Alone;
}

bool TSingleInstance::Forward(const std::string& path, int timeoutMs) {
    if (path.size() > static_cast<std::size_t>(MaxPathBytes)) return false;
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    // A program that listens is running: the design is its even when it is
    // too busy to answer now, since it reads the message once it gets to it.
    socket.write(Message(path));
    socket.waitForBytesWritten(timeoutMs);
    if (socket.bytesAvailable() < 1) socket.waitForReadyRead(timeoutMs);
    return true;
}

bool TSingleInstance::Listen() {
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        // Nobody answered on it: a socket file left behind by a crash.
        QLocalServer::removeServer(name_);
        if (!server->listen(name_)) {
            delete server;
            return false;
        }
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, [this] { Accept(); });
    return true;
}

void TSingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        Read(socket);
    }
}

void TSingleInstance::Read(QLocalSocket* socket) {
    if (socket->bytesAvailable() < HeaderBytes) return;
    const QByteArray header = socket->peek(HeaderBytes);
    const quint32 length = qFromBigEndian<quint32>(header.constData() + sizeof Magic);
    if (header.left(sizeof Magic) != QByteArray(Magic, sizeof Magic) || length > MaxPathBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < HeaderBytes + static_cast<qint64>(length)) return;
    socket->skip(HeaderBytes);
    pending_.push_back(socket->read(length));
    socket->putChar(Ack);
    socket->flush();
    if (!deliverTimer_.isActive()) deliverTimer_.start(0);
}

void TSingleInstance::Deliver() {
    // The handler may ask a question whose event loop brings the next design.
    if (pending_.empty() || delivering_) return;
    if (Busy && Busy()) {
        deliverTimer_.start(250);
        return;
    }
    const QByteArray path = pending_.front();
    pending_.erase(pending_.begin());
    delivering_ = true;
    emit OpenRequested(path);
    delivering_ = false;
    if (!pending_.empty()) deliverTimer_.start(0);
}

}  // namespace pelmo
