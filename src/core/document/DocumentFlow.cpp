#include "document/DocumentFlow.h"

#include <unistd.h>

#include <filesystem>

#include "base/FileProblem.h"
#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "document/DataFolder.h"
#include "document/Document.h"
#include "document/RecentFiles.h"
#include "files/DesignFile.h"
#include "model/Design.h"

namespace pelmo {

std::string CachedSupportNoticeText(const std::string& designPath, const std::string& cacheFolder) {
    return "The folder of this design cannot be written:\n" + designPath + "\nIts measurement files are kept in\n" +
           cacheFolder + "\nTo keep changes, save the design in another folder (Save As).";
}

bool CanWriteFolder(const std::string& folder) {
    return CreateFolderWithParents(folder) && ::access(folder.c_str(), W_OK) == 0;
}

std::optional<TSupportFolder> PrepareDesignOpen(const std::string& path, MessageSink& messages,
                                                const TFolderCheck& canWrite) {
    // Nothing is made for a path that is not a design file that can be read:
    // no folders beside a mistyped name, none beside a device.
    const std::string problem = ReadableFileProblem(path);
    if (!problem.empty()) {
        messages.ShowMessage(FileProblemText(FileOpenFailedText, path, problem));
        return std::nullopt;
    }
    const std::string beside = SupportFolderFor(path);
    if (canWrite ? canWrite(beside) : CanWriteFolder(beside)) return TSupportFolder{beside, false};

    // A read-only share, a mounted image, the installed examples: the files
    // go to the cache instead. What an earlier open left there goes first,
    // so that a later save embeds only what the design holds.
    const std::string cache = CachedSupportFolderFor(path);
    std::error_code ec;
    std::filesystem::remove_all(cache, ec);
    std::string why;
    if (!CreateFolderWithParents(cache, &why)) {
        messages.ShowMessage(FileProblemText(SupportFolderErrorText, cache, why));
        return std::nullopt;
    }
    return TSupportFolder{cache, true};
}

bool ReadDesignFile(TDesign& d, const std::string& path, const TSupportFolder& support, MessageSink& messages) {
    std::string why;
    if (!ReadDesignWithSupportFolder(d, path, support.Path, messages, &why)) {
        messages.ShowMessage(FileProblemText(FileOpenFailedText, path, why));
        return false;
    }
    d.Modified = false;
    d.FileName = path;
    if (support.InCache) messages.ShowMessage(CachedSupportNoticeText(path, support.Path));
    return true;
}

bool ReadDesignFile(TDesign& d, const std::string& path, MessageSink& messages) {
    return ReadDesignFile(d, path, TSupportFolder{SupportFolderFor(path), false}, messages);
}

bool OpenDesignFile(TDesign& d, const std::string& path, MessageSink& messages, const TFolderCheck& canWrite) {
    const auto support = PrepareDesignOpen(path, messages, canWrite);
    return support && ReadDesignFile(d, path, *support, messages);
}

bool SaveDesignFile(TDesign& d, const std::string& path, MessageSink& messages) {
    std::string why;
    if (!WriteDesign(d, path, messages, &why)) {
        d.FileName.clear();
        messages.ShowMessage(FileProblemText(FileSaveFailedText, path, why));
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
    const auto support = PrepareDesignOpen(path, messages_, canWrite_);
    if (!support) return finish(false);
    if (hooks_.ResetGraphs) hooks_.ResetGraphs();
    if (!ReadDesignFile(d_, path, *support, messages_)) return finish(false);
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
    // A design read from a folder that cannot be written is saved elsewhere:
    // under its own name, in the public data folder to start with.
    const std::string folder = ExtractFilePath(SaveDialogFileName);
    if (!folder.empty() && IsFolder(folder) && !(canWrite_ ? canWrite_(folder) : CanWriteFolder(folder))) {
        SaveDialogFolder = dataFolder_;
        SaveDialogFileName = dataFolder_.empty() ? std::string() : dataFolder_ + ExtractFileName(d_.FileName);
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
    // Saving changes nothing in the design: what goes into the file only
    // (the windows' layout) is taken out of its settings again.
    bool written = false;
    if (hooks_.AddToSavedSettings) {
        const TDesignSettings own = d_.Settings;
        hooks_.AddToSavedSettings(d_.Settings);
        written = SaveDesignFile(d_, path, messages_);
        d_.Settings = own;
    } else {
        written = SaveDesignFile(d_, path, messages_);
    }
    if (!written) return false;
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
