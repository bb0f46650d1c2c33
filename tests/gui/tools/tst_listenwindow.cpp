// Tools > Listen: the window opens from the main window, says so when there
// is no audio device, and its device gives the recording itself (bypass) or
// the recording through the design, taking a rebuilt filter after every
// solve; a recording it cannot read is refused with the reason.
#include <sndfile.h>

#include <QAudioDevice>
#include <QCheckBox>
#include <QLabel>
#include <QMediaDevices>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <filesystem>

#include "../GuiTestSupport.h"
#include "audio/AudioFile.h"
#include "audio/FilterFile.h"
#include "audio/ListenMixer.h"
#include "tools/ListenDevice.h"
#include "tools/ListenWindow.h"

using namespace pelmo;
using namespace pelmo::guitest;

namespace {

constexpr int Rate = 48000;
constexpr std::size_t Frames = 48000;

// A 16-bit stereo recording: a chord on the left, a sweep on the right.
std::vector<double> WriteRecording(const std::string& path) {
    std::vector<double> s(2 * Frames);
    for (std::size_t i = 0; i < Frames; ++i) {
        const double t = static_cast<double>(i) / Rate;
        s[2 * i] = std::round(32768 * 0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 2750 * t))) / 32768;
        s[2 * i + 1] = std::round(32768 * 0.3 * std::sin(2 * M_PI * (100 + 4000 * t) * t)) / 32768;
    }
    TAudioWriter w;
    std::string error;
    if (!w.Create(path, Rate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, error) || !w.Write(s.data(), Frames, error) ||
        !w.Close(error))
        qWarning("%s", error.c_str());
    return s;
}

// `frames` stereo frames from the device, as a sink would pull them.
std::vector<float> Pull(TListenDevice& d, std::size_t frames) {
    std::vector<float> out;
    while (out.size() < 2 * frames) {
        const QByteArray bytes = d.read(static_cast<qint64>(std::min<std::size_t>(2 * frames - out.size(), 1000)) * 8);
        if (bytes.isEmpty()) break;
        const auto* f = reinterpret_cast<const float*>(bytes.constData());
        out.insert(out.end(), f, f + bytes.size() / 4);
    }
    return out;
}

}  // namespace

class TestListenWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TMainWindow> w_;
    RecordingSink sink_;
    QTemporaryDir dir_;
    std::string recording_;
    std::vector<double> samples_;

    TListenWindow* Open() {
        QAction* listen = MenuAction(*w_, "Tools", "Listen…");
        if (!listen) return nullptr;
        listen->trigger();
        auto* lw = w_->findChild<TListenWindow*>();
        if (lw) lw->ChooseAudioFile = [this] { return QString::fromStdString(recording_); };
        return lw;
    }
    // The filter the window should have built for the design as it is now.
    TListenFilter Expected(bool keepDelay = false) {
        TListenResponse r;
        std::string error;
        TListenFilter f;
        if (!SystemResponse(w_->Session().Design(), w_->Session().GraphSolve().Result, r, error) ||
            !BuildListenFilter(r, TListenMixer::FilterOptions(Rate, keepDelay), f, error))
            qWarning("%s", error.c_str());
        return f;
    }

private slots:
    void init() {
        w_ = std::make_unique<TMainWindow>();
        w_->SetMessageSink(&sink_);
        w_->OpenDefaultGraphs = [](bool) {};
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        OpenExampleCopy(*w_, dir_.path(), "TwoWay.bkt");
        QCOMPARE(w_->Session().Design().Drivers.size(), std::size_t(2));
        recording_ = (dir_.path() + "/chord.wav").toStdString();
        samples_ = WriteRecording(recording_);
    }
    void cleanup() {
        w_->Session().Design().Modified = false;
        w_.reset();
    }

    void opensFromTheToolsMenuOnce() {
        TListenWindow* lw = Open();
        QVERIFY(lw);
        QVERIFY(lw->isVisible());
        QVERIFY(!lw->findChild<QPushButton*>("playButton")->isEnabled());
        QCOMPARE(Open(), lw);  // the same window again
        QCOMPARE(w_->findChildren<TListenWindow*>().size(), 1);
    }

    void withoutAnAudioDevicePlaySaysSo() {
        if (!QMediaDevices::defaultAudioOutput().isNull()) QSKIP("this machine has an audio output");
        TListenWindow* lw = Open();
        QTest::mouseClick(lw->findChild<QPushButton*>("chooseButton"), Qt::LeftButton);
        QCOMPARE(lw->AudioFile(), QString::fromStdString(recording_));
        // Nothing to play on: Play is off, and the status line says why.
        QVERIFY(!lw->PlayButton()->isEnabled());
        lw->Play();
        QVERIFY(!lw->Playing());
        QVERIFY2(lw->StatusText().startsWith("No audio output device was found"), qPrintable(lw->StatusText()));
        QVERIFY(sink_.Messages.empty());  // no box in the way
    }

    void bypassIsTheRecordingAndDesignIsItThroughTheFilter() {
        TListenWindow* lw = Open();
        QVERIFY(lw->OpenAudioFile(QString::fromStdString(recording_)));
        QTRY_COMPARE(lw->FiltersTaken(), 1);
        QVERIFY2(lw->FilterText().contains("taps") && lw->FilterText().contains("taken out"),
                 qPrintable(lw->FilterText()));
        const std::size_t latency = lw->Mixer()->Latency();

        // Through the design (the first block fades the new filter in).
        const TListenFilter filter = Expected();
        const std::vector<double> want = FilterSamples(&filter, 2, samples_);
        std::vector<float> out = Pull(*lw->Device(), 20000);
        for (std::size_t i = 2 * (latency + 2 * TListenMixer::Block); i < out.size(); ++i)
            QVERIFY2(std::fabs(out[i] - want[i - 2 * latency]) < 1e-5, qPrintable(QString::number(i)));

        // Bypass: after the fade, the recording's very samples.
        QTest::mouseClick(lw->findChild<QRadioButton*>("bypassButton"), Qt::LeftButton);
        QVERIFY(lw->Mixer()->Bypass());
        out = Pull(*lw->Device(), 20000);
        for (std::size_t i = 2 * (2 * TListenMixer::Block); i < out.size(); ++i)
            QCOMPARE(out[i], static_cast<float>(samples_[i + 2 * 20000 - 2 * latency]));

        // The level control scales both.
        lw->findChild<QSlider*>("levelSlider")->setValue(-40);  // -20 dB
        QCOMPARE(lw->findChild<QLabel*>("levelLabel")->text(), QString("-20.0 dB"));
        out = Pull(*lw->Device(), 5000);
        for (std::size_t i = 2 * (2 * TListenMixer::Block); i < out.size(); ++i)
            QVERIFY(std::fabs(out[i] - 0.1 * samples_[i + 2 * 40000 - 2 * latency]) < 1e-6);
    }

    void everySolveRebuildsTheFilterThatPlays() {
        TListenWindow* lw = Open();
        QVERIFY(lw->OpenAudioFile(QString::fromStdString(recording_)));
        QTRY_COMPARE(lw->FiltersTaken(), 1);
        const QString before = lw->FilterText();
        std::vector<float> out = Pull(*lw->Device(), 8000);

        // A tuned value: the crossover's first capacitor doubled.
        for (auto& p : w_->Session().Design().Parts)
            if (p->PartType == TPartType::Capacitor) {
                p->Value *= 2;
                break;
            }
        w_->Solve();
        QTRY_COMPARE(lw->FiltersTaken(), 2);
        QVERIFY(lw->FilterText() != before);
        const TListenFilter filter = Expected();
        const std::vector<double> want = FilterSamples(&filter, 2, samples_);
        const std::size_t latency = lw->Mixer()->Latency();
        const std::vector<float> more = Pull(*lw->Device(), 8000);
        // From the block after the change on, the new filter's sound.
        for (std::size_t i = 2 * 2 * TListenMixer::Block; i < more.size(); ++i)
            QVERIFY2(std::fabs(more[i] - want[i + 2 * 8000 - 2 * latency]) < 1e-5, qPrintable(QString::number(i)));

        // Keeping the delay is another filter too.
        QTest::mouseClick(lw->findChild<QCheckBox*>("keepDelayBox"), Qt::LeftButton);
        QTRY_COMPARE(lw->FiltersTaken(), 3);
        QVERIFY2(lw->FilterText().contains("delay is kept"), qPrintable(lw->FilterText()));
    }

    void loopsWhenAsked() {
        TListenWindow* lw = Open();
        QVERIFY(lw->OpenAudioFile(QString::fromStdString(recording_)));
        QTest::mouseClick(lw->findChild<QRadioButton*>("bypassButton"), Qt::LeftButton);
        QTest::mouseClick(lw->findChild<QCheckBox*>("loopBox"), Qt::LeftButton);
        const std::vector<float> out = Pull(*lw->Device(), 3 * Frames);
        QCOMPARE(out.size(), 6 * Frames);
        const std::size_t latency = lw->Mixer()->Latency();
        QCOMPARE(out[2 * (2 * Frames + latency) + 7], static_cast<float>(samples_[7]));
        // Without the loop it ends after the recording (and the filter's tail).
        QTest::mouseClick(lw->findChild<QCheckBox*>("loopBox"), Qt::LeftButton);
        const std::vector<float> rest = Pull(*lw->Device(), 3 * Frames);
        QVERIFY(rest.size() < 2 * 2 * Frames);
        QVERIFY(lw->Mixer()->Finished());
    }

    void aRecordingItCannotReadIsRefused() {
        TListenWindow* lw = Open();
        const QString bad = dir_.path() + "/notes.wav";
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("just text, not a recording\n");
        f.close();
        QVERIFY(!lw->OpenAudioFile(bad));
        QVERIFY2(lw->StatusText().contains("Cannot read the audio file"), qPrintable(lw->StatusText()));
        QVERIFY(!lw->Mixer());
        QVERIFY(!lw->findChild<QPushButton*>("playButton")->isEnabled());
        // A good one after it plays.
        QVERIFY(lw->OpenAudioFile(QString::fromStdString(recording_)));
        QCOMPARE(lw->PlayButton()->isEnabled(), !QMediaDevices::defaultAudioOutput().isNull());
    }

    // The window closes as the other tool windows do: its "Close" button
    // and Escape, also while a recording is open.
    void closesWithItsButtonOrEscape_data() {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("recording");
        QTest::newRow("Close") << false << false;
        QTest::newRow("Escape") << true << false;
        QTest::newRow("Escape with a recording") << true << true;
    }
    void closesWithItsButtonOrEscape() {
        QFETCH(bool, escape);
        QFETCH(bool, recording);
        TListenWindow* lw = Open();
        if (recording) QVERIFY(lw->OpenAudioFile(QString::fromStdString(recording_)));
        QVERIFY(lw->isVisible());
        if (escape)
            QTest::keyClick(lw, Qt::Key_Escape);
        else
            QTest::mouseClick(lw->CloseButton(), Qt::LeftButton);
        QVERIFY(!lw->isVisible());
        QVERIFY(!lw->Playing());
    }
};

QTEST_MAIN(TestListenWindow)
#include "tst_listenwindow.moc"
