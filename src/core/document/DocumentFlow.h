#pragma once

#include <functional>
#include <string>
#include <utility>

// Opening and saving the one open design, without any window: the dialogs and
// the windows' reactions are callbacks the GUI supplies.

namespace pelmo {

class MessageSink;
class TMostRecentFiles;
struct TDesign;

inline constexpr const char* SupportFolderErrorText =
    "      Unable to create support directory.\nDesign files must be on writable drive or media";
inline constexpr const char* FileOpenFailedText = "FileOpen failed";
inline constexpr const char* FileSaveFailedText = "File Save failed!";
inline constexpr const char* SaveCurrentDesignText = "Save current design?";

// Makes the design's support folder exist; shows SupportFolderErrorText and
// returns false when it cannot.
bool MakeSupportFolder(const std::string& designPath, MessageSink& messages);

// Reads the design file into d. On success the current file name becomes the
// path and the modified flag is cleared; on failure "FileOpen failed" is shown
// and d stays as it was. The support folder must exist.
bool ReadDesignFile(TDesign& d, const std::string& path, MessageSink& messages);

// MakeSupportFolder, then ReadDesignFile.
bool OpenDesignFile(TDesign& d, const std::string& path, MessageSink& messages);

// Writes the design file. On success the current file name becomes the path
// and the modified flag is cleared; on failure "File Save failed!" is shown,
// the current file name is cleared (the next Save asks for a name) and any old
// file of that name is left as it was.
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

    // True when a design was read. A modified design asks "Save current
    // design?" with Yes/No/Cancel first; in the block designer the window
    // goes back to the schematic first.
    bool Open(TOpenKind kind, const std::string& path = {});
    // A plain Save never writes into the Examples folder: it asks for a new
    // name there, as it does for an untitled design. True when written. In
    // the block designer both write the block (TDocumentHooks::SaveBlock).
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
    bool saveCancelled_ = false;
};

}  // namespace pelmo
