#include "Workspace.h"

#include "CCodeArchive.h"
#include "CommandIds.h"
#include "CommandRules.h"
#include "ContentsPane.h"
#include "DialogRules.h"
#include "Format.h"
#include "MainFrame.h"
#include "MoveOriginals.h"
#include "NameRules.h"
#include "Preferences.h"
#include "PreviewPane.h"
#include "PropertyTexts.h"
#include "SelectionRules.h"
#include "StringTable.h"
#include "TextFormat.h"
#include "TreePane.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <new>

namespace quorvane {

namespace {

// Messages the Workspace raises itself.
constexpr int kErrNoMemory = 9001;
constexpr int kErrNoDropTarget = 9025;
// What the pre-check tries to reserve before an archive is opened or created.
constexpr size_t kMemoryProbe = size_t{8} * 1024 * 1024 + 4;

// The folder of a chosen file, up to and including its last separator.
QString FolderOf(const QString& path) {
    const qsizetype at = path.lastIndexOf(QLatin1Char('/'));
    return at < 0 ? QString() : path.left(at + 1);
}

std::vector<std::string> ToPaths(const QStringList& paths) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(paths.size()));
    for (const QString& path : paths) {
        out.push_back(path.toStdString());
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------- busy state

Workspace::BusyGuard::BusyGuard(Workspace& workspace)
    : workspace_(workspace) {
    ++workspace_.commandDepth_;
    workspace_.SetBusy(true);
}

Workspace::BusyGuard::~BusyGuard() {
    workspace_.SetBusy(false);
    if (--workspace_.commandDepth_ == 0) {
        workspace_.CommandUnwound();
    }
}

void Workspace::SetBusy(bool busy) {
    if (busy_ != busy) {
        busy_ = busy;
        emit busyChanged(busy_);
    }
}

void Workspace::CommandUnwound() {
    host_.ClearCancelRequest();
    if (closePending_) {
        closePending_ = false;
        emit closeReady();
        return;
    }
    if (list_) {
        list_->CommandEnded();
    }
}

bool Workspace::RequestClose() {
    if (!busy_ && commandDepth_ == 0) {
        return true;
    }
    closePending_ = true;
    CancelRunningOperation();
    return false;
}

void Workspace::CancelRunningOperation() {
    // With nothing running the request would cancel the next operation instead.
    if (commandDepth_ > 0) {
        host_.RequestCancel();
    }
}

// ---------------------------------------------------------------- set-up and lookups

Workspace::Workspace(Preferences& preferences, WorkspaceDialogs& dialogs, IFileSystem& fileSystem)
    : prefs_(preferences)
    , dialogs_(dialogs)
    , fs_(fileSystem)
    , host_(*this, dialogs, preferences) {}

Workspace::~Workspace() {
    // Shutdown has normally closed everything; the archives' own destructors let go of the files
    // without writing.
    archives_.clear();
}

void Workspace::SetViews(MainFrame* frame, TreePane* tree, ContentsPane* list, PreviewPane* preview) {
    frame_ = frame;
    tree_ = tree;
    list_ = list;
    preview_ = preview;
    host_.SetFrame(frame);
}

void Workspace::SetProgressWindow(ProgressWindow* window) {
    host_.SetProgressWindow(window);
}

CCodeArchive* Workspace::ArchiveAt(int archive) const {
    if (archive < 1 || archive > ArchiveCount()) {
        return nullptr;
    }
    return archives_[static_cast<size_t>(archive - 1)].get();
}

int Workspace::SlotOf(const CCodeArchive* archive) const {
    for (size_t i = 0; i < archives_.size(); ++i) {
        if (archives_[i].get() == archive) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

void Workspace::NoteActivity() {
    if (frame_) {
        frame_->NoteActivity();
    }
}

QString Workspace::ArchiveName(int archive) const {
    const CCodeArchive* a = ArchiveAt(archive);
    return a ? QString::fromStdString(a->displayName()) : QString();
}

QString Workspace::EntryName(int archive, int number) const {
    if (number == 0) {
        return ArchiveName(archive);
    }
    CCodeArchive* a = ArchiveAt(archive);
    return a && number > 0 ? QString::fromStdString(a->GetName(EntryIndex::OfNumber(number))) : QString();
}

QString Workspace::EntryComment(int archive, int number) const {
    CCodeArchive* a = ArchiveAt(archive);
    return a && number > 0 ? QString::fromStdString(a->GetComment(EntryIndex::OfNumber(number))) : QString();
}

int Workspace::ParentOf(const CCodeArchive& archive, int number) const {
    if (number < 1) {
        return 0;
    }
    const CatalogueEntry* e = archive.Entry(EntryIndex::OfNumber(number));
    return e ? e->parent : 0;
}

bool Workspace::InRecycleBin(const CCodeArchive& archive, int folder) const {
    // The engine keeps parents free of cycles; the step limit only keeps a damaged one from hanging.
    int number = folder;
    for (int steps = 0; number > 0 && steps <= archive.entryCount(); ++steps) {
        if (number == 1) {
            return true;
        }
        number = ParentOf(archive, number);
    }
    return false;
}

void Workspace::Report(int code) {
    DialogRules::ReportError(dialogs_, code);
}

void Workspace::SetListRedraw(bool on) {
    if (list_) {
        list_->SetRedraw(on);
    }
}

void Workspace::ClearPreview() {
    if (preview_) {
        preview_->ClearItem();
    }
    previewArchive_ = nullptr;
    previewNumber_ = 0;
}

// ---------------------------------------------------------------- refreshing the panes

void Workspace::SelectArchiveFolder(int archive, int folder, bool force) {
    if (refreshing_) {
        return;
    }
    refreshing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{refreshing_};
    ClearPreview();

    const int count = ArchiveCount();
    if (count == 0) {
        const bool changed = current_ != 0 || folder_ != 0;
        current_ = 0;
        folder_ = 0;
        if (frame_) {
            frame_->SetCaption(1, StringTable::Text(kStrContents));
            frame_->SetCaption(2, StringTable::Text(kStrPreview));
        }
        if (list_) {
            list_->RemoveAll();
        }
        if (tree_) {
            tree_->Clear();
        }
        if (changed) {
            emit currentChanged(0, 0);
        }
        return;
    }
    if (archive == current_ && folder == folder_ && !force) {
        return;
    }
    archive = std::clamp(archive, 1, count);
    CCodeArchive& a = *ArchiveAt(archive);
    // Its catalogue is being rewritten: nothing can be read now, and the panes are refilled when
    // the engine says it has changed.
    if (a.catalogueInFlux()) {
        return;
    }

    if (frame_) {
        frame_->SetWaitCursor(true);
    }
    if (force && tree_) {
        tree_->Rebuild();
    }
    if (list_) {
        list_->RemoveAll();
    }
    const int entryCount = a.entryCount();
    // The folder may have gone (emptied bin, say): the archive's top level is always there.
    if (folder < 0 || folder > entryCount) {
        folder = 0;
    } else if (folder > 0) {
        const CatalogueEntry* e = a.Entry(EntryIndex::OfNumber(folder));
        if (!e || !e->IsFolder()) {
            folder = 0;
        }
    }
    const bool changed = archive != current_ || folder != folder_;
    if (archive != current_) {
        // "FS" is a position in one archive's catalogue.
        prefs_.findStart = 0;
    }
    current_ = archive;
    folder_ = folder;

    const QString name = folder == 0 ? QString::fromStdString(a.displayName())
                                     : QString::fromStdString(a.GetName(EntryIndex::OfNumber(folder)));
    if (frame_) {
        frame_->SetCaption(1, ContentsCaption(name));
        frame_->BeginProgress(entryCount / 64);
    }
    if (list_) {
        list_->ShowFolder(archive, folder, entryCount);
        // Entry 1, the recycle bin, lives at the top level but is shown only in the tree.
        for (int index = 1; index < entryCount; ++index) {
            const CatalogueEntry* e = a.Entry(EntryIndex(index));
            if (!e || e->parent != folder) {
                continue;
            }
            list_->InsertEntry(index + 1);
            if (index % 64 == 0 && frame_) {
                frame_->SetProgress(index / 64);
            }
        }
    }
    if (frame_) {
        frame_->EndProgress();
    }
    if (list_) {
        list_->EndFill(true);
    }
    if (tree_) {
        tree_->SelectFolder(archive, folder);
    }
    if (frame_) {
        frame_->SetWaitCursor(false);
    }
    if (changed) {
        emit currentChanged(current_, folder_);
    }
}

void Workspace::CatalogueAboutToChange(CCodeArchive& archive) {
    flux_.push_back({&archive, archive.entryCount()});
    emit catalogueAboutToChange(&archive);
    // Reads answer nothing from now on: the panes let go of what they show instead of painting
    // rows whose numbers may name other entries in a moment.
    if (tree_) {
        tree_->Clear();
    }
    if (list_ && current_ > 0 && SlotOf(&archive) == current_) {
        list_->RemoveAll();
    }
}

void Workspace::CatalogueChanged(CCodeArchive& archive) {
    int before = archive.entryCount();
    for (auto it = flux_.begin(); it != flux_.end(); ++it) {
        if (it->archive == &archive) {
            before = it->entryCount;
            flux_.erase(it);
            break;
        }
    }
    emit catalogueChanged(&archive);
    const int slot = SlotOf(&archive);
    if (slot == 0) {
        return;
    }
    // Only emptying the recycle bin removes entries, and it renumbers the rest: every number kept
    // for this archive may now name another item.
    if (archive.entryCount() < before) {
        if (records_.clipboard.archive == slot) {
            records_.clipboard.Clear();
        }
        if (records_.undo.archive == slot) {
            records_.undo.Clear();
        }
        if (slot == current_) {
            if (list_) {
                list_->ForgetReselect();
            }
            prefs_.findStart = 0;
            folder_ = 0;
        }
    }
    if (slot == current_) {
        SelectArchiveFolder(current_, folder_, true);
    } else if (tree_) {
        tree_->Rebuild();
    }
}

// ---------------------------------------------------------------- open, create, close

int Workspace::PreCheck() {
    int remembered = 0;
    {
        const std::unique_ptr<uint8_t[]> probe(new (std::nothrow) uint8_t[kMemoryProbe]);
        if (!probe) {
            Report(kErrNoMemory);
            remembered = kErrNoMemory;
        }
    }
    // "DU" always ends as 1 when the preferences are loaded, so the reminder is never shown; it is
    // kept as the rule says in case that changes.
    if (prefs_.alertUpdate == 0) {
        const DialogStrings reminder = StringTable::Dialog(kDlgUpdateReminder);
        DialogRules::Alert(dialogs_, {kDlgUpdateReminder, reminder.title, reminder.text}, prefs_.alertUpdate);
    }
    if (remembered != 0) {
        return remembered;
    }
    if (ArchiveCount() >= kMaxArchives) {
        Report(kErrTooManyArchives);
        return kErrTooManyArchives;
    }
    return kOk;
}

int Workspace::Open(const QString& path) {
    if (const int status = PreCheck(); status != kOk) {
        return status;
    }
    const BusyGuard guard(*this);
    QString chosen = path;
    if (chosen.isEmpty()) {
        const std::optional<QString> answer = dialogs_.ChooseArchiveToOpen(prefs_.archiveFolder);
        if (!answer || answer->isEmpty()) {
            return kOk;
        }
        chosen = *answer;
        prefs_.archiveFolder = FolderOf(chosen);
    }
    if (frame_) {
        frame_->EnsureArchivePaneVisible();
    }
    // Open here already (chosen again, or handed over by a second start): it becomes current
    // instead of failing on its own lock.
    if (const int slot = SlotOfPath(chosen); slot > 0) {
        if (slot != current_) {
            SelectArchiveFolder(slot, 0, false);
        }
        return kOk;
    }
    archives_.push_back(std::make_unique<CCodeArchive>(host_, fs_));
    CCodeArchive& archive = *archives_.back();
    Status status = kOk;
    // Only a password that failed the check is asked for again; a foreign file, a cancelled
    // prompt or a locked file end at once, with the one message the engine showed.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        status = archive.Open(chosen.toStdString());
        if (status == kOk || archive.lastOpenFailure() != OpenFailure::WrongPassword) {
            break;
        }
    }
    if (status != kOk) {
        archives_.pop_back();
        return status;
    }
    SelectArchiveFolder(ArchiveCount(), 0, true);
    return kOk;
}

QString Workspace::ContentsCaption(const QString& folderName) {
    return TextFormat::Fill(StringTable::Text(kStrContentsOf), {folderName});
}

int Workspace::SlotOfPath(const QString& path) const {
    const auto normal = [](const QString& p) { return QDir::cleanPath(QFileInfo(p).absoluteFilePath()); };
    const QString wanted = normal(path);
    for (int slot = 1; slot <= ArchiveCount(); ++slot) {
        if (normal(QString::fromStdString(ArchiveAt(slot)->path())) == wanted) {
            return slot;
        }
    }
    return 0;
}

int Workspace::Create() {
    if (const int status = PreCheck(); status != kOk) {
        return status;
    }
    const BusyGuard guard(*this);
    const std::optional<QString> chosen =
        dialogs_.ChooseArchiveToCreate(prefs_.archiveFolder, QStringLiteral("Archive.kvq"));
    if (!chosen || chosen->isEmpty()) {
        return kCancelled;
    }
    prefs_.archiveFolder = FolderOf(*chosen);
    if (frame_) {
        frame_->EnsureArchivePaneVisible();
    }
    archives_.push_back(std::make_unique<CCodeArchive>(host_, fs_));
    const Status status = archives_.back()->Create(chosen->toStdString());
    if (status != kOk) {
        archives_.pop_back();
        return status;
    }
    SelectArchiveFolder(ArchiveCount(), 0, true);
    if (prefs_.alertGettingStarted == 0 && dialogs_.GettingStarted(prefs_.alertGettingStarted)) {
        return Import();
    }
    return kOk;
}

int Workspace::Close(bool ask) {
    records_.ClearBoth();
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kOk;
    }
    if (frame_) {
        frame_->EnsureArchivePaneVisible();
    }
    // A refused confirmation or a failed save (shown once by the engine) keeps the archive in its
    // slot with every change it holds; a later close saves them.
    const Status status = archive->ConfirmClose(ask);
    if (status != kOk) {
        return status;
    }
    ClearPreview();
    emit archiveClosing(archive);
    emit archiveClosed(archive);
    archives_.erase(archives_.begin() + (current_ - 1));
    WipeAfterClose();
    current_ = std::min(current_, ArchiveCount());
    // The slot number now names another archive: nothing remembered about this one may carry over.
    prefs_.findStart = 0;
    drop_.Clear();
    if (list_) {
        list_->ForgetReselect();
    }
    SelectArchiveFolder(current_, 0, true);
    emit currentChanged(current_, folder_);
    return kOk;
}

void Workspace::ReleaseAll(bool save) {
    // No pane is called here (at shutdown they may already be going); only archiveClosing, whose
    // receivers Qt disconnects as they go, reaches them.
    previewArchive_ = nullptr;
    previewNumber_ = 0;
    for (std::unique_ptr<CCodeArchive>& archive : archives_) {
        emit archiveClosing(archive.get());
        // A failed save has been shown; the archive is let go of all the same.
        if (archive->Close(save) != kOk) {
            archive->Close(false);
        }
        emit archiveClosed(archive.get());
    }
    archives_.clear();
    WipeAfterClose();
    current_ = 0;
    folder_ = 0;
    prefs_.findStart = 0;
    drop_.Clear();
}

void Workspace::WipeAfterClose() {
    WipeSharedBuffers();
    prefs_.password.Wipe();
}

int Workspace::CloseAll() {
    if (busy_) {
        return kBusy;
    }
    records_.ClearBoth();
    const BusyGuard guard(*this);
    ClearPreview();
    ReleaseAll(true);
    if (list_) {
        list_->ForgetReselect();
    }
    SelectArchiveFolder(0, 0, true);
    return kOk;
}

int Workspace::Shutdown(QSettings& settings) {
    // Deleting an archive whose operation is still on the stack would pull the ground from under
    // it: the frame asks RequestClose first and comes back on closeReady.
    if (busy_ || commandDepth_ > 0) {
        return kBusy;
    }
    records_.ClearBoth();
    ReleaseAll(true);
    prefs_.Save(settings);
    return kOk;
}

// ---------------------------------------------------------------- import and drops

int Workspace::ImportInto(const std::vector<std::string>& paths, bool recurse, bool removeOriginals) {
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    std::vector<ImportedItem> added;
    const Status status = ImportPaths(*archive, paths, folder_, recurse, &added);
    if (removeOriginals) {
        QStringList kept;
        if (status == kOk) {
            for (const OriginalOutcome& o : MoveOriginals(*archive, added)) {
                if (!o.removed && !o.folder) {
                    kept << QStringLiteral("%1: %2").arg(QString::fromStdString(o.path),
                                                         QString::fromStdString(o.problem));
                }
            }
        }
        if (status != kOk && !added.empty()) {
            dialogs_.ShowMessage(QStringLiteral("The import did not complete, so every original was kept."));
        } else if (!kept.isEmpty()) {
            constexpr qsizetype kShown = 12;
            QString text = QStringLiteral("These originals were kept:\n\n") + kept.mid(0, kShown).join(u'\n');
            if (kept.size() > kShown) {
                text += QStringLiteral("\n... and %1 more.").arg(kept.size() - kShown);
            }
            dialogs_.ShowMessage(text);
        }
    }
    Refresh();
    return status;
}

int Workspace::Import() {
    records_.ClearBoth();
    const BusyGuard guard(*this);
    if (!Current()) {
        return kRejected;
    }
    const QStringList files = dialogs_.ChooseImportFiles(prefs_.importFolder);
    if (files.isEmpty()) {
        return kCancelled;
    }
    prefs_.importFolder = FolderOf(files.first());
    // Folders chosen in the dialog are skipped: only a drop imports a whole tree.
    return ImportInto(ToPaths(files), false, dialogs_.RemoveOriginalsChosen());
}

int Workspace::DropPaths(const QStringList& paths) {
    if (tree_) {
        tree_->DragFinished();
    }
    if (list_) {
        list_->DragFinished();
    }
    if (preview_) {
        preview_->DragFinished();
    }
    const DropTarget target = drop_;
    drop_.Clear();
    if (busy_) {
        return kBusy;
    }
    if (paths.isEmpty()) {
        return kOk;
    }
    if (paths.size() == 1 &&
        QFileInfo(paths.first()).suffix().compare(QLatin1String("kvq"), Qt::CaseInsensitive) == 0) {
        return Open(paths.first());
    }
    // Held from here, so that nothing starts while the question below is open.
    const BusyGuard guard(*this);
    if (target.folder == 1 && !dialogs_.AskOkCancel(StringTable::Text(kStrImportIntoBin))) {
        return kRejected;
    }
    if (ArchiveCount() == 0 || !target.IsSet() || target.archive > ArchiveCount()) {
        Report(kErrNoDropTarget);
        return kErrNoDropTarget;
    }
    records_.ClearBoth();
    SelectArchiveFolder(target.archive, target.folder, false);
    return ImportInto(ToPaths(paths), true);
}

int Workspace::CompleteDrag() {
    if (busy_) {
        return kBusy;
    }
    records_.ClearBoth();
    const BusyGuard guard(*this);
    if (tree_) {
        tree_->DragFinished();
    }
    if (list_) {
        list_->DragFinished();
    }
    if (preview_) {
        preview_->DragFinished();
    }
    const DropTarget target = drop_;
    drop_.Clear();
    CCodeArchive* archive = Current();
    CCodeArchive* destination = ArchiveAt(target.archive);
    if (!target.IsSet() || !archive || !destination) {
        return kOk;
    }
    const std::vector<int> items = records_.Drag(Context(), target.archive);
    if (items.empty()) {
        return kOk;
    }
    SetListRedraw(false);
    const Status status = destination == archive ? archive->MoveEntries(items, target.folder, true)
                                                 : archive->CopyEntries(items, target.folder, *destination);
    SetListRedraw(true);
    Refresh();
    records_.MoveFinished(status);
    return status;
}

// ---------------------------------------------------------------- items

int Workspace::OpenItem(int number) {
    // Opened from a pane while a command runs (its dialog or progress window pumps events): the
    // command owns the current folder and the preview until it ends.
    if (busy_) {
        return kBusy;
    }
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    // An operation on it is under way: its catalogue may be moving and its buffers in use.
    if (archive->Busy() || archive->catalogueInFlux()) {
        return kBusy;
    }
    const EntryIndex index = EntryIndex::OfNumber(number);
    const CatalogueEntry* e = number > 0 ? archive->Entry(index) : nullptr;
    if (!e) {
        return kRejected;
    }
    if (e->IsFolder()) {
        SelectArchiveFolder(current_, number, false);
        return kOk;
    }
    const int typeCode = e->typeCode;
    const bool hasData = e->size != 0;
    if (frame_) {
        frame_->EnsurePreviewVisible();
    }
    if (typeCode == kTypeArchive || typeCode == kTypeOther || !hasData) {
        return kOk;
    }
    // Already in the preview (a step that came round to the same image): nothing to decrypt again.
    if (preview_ && previewArchive_ == archive && previewNumber_ == number) {
        return kOk;
    }
    PreviewItem item;
    item.name = QString::fromStdString(archive->GetName(index));
    item.comment = QString::fromStdString(archive->GetComment(index));
    item.typeCode = typeCode;
    item.archive = current_;
    item.number = number;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (archive->GetImageData(index, &data, &size) != 0 || !data) {
        return kRejected;
    }
    // The bytes sit in the engine's shared buffer: the pane decodes them before ShowItem returns,
    // and nothing else calls into the engine in between.
    item.data = std::span<const uint8_t>(data, size);
    if (preview_) {
        preview_->ShowItem(item);
        previewArchive_ = archive;
        previewNumber_ = number;
    }
    return kOk;
}

int Workspace::MarkNotAnImage(int archive, int number) {
    if (busy_) {
        return kBusy;
    }
    CCodeArchive* a = ArchiveAt(archive);
    if (!a || number < 2) {
        return kRejected;
    }
    const CatalogueEntry* e = a->Entry(EntryIndex::OfNumber(number));
    if (!e || e->IsFolder()) {
        return kRejected;
    }
    // The engine refuses what it cannot change (busy, read-only) and has said so where it shows.
    const Status status = a->SetTypeCode(EntryIndex::OfNumber(number), kTypeOther);
    if (status == kOk && list_ && archive == current_) {
        list_->UpdateItem(number);
    }
    return status;
}

int Workspace::NewFolder() {
    Status status = kOk;
    int number = 0;
    {
        const BusyGuard guard(*this);
        CCodeArchive* archive = Current();
        if (!archive) {
            return kRejected;
        }
        if (frame_) {
            frame_->SetWaitCursor(true);
        }
        status = archive->CreateFolder(folder_, StringTable::Text(kStrNewFolderName).toStdString(),
                                       kTypeFolder, &number);
        Refresh();
        if (frame_) {
            frame_->SetWaitCursor(false);
        }
    }
    // Only the folder just made opens for renaming: after a refused add (9017, 9002) the newest
    // entry is some other item. The editor opens once the command is over (a busy list refuses it).
    if (status == kOk && number > 0 && list_) {
        list_->SelectEntry(number, true);
    }
    return status;
}

int Workspace::BeginRename() {
    if (!frame_) {
        return kRejected;
    }
    if (frame_->Active() == ActivePane::Tree && tree_) {
        frame_->ActivateTreePane();
        tree_->BeginRename();
    } else if (frame_->Active() == ActivePane::List && list_) {
        frame_->ActivateListPane();
        list_->BeginRename();
    }
    return kOk;
}

int Workspace::Rename(int archive, int number, const QString& text) {
    // An edit that ends while a command runs keeps the old name.
    if (busy_) {
        return kBusy;
    }
    const BusyGuard guard(*this);
    CCodeArchive* a = ArchiveAt(archive);
    if (!a || number < 1 || number == 1) {
        return kRejected;
    }
    if (HasForbiddenCharacter(text.toStdString())) {
        dialogs_.ShowMessage(StringTable::Text(kStrForbiddenName));
        return kRejected;
    }
    const Status status = a->Rename(EntryIndex::OfNumber(number), text.toStdString());
    if (status != kOk) {
        return status;
    }
    if (tree_) {
        tree_->Rebuild();
    }
    // The captions name what is shown: the folder above the list, the picture above the preview.
    // The name is read back, since the engine keeps a file's extension.
    const bool shownFolder = frame_ && a == Current() && number == folder_;
    const bool shownPicture = preview_ && previewArchive_ == a && previewNumber_ == number;
    if (shownFolder || shownPicture) {
        const QString name = QString::fromStdString(a->GetName(EntryIndex::OfNumber(number)));
        if (shownFolder) {
            frame_->SetCaption(1, ContentsCaption(name));
        }
        if (shownPicture) {
            preview_->SetName(name);
        }
    }
    return status;
}

int Workspace::Comment() {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const std::vector<int> selection = GatherSelection(SelectionPurpose::CommentOrProperties);
    if (selection.empty() || selection.front() < 1) {
        return kOk;
    }
    const int number = selection.front();
    const EntryIndex index = EntryIndex::OfNumber(number);
    QString text = QString::fromStdString(archive->GetComment(index));
    if (!dialogs_.EditComment(text)) {
        return kCancelled;
    }
    const Status status = archive->SetEntryComment(index, text.toStdString());
    if (status != kOk) {
        return status;
    }
    if (list_) {
        list_->UpdateItem(number);
    }
    // Only the item the preview shows takes the new comment.
    if (preview_ && previewArchive_ == archive && previewNumber_ == number) {
        preview_->SetComment(text);
    }
    return kOk;
}

int Workspace::Properties() {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const bool treeActive = frame_ && frame_->Active() == ActivePane::Tree;
    // The tree's selection of the recycle bin stands for the items in it; its properties are the
    // bin's own, not the first deleted item's.
    int number = 0;
    PropertyPageKind kind = PropertyPageKind::Archive;
    if (treeActive && folder_ == 1) {
        number = 1;
        kind = PropertyPageKind::Folder;
    } else if (folder_ != 0 || !treeActive) {
        const std::vector<int> selection = GatherSelection(SelectionPurpose::CommentOrProperties);
        if (!selection.empty() && selection.front() > 0) {
            if (const CatalogueEntry* e = archive->Entry(EntryIndex::OfNumber(selection.front()))) {
                number = selection.front();
                kind = e->IsFolder() ? PropertyPageKind::Folder : PropertyPageKind::File;
            }
        }
    }
    const PropertyEntry entry =
        number > 0 ? PropertyTexts::FromEntry(*archive, EntryIndex::OfNumber(number)) : PropertyEntry{};
    PropertyPage page = PropertyTexts::Page(kind, entry, PropertyTexts::FromArchive(*archive), QLocale());
    page.number = number;
    dialogs_.ShowProperties(page);
    return kOk;
}

int Workspace::Export() {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const std::vector<int> selection = GatherSelection(SelectionPurpose::Export);
    if (selection.empty()) {
        return kOk;
    }
    return archive->ExportSelection(selection);
}

int Workspace::Restore() {
    records_.ClearBoth();
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const std::vector<int> selection = GatherSelection(SelectionPurpose::Restore);
    if (selection.empty()) {
        return kOk;
    }
    SetListRedraw(false);
    const Status status = archive->MoveEntries(selection, 0, false);
    SetListRedraw(true);
    Refresh();
    return status;
}

int Workspace::EmptyRecycleBin() {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const std::vector<int> selection = GatherSelection(SelectionPurpose::EmptyRecycleBin);
    if (frame_) {
        frame_->EnsureArchivePaneVisible();
    }
    SelectArchiveFolder(current_, 0, true);
    records_.ClearBoth();
    const Status status = archive->EmptyRecycleBin(selection);
    // The kept entries have new numbers: nothing remembered by number may survive, whatever the
    // result (a failed defragmentation has renumbered all the same).
    records_.ClearBoth();
    if (list_) {
        list_->ForgetReselect();
    }
    prefs_.findStart = 0;
    SelectArchiveFolder(current_, 0, true);
    return status;
}

// ---------------------------------------------------------------- clipboard and undo

std::vector<int> Workspace::GatherSelection(SelectionPurpose purpose) {
    const ActivePane active = frame_ ? frame_->Active() : ActivePane::None;
    return SelectionRules::Gather(purpose, active, tree_, list_);
}

RecordContext Workspace::Context() {
    RecordContext context;
    context.currentArchive = current_;
    context.currentFolder = folder_;
    context.treeActive = frame_ && frame_->Active() == ActivePane::Tree;
    context.parentOf = [this](int number) {
        const CCodeArchive* archive = Current();
        return archive ? ParentOf(*archive, number) : 0;
    };
    context.gather = [this](SelectionPurpose purpose) { return GatherSelection(purpose); };
    return context;
}

int Workspace::Cut() {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const std::vector<int> items = records_.Cut(Context());
    if (items.empty()) {
        return kOk;
    }
    SetListRedraw(false);
    const Status status = archive->MoveEntries(items, 1, true);
    SetListRedraw(true);
    Refresh();
    records_.MoveFinished(status);
    return status;
}

int Workspace::Copy() {
    const BusyGuard guard(*this);
    if (!Current()) {
        return kRejected;
    }
    records_.Copy(Context());
    return kOk;
}

int Workspace::Paste() {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    int focusedFolder = 0;
    if (frame_ && frame_->Active() == ActivePane::List && list_ && list_->FocusedEntry() > 0) {
        const CatalogueEntry* e = archive->Entry(EntryIndex::OfNumber(list_->FocusedEntry()));
        if (e && e->IsFolder()) {
            focusedFolder = list_->FocusedEntry();
        }
    }
    const PastePlan plan = records_.PlanPaste(Context(), focusedFolder);
    Status status = kOk;
    CCodeArchive* source = ArchiveAt(plan.sourceArchive);
    if (plan.action != PastePlan::kNothing && source) {
        SetListRedraw(false);
        status = plan.action == PastePlan::kMove
                     ? archive->MoveEntries(plan.items, plan.destination, true)
                     : source->CopyEntries(plan.items, plan.destination, *archive);
        SetListRedraw(true);
        Refresh();
    }
    records_.PasteFinished();
    return status;
}

int Workspace::Delete() {
    records_.ClearBoth();
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    const std::vector<int> items = records_.Delete(Context());
    if (items.empty()) {
        return kOk;
    }
    SetListRedraw(false);
    const Status status = archive->MoveEntries(items, 1, true);
    SetListRedraw(true);
    Refresh();
    records_.MoveFinished(status);
    return status;
}

int Workspace::Undo() {
    const BusyGuard guard(*this);
    const UndoPlan plan = records_.TakeUndo();
    CCodeArchive* archive = ArchiveAt(plan.archive);
    if (!plan.apply || !archive) {
        return kOk;
    }
    SetListRedraw(false);
    const Status status = archive->MoveEntries(plan.items, plan.folder, false);
    SetListRedraw(true);
    SelectArchiveFolder(plan.archive, plan.folder, true);
    return status;
}

// ---------------------------------------------------------------- find and preferences

// Find Again continues after the entry the last search stopped at ("FS") and is enabled only while
// that is a found entry (FS > 0). A search that finds nothing shows the end message and stores 0,
// so Find Again is then disabled until the next Find, which starts from the first entry again: the
// wrap-around goes through Find, never silently through Find Again. "FS" also goes back to 0 when
// the current archive changes or is closed, since it names an entry of that archive.
int Workspace::Find(bool again) {
    const BusyGuard guard(*this);
    CCodeArchive* archive = Current();
    if (!archive) {
        return kRejected;
    }
    if (!again) {
        FindRequest request{prefs_.findText, prefs_.findMatchCase != 0, prefs_.findExactMatch != 0};
        if (!dialogs_.AskFind(request)) {
            return kCancelled;
        }
        prefs_.findText = request.text.left(Preferences::kMaxFindText);
        prefs_.findMatchCase = request.matchCase ? 1 : 0;
        prefs_.findExactMatch = request.exactMatch ? 1 : 0;
        prefs_.findStart = 0;
    }
    int found = archive->FindNext(prefs_.findText.toStdString(), prefs_.findMatchCase != 0,
                                  prefs_.findExactMatch != 0, prefs_.findStart);
    if (found < 1) {
        found = 0;
        dialogs_.Inform(StringTable::Dialog(kDlgFindEnd));
    } else {
        SelectArchiveFolder(current_, ParentOf(*archive, found), false);
        if (list_) {
            list_->SelectEntry(found, false);
        }
    }
    prefs_.findStart = found;
    return kOk;
}

int Workspace::EditPreferences() {
    const BusyGuard guard(*this);
    if (!dialogs_.EditPreferences(prefs_)) {
        return kCancelled;
    }
    prefs_.ApplyAlertReset();
    if (preview_) {
        preview_->Repaint();
    }
    return kOk;
}

// ---------------------------------------------------------------- commands

int Workspace::DispatchCommand(int commandId) {
    if (busy_) {
        return kBusy;
    }
    if (commandId < kCmdNew || commandId > kCmdComment || !UpdateCommand(commandId).enabled) {
        return kRejected;
    }
    switch (commandId) {
    case kCmdNew:
        return Create();
    case kCmdOpen:
        return Open();
    case kCmdImport:
        return Import();
    case kCmdClose:
        return Close(true);
    case kCmdNewFolder:
        return NewFolder();
    case kCmdCut:
        return Cut();
    case kCmdCopy:
        return Copy();
    case kCmdPaste:
        return Paste();
    case kCmdUndo:
    case kCmdUndoContext:
        return Undo();
    case kCmdProperties:
        return Properties();
    case kCmdEmptyRecycleBin:
        return EmptyRecycleBin();
    case kCmdDelete:
        return Delete();
    case kCmdExport:
        return Export();
    case kCmdRename:
        return BeginRename();
    case kCmdPreferences:
        return EditPreferences();
    case kCmdFind:
        return Find(false);
    case kCmdFindAgain:
        return Find(true);
    case kCmdRestore:
        return Restore();
    case kCmdComment:
        return Comment();
    default:
        return kRejected;
    }
}

CommandState Workspace::State() const {
    CommandState s;
    s.busy = busy_;
    s.archiveCount = ArchiveCount();
    s.currentFolder = folder_;
    s.clipboardKind = records_.clipboard.kind;
    s.undoKind = records_.undo.kind;
    s.findStart = prefs_.findStart;
    s.slideAutoAdvance = prefs_.slideAutoAdvance != 0;
    s.previewFit = prefs_.previewFit != 0;
    s.viewMode = prefs_.listViewMode;
    if (frame_) {
        s.activePane = frame_->Active();
        s.layout = frame_->Layout();
        s.labelEditing = frame_->LabelEditing();
    }
    // A running command may be renumbering a catalogue: nothing is read, everything is disabled.
    if (busy_) {
        return s;
    }
    if (list_) {
        s.listHasFocusedItem = list_->FocusedEntry() > 0;
        s.listSelectedCount = list_->SelectedCount();
    }
    const CCodeArchive* archive = Current();
    s.hasCurrentArchive = archive != nullptr;
    if (archive && !archive->catalogueInFlux()) {
        s.inRecycleBin = InRecycleBin(*archive, folder_);
        const CatalogueEntry* bin = archive->Entry(EntryIndex::OfNumber(1));
        s.binItemCount = bin ? bin->itemCount : 0;
        s.defragmentPending = archive->defragmentPending();
        s.thumbSizeIndex = archive->thumbSizeIndex();
    }
    return s;
}

CommandUi Workspace::UpdateCommand(int commandId) const {
    return CommandRules::Update(commandId, State());
}

} // namespace quorvane
