#include "gui/app/HeadlessExport.h"

#include <QScrollArea>
#include <QWidget>
#include <cstdio>
#include <exception>

#include "base/MessageSink.h"
#include "document/DocumentFlow.h"
#include "document/Session.h"
#include "driverdata/FFT.h"
#include "graphs/GraphKinds.h"
#include "gui/app/SnapshotCommands.h"
#include "gui/graphs/GraphPicture.h"
#include "gui/graphs/GraphWindows.h"
#include "gui/graphs/Plot.h"
#include "gui/pictures/PictureFile.h"
#include "gui/sheet/SheetPicture.h"
#include "gui/sheet/SheetView.h"
#include "gui/widgets/QtTextMetrics.h"

namespace pelmo {

namespace {

// Messages go to stderr; questions get their default answer, No.
class TStderrSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "pelmo: %s\n", text.c_str()); }
    Answer Ask(const std::string& question, bool) override {
        std::fprintf(stderr, "pelmo: %s -> No\n", question.c_str());
        return Answer::No;
    }
};

void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
}

double SheetFactor(const std::string& size) {
    if (size == "large") return TSnapshotCommands::LargeFactor;
    if (size == "forum") return TSnapshotCommands::ForumPostFactor;
    return TSnapshotCommands::AsShownFactor;
}

TGraphPictureSize GraphSize(const std::string& size) {
    if (size == "large") return TGraphPictureSize::Large;
    if (size == "small") return TGraphPictureSize::Small;
    return TGraphPictureSize::AsShown;
}

TPictureResult ExportSheet(TSession& session, const TQtTextMetrics& metrics, const TCommandLine& line) {
    QWidget host;
    host.resize(HeadlessViewWidth, HeadlessViewHeight);
    TSheetView view(session, metrics, &host);
    view.ScrollBox()->setGeometry(0, 0, HeadlessViewWidth, HeadlessViewHeight);
    view.FitAll();
    return WritePictureFile(SheetPicture(view), QString::fromStdString(line.ExportPath), SheetFactor(line.ExportSize),
                            ScreenDpi());
}

TPictureResult ExportGraph(TSession& session, const TCommandLine& line) {
    TGraphWindows windows(session.Design(), session.Messages());
    TPlotForm* w = OpenExportGraph(windows, FindGraphKindName(line.GraphKind)->Kind);
    QCustomPlot& chart = *w->Graph();
    const TPicture picture = ChartPicture(chart, GraphPictureSize(GraphSize(line.ExportSize), chart));
    TPictureResult written = WritePictureFile(picture, QString::fromStdString(line.ExportPath), 1.0, ScreenDpi());
    windows.CloseAll();
    return written;
}

}  // namespace

TPlotForm* OpenExportGraph(TGraphWindows& windows, TGraphKind kind) {
    TPlotForm* w = windows.OpenGraph(kind);  // a kind with a System curve shows it at once
    if (!KindHasSystemCurve(kind)) {
        // The others show what reaches each driver.
        for (const TCurveSubject& subject : CurveMenuSubjects(kind, windows.Design()))
            if (subject.Kind == TSubjectKind::Driver) w->CurveItemClick(subject, true);
    }
    windows.SolveNow(true);
    return w;
}

void QuietQtMessages() { qInstallMessageHandler(QuietMessages); }

int RunHeadlessExport(const TCommandLine& line) {
    TStderrSink messages;
    TQtTextMetrics metrics;
    TSession session(messages);
    session.Design().Metrics = &metrics;
    // The minimum-phase and time responses read these tables.
    BuildSineTables();
    try {
        if (!OpenDesignFile(session.Design(), line.DesignPath, messages)) return 1;
        const TPictureResult written = line.Action == TCommandLine::TAction::ExportSheet
                                           ? ExportSheet(session, metrics, line)
                                           : ExportGraph(session, line);
        if (written.Ok) return 0;
        messages.ShowMessage(written.Message.toStdString());
    } catch (const std::exception& e) {
        // A failure no code handles (a circuit block's expression) ends the export.
        messages.ShowMessage(e.what());
    }
    return 1;
}

}  // namespace pelmo
