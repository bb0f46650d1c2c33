#include "tools/ListenWindow.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <cmath>

#include "audio/ListenMixer.h"
#include "base/Conversions.h"
#include "document/Session.h"
#include "tools/ListenDevice.h"
#include "widgets/WindowFit.h"

namespace pelmo {

namespace {

// The level control in half decibels.
constexpr int LevelSteps = 2;
constexpr int LowestLevelDb = -40;
constexpr int HighestLevelDb = 6;
// What the sink holds ahead of the speaker: with a block of the mixer and
// the filter's build, a tuned value is heard within about 100 ms.
constexpr qint64 SinkBufferMicroseconds = 50000;

const char* const NoDeviceText =
    "No audio output device was found: the recording cannot be played here. "
    "\"pelmo-cli listen\" writes it through the design into a file instead.";

QString Clock(double seconds) {
    const long tenths = std::lround(seconds * 10.0);
    return QString("%1:%2.%3").arg(tenths / 600).arg((tenths / 10) % 60, 2, 10, QChar('0')).arg(tenths % 10);
}

QString Number(double v, int decimals) { return QString::number(v, 'f', decimals); }

}  // namespace

TListenWindow::TListenWindow(TSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), builder_(this) {
    setObjectName("ListenWindow");
    setWindowTitle("Listen");
    ChooseAudioFile = [this] {
        return QFileDialog::getOpenFileName(this, "Choose a recording", QString(),
                                            "Audio files (*.wav *.flac *.ogg *.oga *.aiff *.aif *.mp3);;All files (*)");
    };
    BuildControls();
    connect(&builder_, &TListenFilterBuilder::Built, this, &TListenWindow::FilterBuilt);
    positionTimer_.setInterval(100);
    connect(&positionTimer_, &QTimer::timeout, this, &TListenWindow::UpdatePosition);
    UpdateControls();
    UpdateLevelLabel();
    filterLabel_->setText("Choose a recording to hear it through the design.");
    // The filter's and the player's lines wrap and grow; the rows above
    // them keep their room.
    KeepTallEnoughForTexts(*this);
}

TListenWindow::~TListenWindow() {
    if (sink_) sink_->stop();
    delete sink_;
}

void TListenWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel("Recording:"));
    fileLabel_ = new QLabel("(none)");
    fileLabel_->setObjectName("fileLabel");
    fileLabel_->setMinimumWidth(260);
    fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileRow->addWidget(fileLabel_, 1);
    chooseButton_ = new QPushButton("&Choose...");
    chooseButton_->setObjectName("chooseButton");
    fileRow->addWidget(chooseButton_);
    layout->addLayout(fileRow);
    infoLabel_ = new QLabel;
    infoLabel_->setObjectName("infoLabel");
    infoLabel_->setEnabled(false);  // drawn greyed: a detail
    layout->addWidget(infoLabel_);

    auto* transport = new QHBoxLayout;
    playButton_ = new QPushButton("&Play");
    playButton_->setObjectName("playButton");
    stopButton_ = new QPushButton("&Stop");
    stopButton_->setObjectName("stopButton");
    loopBox_ = new QCheckBox("&Loop");
    loopBox_->setObjectName("loopBox");
    positionLabel_ = new QLabel;
    positionLabel_->setObjectName("positionLabel");
    transport->addWidget(playButton_);
    transport->addWidget(stopButton_);
    transport->addWidget(loopBox_);
    transport->addStretch(1);
    transport->addWidget(positionLabel_);
    layout->addLayout(transport);

    auto* hear = new QGroupBox("Hear");
    auto* hearLayout = new QVBoxLayout(hear);
    designButton_ = new QRadioButton("Through the &design");
    designButton_->setObjectName("designButton");
    bypassButton_ = new QRadioButton("&Bypass: the recording as it is, at the same loudness");
    bypassButton_->setObjectName("bypassButton");
    designButton_->setChecked(true);
    auto* group = new QButtonGroup(hear);
    group->addButton(designButton_);
    group->addButton(bypassButton_);
    keepDelayBox_ = new QCheckBox("&Keep the design's delay (otherwise its main arrival lines up with the recording)");
    keepDelayBox_->setObjectName("keepDelayBox");
    hearLayout->addWidget(designButton_);
    hearLayout->addWidget(bypassButton_);
    hearLayout->addWidget(keepDelayBox_);
    layout->addWidget(hear);

    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(new QLabel("Level:"));
    levelSlider_ = new QSlider(Qt::Horizontal);
    levelSlider_->setObjectName("levelSlider");
    levelSlider_->setRange(LowestLevelDb * LevelSteps, HighestLevelDb * LevelSteps);
    levelSlider_->setValue(0);
    levelSlider_->setPageStep(6 * LevelSteps);
    levelSlider_->setTickInterval(6 * LevelSteps);
    levelSlider_->setTickPosition(QSlider::TicksBelow);
    levelRow->addWidget(levelSlider_, 1);
    levelLabel_ = new QLabel;
    levelLabel_->setObjectName("levelLabel");
    levelLabel_->setMinimumWidth(QFontMetrics(levelLabel_->font()).horizontalAdvance("-40.0 dB") + 4);
    levelLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    levelRow->addWidget(levelLabel_);
    layout->addLayout(levelRow);

    filterLabel_ = new QLabel;
    filterLabel_->setObjectName("filterLabel");
    filterLabel_->setWordWrap(true);
    layout->addWidget(filterLabel_);
    statusLabel_ = new QLabel;
    statusLabel_->setObjectName("statusLabel");
    statusLabel_->setWordWrap(true);
    layout->addWidget(statusLabel_);
    layout->addStretch(1);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeButton_ = new QPushButton("Close");
    closeButton_->setObjectName("closeButton");
    closeRow->addWidget(closeButton_);
    layout->addLayout(closeRow);

    connect(chooseButton_, &QPushButton::clicked, this, &TListenWindow::ChooseClick);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
    connect(playButton_, &QPushButton::clicked, this, &TListenWindow::Play);
    connect(stopButton_, &QPushButton::clicked, this, &TListenWindow::Stop);
    connect(loopBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (mixer_) mixer_->SetLoop(on);
    });
    connect(bypassButton_, &QRadioButton::toggled, this, [this](bool on) {
        if (mixer_) mixer_->SetBypass(on);
    });
    connect(keepDelayBox_, &QCheckBox::toggled, this, [this] { RequestFilter(); });
    connect(levelSlider_, &QSlider::valueChanged, this, [this](int v) {
        if (mixer_) mixer_->SetLevelDb(static_cast<double>(v) / LevelSteps);
        UpdateLevelLabel();
    });
}

void TListenWindow::UpdateLevelLabel() {
    levelLabel_->setText(Number(static_cast<double>(levelSlider_->value()) / LevelSteps, 1) + " dB");
}

void TListenWindow::ShowAndRaise() {
    show();
    raise();
    activateWindow();
}

void TListenWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Solves while the window was hidden built nothing.
    DesignSolved();
    if (QMediaDevices::defaultAudioOutput().isNull()) ShowStatus(NoDeviceText, true);
}

void TListenWindow::closeEvent(QCloseEvent* event) {
    Stop();
    QWidget::closeEvent(event);
}

void TListenWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString TListenWindow::StatusText() const { return statusLabel_->text(); }
QString TListenWindow::FilterText() const { return filterLabel_->text(); }

void TListenWindow::ShowStatus(const QString& text, bool problem) {
    statusLabel_->setText(text);
    statusLabel_->setStyleSheet(problem ? "color: #b00020;" : "");
}

bool TListenWindow::Playing() const { return sink_ && sink_->state() != QAudio::StoppedState; }

void TListenWindow::UpdateControls() {
    const bool open = mixer_ != nullptr;
    // Without a device there is nothing to play on; the status line says so.
    const bool device = !QMediaDevices::defaultAudioOutput().isNull();
    playButton_->setEnabled(open && device && !Playing());
    stopButton_->setEnabled(Playing());
}

void TListenWindow::UpdatePosition() {
    if (!mixer_) {
        positionLabel_->clear();
        return;
    }
    const double rate = mixer_->SampleRate();
    positionLabel_->setText(Clock(static_cast<double>(mixer_->Position()) / rate) + " / " + Clock(info_.Seconds()));
    if (mixer_->ClippedSamples() > 0 && Playing())
        ShowStatus("The sound goes beyond full scale and is clipped: turn the level down.", true);
}

void TListenWindow::ChooseClick() {
    const QString path = ChooseAudioFile ? ChooseAudioFile() : QString();
    if (!path.isEmpty()) OpenAudioFile(path);
}

bool TListenWindow::OpenAudioFile(const QString& path) {
    Stop();
    auto source = std::make_unique<TFileSource>();
    std::string error;
    if (!source->Open(path.toStdString(), error)) {
        ShowStatus(QString::fromStdString(error), true);
        return false;
    }
    delete device_;
    device_ = nullptr;
    mixer_.reset();
    path_ = path;
    info_ = source->Info();
    fileLabel_->setText(QFileInfo(path).fileName());
    fileLabel_->setToolTip(path);
    infoLabel_->setText(QString::fromStdString(info_.Describe()));
    mixer_ = std::make_unique<TListenMixer>(std::move(source));
    mixer_->SetBypass(bypassButton_->isChecked());
    mixer_->SetLoop(loopBox_->isChecked());
    mixer_->SetLevelDb(static_cast<double>(levelSlider_->value()) / LevelSteps);
    mixer_->Restart();
    device_ = new TListenDevice(*mixer_, QAudioFormat::Float, this);
    device_->open(QIODevice::ReadOnly);
    connect(device_, &TListenDevice::Finished, this, [this] {
        if (!loopBox_->isChecked()) Stop();
    });
    applied_ = 0;
    const bool noDevice = QMediaDevices::defaultAudioOutput().isNull();
    ShowStatus(noDevice ? NoDeviceText : "", noDevice);
    UpdatePosition();
    UpdateControls();
    RequestFilter();
    return true;
}

void TListenWindow::DesignSolved() {
    if (!isVisible() && !Playing()) return;
    TListenResponse r;
    std::string error;
    if (SystemResponse(session_.Design(), session_.GraphSolve().Result, r, error)) {
        response_ = std::move(r);
        responseError_.clear();
    } else {
        response_.reset();
        responseError_ = QString::fromStdString(error);
    }
    RequestFilter();
}

void TListenWindow::RequestFilter() {
    if (!mixer_) return;
    if (!response_) {
        mixer_->SetFilter({});
        applied_ = ++requested_;
        filterLabel_->setText(responseError_.isEmpty() ? "The design has not been solved yet." : responseError_);
        return;
    }
    TListenFilterBuilder::Request request;
    request.Response = *response_;
    request.SampleRate = mixer_->SampleRate();
    request.KeepDelay = keepDelayBox_->isChecked();
    request.Generation = ++requested_;
    if (taken_ == 0) filterLabel_->setText("Building the filter...");
    builder_.Build(std::move(request));
}

void TListenWindow::FilterBuilt(const TListenFilterBuilder::Result& result) {
    // A result older than what plays, or for another recording, is dropped.
    if (!mixer_ || result.Generation <= applied_) return;
    if (!result.Ok) {
        mixer_->SetFilter({});
        applied_ = result.Generation;
        filterLabel_->setText(result.Error);
        return;
    }
    if (!mixer_->SetFilter(result.Mixer)) return;
    applied_ = result.Generation;
    ++taken_;
    const TListenFilter& f = result.Filter;
    QString text = QString(
                       "Filter: %1 taps (%2 s) at %3 kHz, built in %4 ms. The pass band (%5 dB) plays at the "
                       "recording's level; ")
                       .arg(result.Taps)
                       .arg(Number(static_cast<double>(result.Taps) / f.SampleRate, 2))
                       .arg(f.SampleRate / 1000.0)
                       .arg(Number(result.Milliseconds, 0))
                       .arg(Number(LinToDb(f.ReferenceLevel), 1));
    if (keepDelayBox_->isChecked())
        text += QString("the design's delay is kept (main arrival at %1 ms).").arg(Number(f.Arrival * 1000, 2));
    else
        text += QString("its delay of %1 ms is taken out.").arg(Number(f.RemovedDelay * 1000, 2));
    filterLabel_->setText(text);
    emit FilterTaken();
}

void TListenWindow::Play() {
    if (!mixer_) {
        ShowStatus("Choose a recording first.", true);
        return;
    }
    if (Playing()) return;
    const QAudioDevice out = QMediaDevices::defaultAudioOutput();
    if (out.isNull()) {
        ShowStatus(NoDeviceText, true);
        return;
    }
    QAudioFormat format;
    format.setSampleRate(mixer_->SampleRate());
    format.setChannelCount(mixer_->Channels());
    format.setSampleFormat(QAudioFormat::Float);
    if (!out.isFormatSupported(format)) format.setSampleFormat(QAudioFormat::Int16);
    if (!out.isFormatSupported(format)) {
        ShowStatus(QString("The audio device \"%1\" does not play %2 Hz with %3 channels.")
                       .arg(out.description())
                       .arg(mixer_->SampleRate())
                       .arg(mixer_->Channels()),
                   true);
        return;
    }
    delete sink_;
    sink_ = new QAudioSink(out, format, this);
    sink_->setBufferSize(static_cast<qsizetype>(format.bytesForDuration(SinkBufferMicroseconds)));
    connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError &&
            sink_->error() != QAudio::UnderrunError) {
            ShowStatus(QString("The audio device stopped playing (error %1).").arg(sink_->error()), true);
            Stop();
        }
        UpdateControls();
    });
    device_->SetSampleFormat(format.sampleFormat());
    mixer_->Restart();
    device_->Rewound();
    ShowStatus(QString("Playing on %1.").arg(out.description()), false);
    sink_->start(device_);
    positionTimer_.start();
    UpdateControls();
}

void TListenWindow::Stop() {
    if (sink_) {
        sink_->stop();
        sink_->deleteLater();
        sink_ = nullptr;
        ShowStatus("", false);
    }
    positionTimer_.stop();
    if (mixer_) mixer_->Restart();
    if (device_) device_->Rewound();
    UpdatePosition();
    UpdateControls();
}

}  // namespace pelmo
