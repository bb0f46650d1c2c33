// The GUI program's command line: what it asks for, which design it opens,
// Qt's own options left alone, and whether a display is there.

#include <QtTest>
#include <map>

#include "gui/app/CommandLine.h"

using namespace pelmo;

Q_DECLARE_METATYPE(TCommandLine::TAction)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<TCommandLine::TAction>("action");
        QTest::addColumn<QString>("design");
        QTest::addColumn<bool>("platformGiven");
        using A = TCommandLine::TAction;
        QTest::newRow("nothing") << QStringList{} << A::Run << "" << false;
        QTest::newRow("a design") << QStringList{"/d/TwoWay.bkt"} << A::Run << "/d/TwoWay.bkt" << false;
        QTest::newRow("relative design") << QStringList{"TwoWay.bkt"} << A::Run << "TwoWay.bkt" << false;
        QTest::newRow("--help") << QStringList{"--help"} << A::Help << "" << false;
        QTest::newRow("-h after a design") << QStringList{"x.bkt", "-h"} << A::Help << "" << false;
        QTest::newRow("--version") << QStringList{"--version"} << A::Version << "" << false;
        QTest::newRow("-v") << QStringList{"-v"} << A::Version << "" << false;
        QTest::newRow("help wins over a bad option") << QStringList{"--help", "--bogus"} << A::Help << "" << false;
        QTest::newRow("unknown option") << QStringList{"--bogus"} << A::UsageError << "" << false;
        QTest::newRow("unknown single-dash option") << QStringList{"-x"} << A::UsageError << "" << false;
        QTest::newRow("two designs") << QStringList{"a.bkt", "b.bkt"} << A::UsageError << "" << false;
        QTest::newRow("-- before a dashed name") << QStringList{"--", "-odd.bkt"} << A::Run << "-odd.bkt" << false;
        QTest::newRow("a lone dash is a name") << QStringList{"-"} << A::Run << "-" << false;
        QTest::newRow("-platform value") << QStringList{"-platform", "offscreen", "x.bkt"} << A::Run << "x.bkt" << true;
        QTest::newRow("--platform=value") << QStringList{"--platform=xcb"} << A::Run << "" << true;
        QTest::newRow("-display value") << QStringList{"x.bkt", "-display", ":1"} << A::Run << "x.bkt" << true;
        QTest::newRow("-style value is no design") << QStringList{"-style", "fusion"} << A::Run << "" << false;
        QTest::newRow("-style=value") << QStringList{"-style=fusion", "x.bkt"} << A::Run << "x.bkt" << false;
        QTest::newRow("Qt flag") << QStringList{"-reverse", "x.bkt"} << A::Run << "x.bkt" << false;
        QTest::newRow("Qt flag with a value") << QStringList{"-reverse=1"} << A::UsageError << "" << false;
        QTest::newRow("value missing") << QStringList{"x.bkt", "-platform"} << A::UsageError << "" << false;
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(TCommandLine::TAction, action);
        QFETCH(QString, design);
        QFETCH(bool, platformGiven);
        std::vector<std::string> list;
        for (const QString& a : args) list.push_back(a.toStdString());
        const TCommandLine line = ParseCommandLine(list);
        QCOMPARE(line.Action, action);
        QCOMPARE(QString::fromStdString(line.DesignPath), design);
        QCOMPARE(line.PlatformGiven, platformGiven);
        // Every refusal says why, on one line.
        QCOMPARE(line.Error.empty(), action != TCommandLine::TAction::UsageError);
        QVERIFY(line.Error.find('\n') == std::string::npos);
    }

    // The picture exports: what to write, of which graph kind, at which size.
    void exports_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<TCommandLine::TAction>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("error");  // part of the refusal's text
        using A = TCommandLine::TAction;
        QTest::newRow("sheet") << QStringList{"--export-sheet", "s.png", "d.bkt"} << A::ExportSheet << "s.png"
                               << ""
                               << "shown"
                               << "";
        QTest::newRow("sheet, size before")
            << QStringList{"--size", "forum", "d.bkt", "--export-sheet", "s.svg"} << A::ExportSheet << "s.svg"
            << ""
            << "forum"
            << "";
        QTest::newRow("graph") << QStringList{"--export-graph", "spl", "g.pdf", "--size", "large", "d.bkt"}
                               << A::ExportGraph << "g.pdf"
                               << "spl"
                               << "large"
                               << "";
        QTest::newRow("every kind's name")
            << QStringList{"--export-graph", "squarewave", "g.emf", "d.bkt"} << A::ExportGraph << "g.emf"
            << "squarewave"
            << "shown"
            << "";
        QTest::newRow("graph size small")
            << QStringList{"--export-graph", "groupdelay", "g.png", "--size", "small", "d.bkt"} << A::ExportGraph
            << "g.png"
            << "groupdelay"
            << "small"
            << "";
        QTest::newRow("unknown kind") << QStringList{"--export-graph", "phase", "g.png", "d.bkt"} << A::UsageError << ""
                                      << ""
                                      << "shown"
                                      << "unknown graph kind \"phase\"";
        QTest::newRow("sheet has no small")
            << QStringList{"--export-sheet", "s.png", "--size", "small", "d.bkt"} << A::UsageError << ""
            << ""
            << ""
            << "large, shown, forum";
        QTest::newRow("graph has no forum")
            << QStringList{"--export-graph", "spl", "g.png", "--size", "forum", "d.bkt"} << A::UsageError << ""
            << ""
            << ""
            << "large, small, shown";
        QTest::newRow("no design") << QStringList{"--export-sheet", "s.png"} << A::UsageError << ""
                                   << ""
                                   << ""
                                   << "needs a design";
        QTest::newRow("no file") << QStringList{"--export-sheet"} << A::UsageError << ""
                                 << ""
                                 << ""
                                 << "needs a file";
        QTest::newRow("kind but no file") << QStringList{"--export-graph", "spl"} << A::UsageError << ""
                                          << ""
                                          << ""
                                          << "needs a file";
        QTest::newRow("two exports") << QStringList{"--export-sheet", "a.png", "--export-sheet", "b.png", "d.bkt"}
                                     << A::UsageError << ""
                                     << ""
                                     << ""
                                     << "one export at a time";
        QTest::newRow("size alone") << QStringList{"--size", "large", "d.bkt"} << A::UsageError << ""
                                    << ""
                                    << ""
                                    << "--size goes with";
        QTest::newRow("size without value")
            << QStringList{"--export-sheet", "s.png", "d.bkt", "--size"} << A::UsageError << ""
            << ""
            << ""
            << "--size needs a value";
    }
    void exports() {
        QFETCH(QStringList, args);
        QFETCH(TCommandLine::TAction, action);
        QFETCH(QString, path);
        QFETCH(QString, kind);
        QFETCH(QString, size);
        QFETCH(QString, error);
        std::vector<std::string> list;
        for (const QString& a : args) list.push_back(a.toStdString());
        const TCommandLine line = ParseCommandLine(list);
        QCOMPARE(line.Action, action);
        QVERIFY2(QString::fromStdString(line.Error).contains(error), line.Error.c_str());
        QCOMPARE(IsExport(line), error.isEmpty());
        if (!error.isEmpty()) return;
        QCOMPARE(QString::fromStdString(line.ExportPath), path);
        QCOMPARE(QString::fromStdString(line.GraphKind), kind);
        QCOMPARE(QString::fromStdString(line.ExportSize), size);
        QCOMPARE(line.DesignPath, std::string("d.bkt"));
    }

    void display_data() {
        QTest::addColumn<QStringList>("environment");  // NAME=VALUE
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("available");
        QTest::newRow("none") << QStringList{} << QStringList{} << false;
        QTest::newRow("empty values") << QStringList{"DISPLAY=", "WAYLAND_DISPLAY="} << QStringList{} << false;
        QTest::newRow("X11") << QStringList{"DISPLAY=:0"} << QStringList{} << true;
        QTest::newRow("Wayland") << QStringList{"WAYLAND_DISPLAY=wayland-0"} << QStringList{} << true;
        QTest::newRow("platform variable") << QStringList{"QT_QPA_PLATFORM=offscreen"} << QStringList{} << true;
        QTest::newRow("platform option") << QStringList{} << QStringList{"-platform", "offscreen"} << true;
        QTest::newRow("unrelated variable") << QStringList{"XDG_SESSION_TYPE=x11"} << QStringList{} << false;
    }
    void display() {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, args);
        QFETCH(bool, available);
        std::map<std::string, std::string> env;
        for (const QString& e : environment) env[e.section('=', 0, 0).toStdString()] = e.section('=', 1).toStdString();
        std::vector<std::string> list;
        for (const QString& a : args) list.push_back(a.toStdString());
        const auto getEnv = [&env](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        };
        QCOMPARE(DisplayAvailable(ParseCommandLine(list), getEnv), available);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
