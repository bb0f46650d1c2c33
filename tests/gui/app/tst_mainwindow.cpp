#include <QtTest>

#include "app/MainWindow.h"

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsWithTheProgramCaption() {
        pelmo::TMainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QString("Pelmo"));
        // The graph windows open with it; the keyboard stays with the sheet.
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&w));
        w.Session().Design().FileName = "/tmp/TwoWay.bkt";
        w.UpdateCaption();
        QCOMPARE(w.windowTitle(), QString("Pelmo -- TwoWay.bkt"));
        QVERIFY(w.close());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
