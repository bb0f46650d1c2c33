#pragma once

// Helpers shared by the GUI test programs.

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QtTest>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/ToolBar.h"
#include "base/MessageSink.h"
#include "model/Design.h"
#include "sheet/EditorController.h"
#include "sheet/SheetView.h"
#include "sheet/SheetWidgets.h"

namespace pelmo::guitest {

// The item of a main-window menu by the menu's and the item's captions ("&"
// in the menu's caption ignored); null when there is none.
inline QAction* MenuAction(TMainWindow& w, const QString& menu, const QString& item) {
    for (QAction* top : w.menuBar()->actions()) {
        if (top->text().remove('&') != menu || !top->menu()) continue;
        for (QAction* a : top->menu()->actions())
            if (a->text() == item) return a;
    }
    return nullptr;
}

// A copy of a shipped example (say "TwoWay.bkt") in folder, opened through
// File > Open as a user opens a design.
inline void OpenExampleCopy(TMainWindow& w, const QString& folder, const std::string& example) {
    const std::string design = (folder + "/").toStdString() + example;
    std::filesystem::copy_file(std::string(PELMO_SOURCE_DIR) + "/examples/" + example, design,
                               std::filesystem::copy_options::overwrite_existing);
    w.ChooseOpenFile = [design](const std::string&, const std::string&) { return design; };
    MenuAction(w, "File", "Open")->trigger();
}

// Records messages and answers questions from a script (No when it runs out).
class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    Answer Ask(const std::string& question, bool withCancel) override {
        Questions.push_back(question);
        WithCancel.push_back(withCancel);
        if (Answers.empty()) return Answer::No;
        const Answer a = Answers.front();
        Answers.erase(Answers.begin());
        return a;
    }
    std::vector<std::string> Messages, Questions;
    std::vector<bool> WithCancel;
    std::vector<Answer> Answers;
};

// A three-way crossover: woofer low-pass, mid band-pass, tweeter high-pass,
// with every indicator the sheet can show somewhere in it.
inline void BuildThreeWay(TDesign& d) {
    auto wire = [&](TPoint a, TPoint b) { AddWire(d, a, b); };
    // Rails from the source (terminals (121,62) and (121,66)).
    wire({121, 62}, {130, 62});
    AddGround(d, {121, 66});
    // Woofer: series L1, shunt C1.
    AddPart(d, TPartType::Inductor, {133, 62}, true).Value = 1.5e-3;
    wire({136, 62}, {145, 62});
    AddPart(d, TPartType::Capacitor, {140, 66}, false).Value = 22e-6;
    wire({140, 62}, {140, 63});
    AddGround(d, {140, 69});
    TDriver& woofer = AddDriver(d, {146, 63});
    woofer.Name = "woofer";
    woofer.Acoustic.FRDFile = "/x/woofer.frd";
    woofer.ZMAFile = "/x/woofer.zma";
    woofer.PartNumber = "W18E001";
    AddGround(d, {145, 64});
    // Mid: series C2 and L2, a vertical shunt resistor that is open.
    wire({125, 62}, {125, 80});
    AddPart(d, TPartType::Capacitor, {128, 80}, true).Value = 4.7e-7;
    AddPart(d, TPartType::Inductor, {134, 80}, true).Value = 0.56e-3;
    wire({137, 80}, {152, 80});
    TPart& shunt = AddPart(d, TPartType::Resistor, {146, 87}, false);
    shunt.Value = 999.96;
    wire({146, 80}, {146, 84});
    AddGround(d, {146, 90});
    TDriver& mid = AddDriver(d, {153, 81});
    mid.Name = "mid";
    mid.Acoustic.FRDFile = "/x/mid.frd";  // no impedance file: the exclamation mark
    mid.Inverted = true;
    mid.Gain = 1.0002;
    AddGround(d, {152, 82});
    // Tweeter: series C3 and R1 (shorted), shunt L3 (vertical), a muted
    // tweeter with derived phase and acoustic data.
    wire({125, 62}, {125, 45});
    AddPart(d, TPartType::Capacitor, {128, 45}, true).Value = 3.3e-6;
    TPart& r1 = AddPart(d, TPartType::Resistor, {134, 45}, true);
    r1.Value = 4700;
    wire({137, 45}, {142, 45});
    AddPart(d, TPartType::Inductor, {140, 49}, false).Value = 0.33e-3;
    AddGround(d, {140, 52});
    TDriver& tweeter = AddDriver(d, {143, 46});
    tweeter.Name = "tweeter";
    tweeter.Acoustic.FRDFile = "/x/tweeter.frd";
    tweeter.ZMAFile = "/x/tweeter.zma";
    tweeter.Acoustic.HilbertPhase = true;
    tweeter.Acoustic.UseAcousticModel = true;
    tweeter.Muted = true;
    AddGround(d, {142, 47});
    TPart& rs = AddPart(d, TPartType::Resistor, {110, 80}, true);
    rs.Value = 2.2;
    rs.State = TPartState::Shorted;
    TPart& co = AddPart(d, TPartType::Capacitor, {110, 90}, true);
    co.State = TPartState::Open;
    AddPart(d, TPartType::Resistor, {100, 85}, false).State = TPartState::Open;
    AddText(d, {132, 37}, "3-way crossover");
    // A circuit block: a notch of R and C in series.
    AppendBlock(d);
    AddPart(d, TPartType::Resistor, {100, 50}, true).Subckt = 0;
    AddPart(d, TPartType::Capacitor, {106, 50}, true).Subckt = 0;
    AddWire(d, {109, 50}, {109, 54}).Subckt = 0;
    RebuildBlockMembers(d);
}

// The sheet as the window draws it on screen, for the given pixel area.
inline QImage RenderSheet(TMainWindow& w, const QRect& area) {
    QImage img(area.size(), QImage::Format_RGB32);
    QPainter p(&img);
    p.translate(-area.topLeft());
    w.View().PaintSheet(p, area, false);
    return img;
}

inline bool IsBlack(const QImage& img, QPoint p) { return img.pixel(p) == qRgb(0, 0, 0); }

// Chooses the menu item with the given text (and records that the menu was
// offered); nullptr when the menu has no visible item of that text.
inline std::function<QAction*(QMenu*)> Choose(const QString& text, QStringList* offered = nullptr) {
    return [text, offered](QMenu* menu) -> QAction* {
        QAction* found = nullptr;
        for (QAction* a : menu->actions()) {
            if (!a->isVisible() || a->isSeparator()) continue;
            if (offered) *offered << a->text();
            if (a->text() == text && !found) found = a;
        }
        return found;
    };
}

// Pixel centre of a grid point on the sheet widget.
inline QPoint Px(TMainWindow& w, TPoint g) { return {g.X * w.View().Scale(), g.Y * w.View().Scale()}; }

}  // namespace pelmo::guitest
