#include "document/DocumentFlow.h"

#include <filesystem>

#include "base/MessageSink.h"
#include "document/DataFolder.h"
#include "document/Document.h"
#include "document/RecentFiles.h"
#include "files/DesignFile.h"
#include "model/Design.h"

namespace pelmo {

bool MakeSupportFolder(const std::string& designPath, MessageSink& messages) {
    if (CreateFolderWithParents(SupportFolderFor(designPath))) return true;
    messages.ShowMessage(SupportFolderErrorText);
    return false;
}

bool ReadDesignFile(TDesign& d, const std::string& path, MessageSink& messages) {
    if (!ReadDesign(d, path, messages)) {
        messages.ShowMessage(FileOpenFailedText);
        return false;
    }
    d.Modified = false;
    d.FileName = path;
    return true;
}

bool OpenDesignFile(TDesign& d, const std::string& path, MessageSink& messages) {
    return MakeSupportFolder(path, messages) && ReadDesignFile(d, path, messages);
}

bool SaveDesignFile(TDesign& d, const std::string& path, MessageSink& messages) {
    if (!WriteDesign(d, path, messages)) {
        d.FileName.clear();
        messages.ShowMessage(FileSaveFailedText);
        return false;
    }
    d.FileName = path;
    d.Modified = false;
    return true;
}

TDocument::TDocument(TDesign& design, TMostRecentFiles& recent, MessageSink& messages, std::string dataFolder,
                     TDocumentHooks hooks)
    : d_(design), recent_(recent), messages_(messages), dataFolder_(std::move(dataFolder)), hooks_(std::move(hooks)) {
    OpenDialogFolder = ExamplesFolder();
}

std::string TDocument::ExamplesFolder() const { return dataFolder_ + ExamplesFolderName + "/"; }

std::string TDocument::Caption() const { return CaptionFor(d_.FileName); }

void TDocument::ShowCaption() {
    if (hooks_.CaptionChanged) hooks_.CaptionChanged(Caption());
}

bool TDocument::Open(TOpenKind kind, const std::string& givenPath) {
    if (!LeaveBlockDesigner()) return false;
    if (!OfferToSave()) return false;

    const std::string previousName = OpenDialogFileName;
    const bool restoreName = kind != TOpenKind::Dialog;
    auto finish = [&](bool result) {
        if (restoreName) OpenDialogFileName = previousName;
        return result;
    };

    std::string path;
    if (kind == TOpenKind::Recent && !givenPath.empty()) {
        OpenDialogFileName = givenPath;
        path = givenPath;
    } else {
        if (kind == TOpenKind::Examples) {
            OpenDialogFileName.clear();
            OpenDialogFolder = ExamplesFolder();
        }
        path = hooks_.ChooseOpenFile ? hooks_.ChooseOpenFile(OpenDialogFolder, OpenDialogFileName) : std::string();
        if (path.empty()) return finish(false);
        OpenDialogFileName = path;
        OpenDialogFolder = ExtractFilePath(path);
    }

    if (hooks_.EndEditing) hooks_.EndEditing();
    // A recent file that has gone away is reported before anything is created
    // beside it, so no empty support folder is left behind.
    if (!std::filesystem::is_regular_file(path)) {
        messages_.ShowMessage(FileOpenFailedText);
        return finish(false);
    }
    if (!MakeSupportFolder(path, messages_)) return finish(false);
    if (hooks_.ResetGraphs) hooks_.ResetGraphs();
    if (!ReadDesignFile(d_, path, messages_)) return finish(false);
    ShowCaption();
    if (hooks_.DesignOpened) hooks_.DesignOpened();
    recent_.Add(path);
    return finish(true);
}

bool TDocument::OfferToSave() {
    // Changes the user wants kept are never dropped: when their save fails
    // (or its dialog is cancelled), the open design stays.
    if (!d_.Modified) return true;
    switch (messages_.Ask(SaveCurrentDesignText, true)) {
        case MessageSink::Answer::Yes:
            return Save();
        case MessageSink::Answer::No:
            return true;
        case MessageSink::Answer::Cancel:
            break;
    }
    return false;
}

bool TDocument::LeaveBlockDesigner() {
    if (!d_.BlockDesignMode) return true;
    return hooks_.LeaveBlockDesigner && hooks_.LeaveBlockDesigner() && !d_.BlockDesignMode;
}

bool TDocument::Save() {
    saveCancelled_ = false;
    if (d_.BlockDesignMode) return SaveBlock();
    if (d_.FileName.empty()) return SaveAs();
    SaveDialogFileName = d_.FileName;
    if (ExtractFilePath(SaveDialogFileName) == ExamplesFolder()) {
        SaveDialogFileName.clear();
        SaveDialogFolder = dataFolder_;
        return SaveAs();
    }
    return WriteTo(SaveDialogFileName);
}

bool TDocument::SaveBlock() {
    // The drawing is a circuit block: it is never written as a design.
    const bool saved = hooks_.SaveBlock && hooks_.SaveBlock();
    saveCancelled_ = !saved && d_.Modified;
    return saved;
}

bool TDocument::SaveAs() {
    saveCancelled_ = false;
    if (d_.BlockDesignMode) return SaveBlock();
    const std::string path =
        hooks_.ChooseSaveFile ? hooks_.ChooseSaveFile(SaveDialogFolder, SaveDialogFileName) : std::string();
    if (path.empty()) {
        saveCancelled_ = true;
        return false;
    }
    SaveDialogFileName = path;
    SaveDialogFolder = ExtractFilePath(path);
    return WriteTo(path);
}

bool TDocument::WriteTo(const std::string& path) {
    if (!SaveDesignFile(d_, path, messages_)) return false;
    ShowCaption();
    recent_.Add(path);
    return true;
}

bool TDocument::New() {
    if (!LeaveBlockDesigner() || !OfferToSave()) return false;
    if (hooks_.EndEditing) hooks_.EndEditing();
    NewDesign(d_);
    d_.FileName.clear();
    d_.Modified = false;
    ShowCaption();
    return true;
}

bool TDocument::ConfirmClose() {
    if (hooks_.EndEditing) hooks_.EndEditing();
    return OfferToSave();
}

}  // namespace pelmo
