#pragma once
// The Workspace over archives in memory with the real progress window between it and the engine,
// and a hand that acts from inside the pump once it has run N times (by default: clicks Cancel).
#include "WorkspaceFixture.h"

#include "ArchiveFixtures.h"
#include "ProgressDialog.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quorvane::testing {

// Stands between the Workspace and the dialog, counts the pumps and pieces, and at the chosen pump
// or piece posts its action, so that the pump's own pass of the event loop delivers it.
class PumpHand : public ProgressWindow {
public:
    explicit PumpHand(ProgressDialog& dialog);

    long actAtPoll = -1; // counted from the first Open of `countFromKind` (0: any)
    int countFromKind = 0;
    int actAtPiece = -1;
    std::function<void()> action; // unset: a click on the dialog's Cancel button
    long polls = 0;
    int pieces = 0;
    bool acted = false;

    void Reset(long atPoll, int kind = 0);

    void Open(const CCodeArchive* archive, int kind, const QString& archiveName, int thumbnailFormat,
              int quality) override;
    void Total(int total) override;
    void Text(const QString& step, const ProgressCounts& counts) override;
    void Piece(int piece, int count) override;
    bool Poll() override;
    void Close() override;

private:
    void Post();

    ProgressDialog& dialog_;
    bool counting_ = false;
};

class ProgressFixture : public WorkspaceFixture {
protected:
    ProgressFixture();
    ~ProgressFixture() override;

    // Puts the files under /src and imports them into the top level through the Import command.
    int ImportByCommand(const std::vector<SourceFile>& files);
    // Every file directly under `folder`, with its bytes.
    std::map<std::string, std::vector<uint8_t>> FilesIn(const std::string& folder);
    // The operation has closed its window and the frame is enabled again.
    void ExpectWindowGone();

    ProgressDialog dialog;
    PumpHand hand{dialog};
};

std::vector<SourceFile> SmallFiles(int count, const std::string& prefix);

} // namespace quorvane::testing
