#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

// Opening and saving the one open design, without any window: the dialogs and
// the windows' reactions are callbacks the GUI supplies.

namespace pelmo {

class MessageSink;
class TMostRecentFiles;
class TDesignSettings;
struct TDesign;

inline constexpr const char* SupportFolderErrorText =
    "      Unable to create support directory.\nDesign files must be on writable drive or media";
inline constexpr const char* FileOpenFailedText = "FileOpen failed";
inline constexpr const char* FileSaveFailedText = "File Save failed!";
inline constexpr const char* SaveCurrentDesignText = "Save current design?";

// Said once when a design is read from a folder that cannot be written: where
// its measurement files went instead, and that saving needs another place.
std::string CachedSupportNoticeText(const std::string& designPath, const std::string& cacheFolder);

// Whether files can be written in a folder (made first when it is missing).
// The file system answers; tests answer for it (as root every folder can be
// written, whatever its mode).
using TFolderCheck = std::function<bool(const std::string& folder)>;
bool CanWriteFolder(const std::string& folder);

// Where a design's embedded measurement files are unpacked.
struct TSupportFolder {
    std::string Path;      // ends with "/"
    bool InCache = false;  // in the per-user cache: the design's folder cannot be written
};

// What every way of opening a design does before anything is read or made:
// the path must name a regular file that can be read ("FileOpen failed",
// the path and the cause otherwise, and nothing is created anywhere). Then
// the support folder: beside the design whenever that can be written (other
// tools and users look for the files there), else a folder of the design's
// own in the per-user cache (CachedSupportFolderFor), emptied first. When
// neither can be made, SupportFolderErrorText with the cause. nullopt after
// a message. `canWrite` defaults to CanWriteFolder.
std::optional<TSupportFolder> PrepareDesignOpen(const std::string& path, MessageSink& messages,
                                                const TFolderCheck& canWrite = {});

// Reads the design file into d, unpacking into `support`. On success the
// current file name becomes the path and the modified flag is cleared; a
// support folder in the cache is then mentioned (CachedSupportNoticeText).
// On failure "FileOpen failed" is shown with the path and the cause, and d
// stays as it was.
bool ReadDesignFile(TDesign& d, const std::string& path, const TSupportFolder& support, MessageSink& messages);
// The same into the support folder beside the design, which must exist.
bool ReadDesignFile(TDesign& d, const std::string& path, MessageSink& messages);

// PrepareDesignOpen, then ReadDesignFile: the one way the program's window
// and the command-line tool read a design.
bool OpenDesignFile(TDesign& d, const std::string& path, MessageSink& messages, const TFolderCheck& canWrite = {});

// Writes the design file. On success the current file name becomes the path
// and the modified flag is cleared; on failure "File Save failed!" is shown
// with the path and the cause, the current file name is cleared (the next
// Save asks for a name) and any old file of that name is left as it was.
bool SaveDesignFile(TDesign& d, const std::string& path, MessageSink& messages);

// What the GUI does around opening and saving.
struct TDocumentHooks {
    // The Open dialog (design files, the file must exist), starting in `folder`
    // with `fileName` filled in; returns the chosen path, "" when cancelled.
    std::function<std::string(const std::string& folder, const std::string& fileName)> ChooseOpenFile;
    // The Save dialog ("save crossover design (.bkt) file as:", overwrite
    // prompt); returns the chosen path, "" when cancelled.
    std::function<std::string(const std::string& folder, const std::string& fileName)> ChooseSaveFile;
    // Hide the element dialogs and make the editing mode idle.
    std::function<void()> EndEditing;
    // Close every graph window and open the two default ones again.
    std::function<void()> ResetGraphs;
    // A design has been read: fit the view to it and solve.
    std::function<void()> DesignOpened;
    // Adds to the settings written with the design what the file keeps
    // beyond the design itself (the graph windows' layout); the design's
    // own settings stay as they were.
    std::function<void(TDesignSettings& written)> AddToSavedSettings;
    // The window caption changed ("Pelmo" or "Pelmo -- name.bkt").
    std::function<void(const std::string& caption)> CaptionChanged;
    // In the circuit block designer: "Save Circuit Block" (its own dialog);
    // true when the block was written. Save, and the Yes of every "Save
    // current design?", run it there instead of writing a design.
    std::function<bool()> SaveBlock;
    // In the circuit block designer, before a design is opened or started:
    // back to the schematic (which asks about the drawing); false when the
    // user stays in the designer.
    std::function<bool()> LeaveBlockDesigner;
};

// The document commands of the main window: New, Open (menu, "Examples", a
// recent file or the command line), Save, Save As and the question at close.
// Every hook may be left empty.
class TDocument {
public:
    enum class TOpenKind {
        Dialog,    // "Open": the Open dialog where it was last
        Examples,  // "Examples": the Open dialog in the public Examples folder
        Recent,    // a recent file or the command line: no dialog
    };

    TDocument(TDesign& design, TMostRecentFiles& recent, MessageSink& messages, std::string dataFolder,
              TDocumentHooks hooks);

    // The window's dialogs and reactions; every hook may be left empty.
    void SetHooks(TDocumentHooks hooks) { hooks_ = std::move(hooks); }
    // Replaces the file system's answer to "can this folder be written" (tests).
    void SetFolderCheck(TFolderCheck check) { canWrite_ = std::move(check); }

    // True when a design was read. A modified design asks "Save current
    // design?" with Yes/No/Cancel first; in the block designer the window
    // goes back to the schematic first.
    bool Open(TOpenKind kind, const std::string& path = {});
    // A plain Save never writes into the Examples folder, nor into a folder
    // that cannot be written: it asks for a new name (the Save dialog in the
    // public data folder), as it does for an untitled design. True when
    // written. In the block designer both write the block
    // (TDocumentHooks::SaveBlock).
    bool Save();
    bool SaveAs();
    // Asks "Save current design?" (Yes/No/Cancel) when modified; a cancelled or
    // failed save keeps the design. Then an untitled, clean, empty design.
    // True when the design was replaced.
    bool New();
    // The close sequence: true when the program may end. A modified design
    // asks "Save current design?" with Yes/No/Cancel; the program stays when
    // the answer is Cancel or the save did not happen (dialog cancelled or
    // writing failed).
    bool ConfirmClose();

    // Set when the last Save/Save As ended in a cancelled dialog.
    bool SaveDialogCancelled() const { return saveCancelled_; }
    std::string Caption() const;
    std::string ExamplesFolder() const;

    // Where the dialogs start: folder and file name, kept between commands.
    std::string OpenDialogFolder, OpenDialogFileName;
    std::string SaveDialogFolder, SaveDialogFileName;

private:
    // "Save current design?" (Yes/No/Cancel) when modified: false when the
    // user cancelled or the save did not happen.
    bool OfferToSave();
    bool LeaveBlockDesigner();
    bool SaveBlock();
    bool WriteTo(const std::string& path);
    void ShowCaption();

    TDesign& d_;
    TMostRecentFiles& recent_;
    MessageSink& messages_;
    std::string dataFolder_;
    TDocumentHooks hooks_;
    TFolderCheck canWrite_;
    bool saveCancelled_ = false;
};

}  // namespace pelmo
