#pragma once
// The engine's only way to reach a person. The desktop program answers with dialogs, kvq with the
// terminal, tests with a scripted host. Every message, prompt, confirmation, alert and progress
// call of the engine goes through here.
#include "ErrorCodes.h"

#include <cstdint>
#include <string>

namespace quorvane {

class CCodeArchive;

// A confirmation (Yes/No) or alert (OK) the user can switch off. The host owns the preferences:
// it answers Yes (or returns at once for an alert) without asking when the flag is set.
struct Prompt {
    int dialogId = 0; // 12304, 12305, 12306, 12313, 12314, 12321
    std::string title;
    std::string text;
    std::string flag; // preference flag that suppresses it: "DD", "DT", "DC", "DE", "DB"
};

Prompt ConfirmDeleteOne();
Prompt ConfirmDeleteMany();
Prompt ConfirmEmptyRecycleBin();
Prompt ConfirmCloseArchive();
Prompt AlertDefragmentCancelled();
Prompt AlertPerformance();

// What the "Archive Properties" dialog gives back when an archive is created.
struct CreateSettings {
    bool encrypt = true;
    std::string password;         // UTF-8, at most 64 characters
    uint32_t method = 0x0CAB0001; // Twofish
    bool thumbnails = true;
    uint8_t thumbnailFormat = 8; // 1..8
    bool highQuality = true;
};

// Progress window kinds.
enum ProgressKind {
    kProgressCopy = 1,
    kProgressEncrypt = 2,
    kProgressExport = 3,
    kProgressDefragment = 4,
    kProgressThumbnails = 5
};

// Figures shown under the text line of the progress window.
struct ProgressCounts {
    int done = 0;
    int planned = 0;
    uint64_t bytesUsed = 0;
    uint64_t bytesPlanned = 0;
};

class ArchiveHost {
public:
    virtual ~ArchiveHost() = default;

    // A numbered message box (ReportError and the few messages raised directly).
    virtual void ShowMessage(Status code, const std::string& text) = 0;
    // "The password must be at least 4 characters long." and other unnumbered notices.
    virtual void ShowNotice(const std::string& text) = 0;

    // "Archive Password": false when cancelled.
    virtual bool AskPassword(const std::string& displayName, std::string& password) = 0;
    // "Archive Properties" when creating: false when cancelled. `settings` holds the last values.
    virtual bool AskCreateSettings(const std::string& path, CreateSettings& settings) = 0;
    // "Confirm Archive Password": false when cancelled.
    virtual bool AskConfirmPassword(std::string& password) = 0;

    virtual bool Confirm(const Prompt& prompt) = 0;
    virtual void Alert(const Prompt& prompt) = 0;

    // The export folder chooser; false when cancelled. `folder` comes back without a trailing separator.
    virtual bool ChooseFolder(std::string& folder) = 0;

    // Progress window. PollCancel lets the window process its events and says whether Cancel was pressed.
    virtual void ProgressOpen(int kind, const std::string& archiveName, int thumbnailFormat, int quality) = 0;
    // What the engine calls: the same, naming the archive whose operation opens the window (null
    // when there is no archive object). A host serving several archives keys its windows by this
    // object - names repeat - and by default ignores it.
    virtual void ProgressOpenFor(const CCodeArchive* /*archive*/, int kind, const std::string& archiveName,
                                 int thumbnailFormat, int quality) {
        ProgressOpen(kind, archiveName, thumbnailFormat, quality);
    }
    virtual void ProgressTotal(int total) = 0;
    virtual void ProgressText(const std::string& text, const ProgressCounts& counts) = 0;
    virtual void ProgressPiece(int piece, int pieces) = 0;
    virtual bool PollCancel() = 0;
    virtual void ProgressClose() = 0;

    // The wait cursor; optional.
    virtual void WaitCursor(bool /*on*/) {}

    // Around every renumbering of `archive`'s entries, every move of its blocks or catalogue and
    // every reload of its catalogue, in pairs, never nested for one archive. In between its read
    // calls answer nothing (a model resets and a cache drops what it holds for the archive at
    // CatalogueChanged, when its catalogueGeneration has changed). The host may pump events in
    // between - progress windows do - but must not pump inside these two calls.
    virtual void CatalogueAboutToChange(CCodeArchive& /*archive*/) {}
    virtual void CatalogueChanged(CCodeArchive& /*archive*/) {}
};

// RAII for the wait cursor.
class WaitCursorGuard {
public:
    explicit WaitCursorGuard(ArchiveHost& host)
        : host_(host) {
        host_.WaitCursor(true);
    }
    ~WaitCursorGuard() { host_.WaitCursor(false); }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;

private:
    ArchiveHost& host_;
};

} // namespace quorvane
