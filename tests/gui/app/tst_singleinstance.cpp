// One program per data folder: a later start hands its design to the running
// one, which opens it when no dialog is in the way.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "gui/app/SingleInstance.h"

using namespace pelmo;
using TRole = TSingleInstance::TRole;

namespace {

// The later start runs in this same thread, so the running instance cannot
// answer while it waits: a short wait keeps the tests quick.
constexpr int Wait = 200;

// A socket file that nobody listens on, as a crashed program leaves it.
bool LeaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, QFile::encodeName(path).constData(), sizeof addr.sun_path - 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void aLaterStartHandsItsDesignOver_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("plain") << QByteArray("/home/u/TwoWay.bkt");
        QTest::newRow("spaces and UTF-8") << QByteArray("/home/u/Zwei Wege \xc3\xa4.bkt");
        QTest::newRow("not UTF-8, with a newline") << QByteArray("/home/u/odd\xff\nname.bkt");
        QTest::newRow("nothing: raise the window") << QByteArray();
    }
    void aLaterStartHandsItsDesignOver() {
        QFETCH(QByteArray, path);
        const QString name = dir_.filePath("a.socket");
        TSingleInstance first(name);
        QCOMPARE(first.Start("", Wait), TRole::Primary);
        QSignalSpy opened(&first, &TSingleInstance::OpenRequested);

        TSingleInstance later(name);
        QCOMPARE(later.Start(path.toStdString(), Wait), TRole::Forwarded);
        QVERIFY(opened.wait(2000));
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.front().front().toByteArray(), path);
    }

    void designsArriveInOrderOnceNoDialogIsOpen() {
        const QString name = dir_.filePath("b.socket");
        TSingleInstance first(name);
        bool busy = true;
        first.Busy = [&busy] { return busy; };
        QCOMPARE(first.Start("", Wait), TRole::Primary);
        QSignalSpy opened(&first, &TSingleInstance::OpenRequested);
        for (const char* path : {"/d/one.bkt", "/d/two.bkt"}) {
            TSingleInstance later(name);
            QCOMPARE(later.Start(path, Wait), TRole::Forwarded);
        }
        QTest::qWait(600);
        QCOMPARE(opened.count(), 0);  // a dialog is open: nothing yet
        busy = false;
        QTRY_COMPARE(opened.count(), 2);
        QCOMPARE(opened.at(0).front().toByteArray(), QByteArray("/d/one.bkt"));
        QCOMPARE(opened.at(1).front().toByteArray(), QByteArray("/d/two.bkt"));
    }

    void otherDataFoldersRunTheirOwnProgram() {
        TSingleInstance first(dir_.filePath("c.socket"));
        QCOMPARE(first.Start("", Wait), TRole::Primary);
        TSingleInstance other(dir_.filePath("d.socket"));
        QCOMPARE(other.Start("/d/x.bkt", Wait), TRole::Primary);

        const std::string home = "/home/u/.local/share/Pelmo/";
        QCOMPARE(TSingleInstance::ServerNameFor(home), TSingleInstance::ServerNameFor(home));
        QVERIFY(TSingleInstance::ServerNameFor(home) != TSingleInstance::ServerNameFor("/tmp/elsewhere/"));
    }

    void aSocketLeftByACrashIsTakenOver() {
        const QString name = dir_.filePath("e.socket");
        QVERIFY(LeaveStaleSocket(name));
        TSingleInstance first(name);
        QCOMPARE(first.Start("/d/mine.bkt", Wait), TRole::Primary);
        QSignalSpy opened(&first, &TSingleInstance::OpenRequested);
        TSingleInstance later(name);
        QCOMPARE(later.Start("/d/theirs.bkt", Wait), TRole::Forwarded);
        QVERIFY(opened.wait(2000));
    }

    void aForeignMessageIsDropped() {
        const QString name = dir_.filePath("f.socket");
        TSingleInstance first(name);
        QCOMPARE(first.Start("", Wait), TRole::Primary);
        QSignalSpy opened(&first, &TSingleInstance::OpenRequested);
        // Wrong magic, then a length far beyond any path.
        for (const QByteArray& junk : {QByteArray("GET / HTTP/1.0\r\n\r\n"), QByteArray("PLMO\xff\xff\xff\xff", 8)}) {
            QLocalSocket socket;
            socket.connectToServer(name);
            QVERIFY(socket.waitForConnected(1000));
            socket.write(junk);
            QVERIFY(socket.waitForBytesWritten(1000));
            QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        }
        QCOMPARE(opened.count(), 0);
        // The program still takes real designs.
        TSingleInstance later(name);
        QCOMPARE(later.Start("/d/x.bkt", Wait), TRole::Forwarded);
        QVERIFY(opened.wait(2000));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
