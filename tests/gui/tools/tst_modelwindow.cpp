// Tools > Model a Driver: the fields drive the preview (the core's model,
// worked out again at every change), a wheel notch moves the box's tuning
// as the closed form says, parameter files fill the fields (a bad one is
// refused naming file and line), Apply gives a driver the model's files as
// one undo step, and the window's settings travel with the design.
#include <qcustomplot.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>

#include "../GuiTestSupport.h"
#include "acoustics/Enclosure.h"
#include "acoustics/ModelledDriver.h"
#include "document/Session.h"
#include "files/DesignFile.h"
#include "gui/tools/ModelDriverWindow.h"
#include "gui/widgets/EditReal.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

void Wheel(QWidget* target, int delta) {
    const QPoint at(target->width() / 2, target->height() / 2);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

// A value typed into a field as the window's user would change it.
void Set(TModelDriverWindow& w, const char* key, double value) {
    TEditRealSpin* f = w.Field(key);
    QVERIFY2(f, key);
    f->SetRealValue(value);
    f->DoValChange();
}

double LevelDb(const TComplexArray& a, std::size_t k) {
    return 20 * std::log10(std::abs(std::complex(a.Re[k], a.Im[k])));
}

}  // namespace

class TestModelWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingSink sink_;
    std::unique_ptr<TMainWindow> w_;

    TDesign& Design() { return w_->Session().Design(); }

    TModelDriverWindow* Open() {
        QAction* a = MenuAction(*w_, "Tools", "Model a Driver…");
        if (!a) return nullptr;
        a->trigger();
        return w_->findChild<TModelDriverWindow*>();
    }

    std::string WriteFile(const char* name, const std::string& text) {
        const std::string path = dir_.filePath(name).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

private slots:
    void init() {
        w_ = std::make_unique<TMainWindow>();
        w_->SetMessageSink(&sink_);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        OpenExampleCopy(*w_, dir_.path(), "TwoWay.bkt");
        QCOMPARE(Design().Drivers.size(), std::size_t(2));
    }
    void cleanup() {
        if (auto* mw = w_->findChild<TModelDriverWindow*>()) mw->close();
        Design().Modified = false;
        w_.reset();
        sink_ = {};
    }

    void previewIsTheCoresModel_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<double>("vb");
        QTest::addColumn<double>("qa");
        QTest::newRow("infinite baffle") << int(EnclosureKind::InfiniteBaffle) << 20.0 << 0.0;
        QTest::newRow("sealed 12 l") << int(EnclosureKind::Sealed) << 12.0 << 0.0;
        QTest::newRow("sealed 40 l, Qa 5") << int(EnclosureKind::Sealed) << 40.0 << 5.0;
        QTest::newRow("vented 24 l") << int(EnclosureKind::Vented) << 24.0 << 0.0;
    }
    void previewIsTheCoresModel() {
        QFETCH(int, box);
        QFETCH(double, vb);
        QFETCH(double, qa);
        TModelDriverWindow* mw = Open();
        QVERIFY(mw && mw->isVisible());
        mw->findChild<QComboBox*>("boxKind")->setCurrentIndex(box);
        Set(*mw, "vb", vb);
        Set(*mw, "qa", qa);
        const TModelPreview& v = mw->Preview();
        QVERIFY2(v.Problem.empty(), v.Problem.c_str());
        const TModelSetup& s = mw->Setup();
        QCOMPARE(s.VbLitres, vb);
        const TDriverModelData core = EvaluateEnclosure(ModelDriverParams(s), ModelEnclosure(s), v.Freq);
        for (std::size_t k : {std::size_t(10), std::size_t(60), std::size_t(100), std::size_t(150)}) {
            QVERIFY(std::abs(v.SplDb[k] - core.SplDb[k]) < 1e-9);
            QVERIFY(std::abs(v.Ohms[k] - core.Ohms[k]) < 1e-9);
        }
        // The charts show it.
        QCOMPARE(mw->Chart(0)->graph(0)->dataCount(), int(v.Freq.size()));
        QCOMPARE(mw->Chart(2)->graph(1)->dataCount(), box == int(EnclosureKind::Vented) ? int(v.Freq.size()) : 0);
        if (box == int(EnclosureKind::Vented)) {
            // The box's double impedance peak around the tuning.
            int peaks = 0;
            for (std::size_t k = 1; k + 1 < v.Ohms.size() && v.Freq[k] < 300; ++k)
                if (v.Ohms[k] > v.Ohms[k - 1] && v.Ohms[k] > v.Ohms[k + 1]) ++peaks;
            QCOMPARE(peaks, 2);
        }
    }

    void wheelNotchOnVbMovesTheTuningAsTheClosedFormSays() {
        TModelDriverWindow* mw = Open();
        mw->findChild<QComboBox*>("boxKind")->setCurrentIndex(int(EnclosureKind::Sealed));
        mw->findChild<QComboBox*>("baffleKind")->setCurrentIndex(int(ModelBaffleKind::Rectangle));
        Set(*mw, "vb", 20);
        const std::size_t baffleSolves = mw->BaffleSolves();
        for (int delta : {120, -120, -120}) {
            const double before = mw->Setup().VbLitres;
            Wheel(mw->Field("vb"), delta);
            const double vb = mw->Setup().VbLitres;
            QVERIFY(delta > 0 ? vb > before : vb < before);
            QCOMPARE(mw->Field("vb")->RealValue(), vb);
            const TModelSetup& s = mw->Setup();
            const double fc = s.FsHz * std::sqrt(1 + s.VasLitres / vb);
            QVERIFY2(std::abs(mw->Preview().Enclosure.Fb - fc) < 1e-9 * fc, qPrintable(QString::number(fc)));
        }
        // The box does not touch the baffle: its factor was kept.
        QCOMPARE(mw->BaffleSolves(), baffleSolves);
    }

    void parameterFilesFillTheFields_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("name value unit") << "Woofer W200\r\nRe 6.1 ohm\r\nLe 0.9 mH\r\nFs 31 Hz\r\nQms 4.1\r\n"
                                            "Qes 0.39\r\nQts 0.355\r\nVas 55 l\r\nSd 220 cm2\r\nXmax 6.5 mm\r\n";
        QTest::newRow("name=value") << "[W200]\nRE=6.1\nLE=0.9\nFS=31\nQMS=4.1\nQES=0.39\nVAS=0.055 m^3\n"
                                       "SD=0.022 m^2\nXMAX=6.5\nBL=8.1\n";
    }
    void parameterFilesFillTheFields() {
        QFETCH(QString, text);
        TModelDriverWindow* mw = Open();
        const std::string path = WriteFile("W200.tsp", text.toStdString());
        mw->ChooseParameterFile = [&](const QString&) { return QString::fromStdString(path); };
        QTest::mouseClick(mw->findChild<QPushButton*>("loadParameters"), Qt::LeftButton);
        const struct {
            const char* Key;
            double Value;
        } expected[] = {{"re", 6.1},   {"le", 0.9}, {"fs", 31},  {"qms", 4.1},
                        {"qes", 0.39}, {"vas", 55}, {"sd", 220}, {"xmax", 6.5}};
        for (const auto& e : expected)
            QVERIFY2(std::abs(mw->Field(e.Key)->RealValue() - e.Value) < 1e-9 * e.Value, e.Key);
        QCOMPARE(mw->Setup().FsHz, 31.0);
        QVERIFY(sink_.Messages.empty());
        QCOMPARE(Design().Settings.Real("model.fs", 0), 31.0);
    }

    void aBadParameterFileIsRefusedNamingFileAndLine() {
        TModelDriverWindow* mw = Open();
        const TModelSetup before = mw->Setup();
        const std::string path = WriteFile("bad.tsp", "Re 6.1 ohm\nFs 31 Hz\nVas 55 gallons\n");
        QVERIFY(!mw->LoadParameters(QString::fromStdString(path)));
        QCOMPARE(sink_.Messages.size(), std::size_t(1));
        const std::string& m = sink_.Messages[0];
        QVERIFY2(m.find(path + ", line 3") != std::string::npos, m.c_str());
        QVERIFY(mw->StatusText().contains("line 3"));
        QCOMPARE(mw->Setup(), before);  // nothing of the file was taken
    }

    void applyGivesTheDriverTheModelAsOneUndoStep() {
        TModelDriverWindow* mw = Open();
        mw->findChild<QComboBox*>("boxKind")->setCurrentIndex(int(EnclosureKind::Vented));
        mw->findChild<QComboBox*>("baffleKind")->setCurrentIndex(int(ModelBaffleKind::Rectangle));
        Set(*mw, "y", -60);
        auto* choice = mw->findChild<QComboBox*>("driverChoice");
        QCOMPARE(choice->count(), 2);
        choice->setCurrentIndex(0);
        auto* apply = mw->findChild<QPushButton*>("apply");
        QCOMPARE(apply->text(), QString("Apply to S1"));
        const std::string oldFrd = Design().Drivers[0]->Acoustic.FRDFile;
        const auto depth = w_->Session().History().UndoDepth();

        QTest::mouseClick(apply, Qt::LeftButton);
        QVERIFY2(sink_.Messages.empty(), sink_.Messages.empty() ? "" : sink_.Messages[0].c_str());
        QCOMPARE(w_->Session().History().UndoDepth(), depth + 1);
        const std::string folder = SupportFolderFor(Design().FileName);
        const TDriver& drv = *Design().Drivers[0];
        QCOMPARE(drv.Acoustic.FRDFile, folder + "S1-model.frd");
        QCOMPARE(drv.ZMAFile, folder + "S1-model.zma");
        QCOMPARE(drv.Acoustic.AcousticFile, folder + "S1-model-baffle.frd");
        for (const char* f : {"S1-model@h10.frd", "S1-model@h90.frd", "S1-model@v50.frd"})
            QVERIFY2(std::filesystem::exists(folder + f), f);
        QVERIFY(mw->StatusText().startsWith("Applied to S1"));

        // The driver's data are the model's on the analysis grid.
        const TModelSetup& s = mw->Setup();
        const TDriverModelData model = EvaluateEnclosure(ModelDriverParams(s), ModelEnclosure(s), Design().Grid);
        for (std::size_t k = 0; k < Design().Grid.size(); k += 49) {
            QVERIFY(std::abs(LevelDb(drv.Acoustic.Response, k) - model.SplDb[k]) < 2e-3);
            const double ohms = 1 / std::abs(std::complex(drv.Admittance.Re[k], drv.Admittance.Im[k]));
            QVERIFY(std::abs(ohms - model.Ohms[k]) < 1e-3 * model.Ohms[k]);
        }

        // A save embeds the files with the driver, off-axis set and acoustic effect too.
        MenuAction(*w_, "File", "Save")->trigger();
        std::ifstream saved(Design().FileName, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
        for (const char* embedded : {"S1-model.zma", "S1-model@v90.frd", "S1-model-baffle.frd //ACOUstic"})
            QVERIFY2(text.find(embedded) != std::string::npos, embedded);

        // One Ctrl+Z in the main window takes all of it back.
        QTest::keyClick(w_->View().Panel(), Qt::Key_Z, Qt::ControlModifier);
        // (The design read back from the undo history has its files in a folder of its own.)
        QCOMPARE(std::filesystem::path(Design().Drivers[0]->Acoustic.FRDFile).filename(),
                 std::filesystem::path(oldFrd).filename());
        QVERIFY(Design().Drivers[0]->Acoustic.AcousticFile.empty());
        // The window's fields are not part of the step: they stay, and so
        // do the design's settings of them.
        QCOMPARE(mw->Setup().Box, EnclosureKind::Vented);
        QCOMPARE(mw->Setup().YMm, -60.0);
        QCOMPARE(Design().Settings.Text("model.box", ""), std::string("vented"));
    }

    void settingsTravelWithTheDesign() {
        TModelDriverWindow* mw = Open();
        mw->findChild<QComboBox*>("boxKind")->setCurrentIndex(int(EnclosureKind::PassiveRadiator));
        mw->findChild<QComboBox*>("baffleKind")->setCurrentIndex(int(ModelBaffleKind::Circle));
        Set(*mw, "mmp", 55);
        Set(*mw, "diameter", 320);
        Set(*mw, "power", 10);
        const TModelSetup kept = mw->Setup();
        QVERIFY(Design().Modified);
        const std::string path = Design().FileName;
        MenuAction(*w_, "File", "Save")->trigger();
        QVERIFY(!Design().Modified);

        mw->close();
        w_.reset();
        w_ = std::make_unique<TMainWindow>();
        w_->SetMessageSink(&sink_);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        w_->ChooseOpenFile = [path](const std::string&, const std::string&) { return path; };
        MenuAction(*w_, "File", "Open")->trigger();
        QCOMPARE(Design().FileName, path);
        TModelDriverWindow* again = Open();
        QCOMPARE(again->Setup(), kept);
        QCOMPARE(again->Field("mmp")->RealValue(), 55.0);
        QCOMPARE(again->findChild<QComboBox*>("boxKind")->currentIndex(), int(EnclosureKind::PassiveRadiator));
    }
};

QTEST_MAIN(TestModelWindow)
#include "tst_modelwindow.moc"
