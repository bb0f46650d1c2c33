#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace pelmo {

// One Pelmo per data folder. The first program started on a data folder
// listens on a local socket; a later one hands the design it was given (or
// nothing, to bring the window to the front) to it and ends. Two programs on
// one data folder would overwrite each other's settings and recent files.
//
// The message is "PLMO", the path's length as a 32-bit big-endian number and
// the path's bytes as they came from the command line; the running program
// answers one byte once it has the whole message.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum class TRole {
        Primary,    // this program listens; designs from later starts arrive by OpenRequested
        Forwarded,  // the running program took the design: end this one
        Alone,      // no socket could be made: run without one
    };

    // `serverName` is a socket path, or a plain name that Qt puts into the
    // temporary folder.
    explicit TSingleInstance(QString serverName, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The socket of the data folder: under $XDG_RUNTIME_DIR when that is set,
    // else a name with the user's id in the temporary folder.
    static QString ServerNameFor(const std::string& dataFolder);

    // Hands `path` to a running program or, when none answers, starts
    // listening (a socket left by a program that crashed is replaced).
    TRole Start(const std::string& path, int timeoutMs = 3000);

    // Designs are handed on only while this returns false; by default while a
    // modal dialog or a pop-up menu is open.
    std::function<bool()> Busy;

    static constexpr int MaxPathBytes = 64 * 1024;

signals:
    // A later start asked to open `path` (raw bytes); empty: only raise the window.
    void OpenRequested(const QByteArray& path);

private:
    // True when a running program listens (it takes the message).
    bool Forward(const std::string& path, int timeoutMs);
    bool Listen();
    void Accept();
    void Read(QLocalSocket* socket);
    void Deliver();

    QString name_;
    QLocalServer* server_ = nullptr;
    std::vector<QByteArray> pending_;
    QTimer deliverTimer_;
    bool delivering_ = false;
};

}  // namespace pelmo
