#pragma once

#include <QAudioFormat>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "audio/AudioFile.h"
#include "audio/ListenFilter.h"
#include "tools/ListenFilterBuilder.h"

class QAudioSink;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace pelmo {

class TSession;
class TListenDevice;
class TListenMixer;

// The "Listen" window: a recording played through the design's summed
// response, switched against the recording as it is (bypass) at the same
// loudness. After every solve the filter is built again off the window's
// thread and taken into the playing sound with a short fade.
class TListenWindow : public QWidget {
    Q_OBJECT
public:
    TListenWindow(TSession& session, QWidget* parent = nullptr);
    ~TListenWindow() override;

    // Replaces the file dialog (tests): the chosen path, "" to cancel.
    std::function<QString()> ChooseAudioFile;

    // Opens a recording; a failure shows its reason in the status line.
    bool OpenAudioFile(const QString& path);
    const QString& AudioFile() const { return path_; }

    // The player's parts, for tests: null until a recording is open.
    TListenMixer* Mixer() const { return mixer_.get(); }
    TListenDevice* Device() const { return device_; }
    bool Playing() const;
    // Filters taken into the player so far.
    int FiltersTaken() const { return taken_; }
    QString StatusText() const;
    QPushButton* PlayButton() const { return playButton_; }
    QPushButton* CloseButton() const { return closeButton_; }
    QString FilterText() const;

public slots:
    // Connected to the main window's "solved" signal: the design changed.
    void DesignSolved();
    void ShowAndRaise();
    void Play();
    void Stop();

signals:
    // A rebuilt filter went into the player.
    void FilterTaken();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window, as its "Close" button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void ChooseClick();
    void RequestFilter();
    void FilterBuilt(const TListenFilterBuilder::Result& result);
    void ShowStatus(const QString& text, bool problem);
    void UpdateControls();
    void UpdatePosition();
    void UpdateLevelLabel();

    TSession& session_;
    TListenFilterBuilder builder_;
    std::optional<TListenResponse> response_;
    QString responseError_;

    QString path_;
    TAudioInfo info_;
    std::unique_ptr<TListenMixer> mixer_;
    TListenDevice* device_ = nullptr;
    QPointer<QAudioSink> sink_;
    QTimer positionTimer_;
    int requested_ = 0;  // filters asked for
    int applied_ = 0;    // the newest request whose filter plays
    int taken_ = 0;

    QLabel* fileLabel_ = nullptr;
    QLabel* infoLabel_ = nullptr;
    QPushButton* chooseButton_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QCheckBox* loopBox_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    QRadioButton* designButton_ = nullptr;
    QRadioButton* bypassButton_ = nullptr;
    QCheckBox* keepDelayBox_ = nullptr;
    QSlider* levelSlider_ = nullptr;
    QLabel* levelLabel_ = nullptr;
    QLabel* filterLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace pelmo
