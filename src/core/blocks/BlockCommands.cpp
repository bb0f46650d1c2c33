#include "blocks/BlockCommands.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/MessageSink.h"
#include "base/TextFile.h"
#include "blocks/CircuitBlocks.h"
#include "files/BlockFile.h"
#include "model/Design.h"

namespace pelmo {

void SaveCircuitBlock(TDesign& d, const std::string& path, MessageSink& messages) {
    const TPoint reference = ExtentCentre(DrawingExtent(d));
    errno = 0;
    if (WriteTextLines(path, BuildBlockFileLines(d, d.SharedBlock, reference))) {
        d.Modified = false;
        return;
    }
    const int err = errno;
    messages.ShowMessage(MsgBlockSaveError);
    throw std::runtime_error("Cannot create file \"" + path + "\". " +
                             (err != 0 ? std::strerror(err) : "The file could not be written."));
}

bool OfferToSave(TDesign& d, MessageSink& messages, const std::function<bool()>& save) {
    if (!d.Modified) return true;
    switch (messages.Ask("Save current design?", true)) {
        case MessageSink::Answer::Yes:
            return save && save();
        case MessageSink::Answer::No:
            return true;
        case MessageSink::Answer::Cancel:
            break;
    }
    return false;
}

bool OpenCircuitBlock(TDesign& d, const std::string& path, MessageSink& messages) {
    d.Parts.clear();
    d.Grounds.clear();
    d.Wires.clear();
    d.Drivers.clear();
    d.Texts.clear();
    const bool ok = ReadBlockFile(d, path, d.SharedBlock, -1);
    if (ok)
        PlaceBlock(d, d.SharedBlock, -1, {SheetWidth / 2 - 10, SheetHeight / 2});
    else
        messages.ShowMessage(MsgBlockLoadError);
    d.Modified = false;
    return ok;
}

TCircuitBlock* LoadBlockForPlacing(TDesign& d, const std::string& path, MessageSink& messages) {
    TCircuitBlock& b = AppendBlock(d);
    if (!ReadBlockFile(d, path, b, -1)) {
        messages.ShowMessage(MsgBlockLoadError);
        d.Blocks.pop_back();
        return nullptr;
    }
    UpdateBlockExtent(b);
    d.Modified = true;
    return &b;
}

}  // namespace pelmo
