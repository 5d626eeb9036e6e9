#include "Verbs.h"

#include "CCodeArchive.h"
#include "Check.h"
#include "ItemPaths.h"
#include "MoveOriginals.h"
#include "NameRules.h"
#include "Salvage.h"
#include "TerminalHost.h"
#include "TextCodec.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <set>

namespace quorvane::cli {
namespace {

constexpr int kPasswordAttempts = 3;
constexpr const char* kForbiddenCharacters = kForbiddenNameCharacters;

void Say(const std::string& text) {
    std::fprintf(stderr, "kvq: %s\n", text.c_str());
}

int Fail(const std::string& text, int status = kExitFailed) {
    Say(text);
    return status;
}

// The password source for the archive named on the command line.
bool MainPasswordSource(const Arguments& a, PasswordSource& source, std::string& error) {
    if (a.passwordFile) {
        std::optional<std::string> password = ReadPasswordFile(*a.passwordFile, error);
        if (!password) {
            return false;
        }
        source = {std::move(password), "file"};
    } else if (const char* env = std::getenv("KVQ_PASSWORD")) {
        source = {std::string(env), "environment"};
    } else {
        source = {std::nullopt, "terminal"};
    }
    return true;
}

// Shows the engine's message of `code` (nothing for 0 and 9004; 9029 for a code without one) and
// returns the code shown.
Status Show(TerminalHost& host, Status code) {
    if (code == kOk || code == kCancelled) {
        return code;
    }
    const Status shown = ShownCode(code);
    host.ShowMessage(shown, MessageText(shown));
    return shown;
}

// The status of one operation (its message already shown), mapped to the exit status.
int ExitFor(Status status, const TerminalHost& host) {
    if (host.CancelRequested() || (status == kCancelled && Interrupted())) {
        return kExitInterrupted;
    }
    if (status == kOk) {
        return kExitOk;
    }
    switch (status) {
    case kErrPassword:
        return kExitPassword;
    case kErrArchiveLocked:
        return kExitLocked;
    case kErrArchiveIsFolder:
        return kExitPassword; // not an archive
    case kErrReadOnly:
        return kExitReadOnly;
    case kErrArchiveMissing:
    case kErrFolderMissing:
        return kExitNotFound;
    case kErrNewerRevision:
    case kErrNewerVersion:
        return kExitNewer;
    case kCancelled:
        if (host.PasswordMissing()) {
            Say("no password: use --password-file FILE, KVQ_PASSWORD or a terminal");
            return kExitUsage;
        }
        return kExitFailed;
    default:
        return kExitFailed;
    }
}

// Open with the terminal's three attempts at the password; a password from a file or the
// environment is tried once, and a file that is no archive is not worth a second prompt.
Status OpenArchive(CCodeArchive& archive, TerminalHost& host, const std::string& path) {
    Status status = kOk;
    for (int attempt = 1; attempt <= kPasswordAttempts; ++attempt) {
        status = archive.Open(path);
        if (archive.lastOpenFailure() != OpenFailure::WrongPassword || !host.PromptsOnTerminal() ||
            host.CancelRequested()) {
            break;
        }
    }
    return status;
}

std::string IsoUtc(uint64_t fileTime) {
    const auto seconds = static_cast<std::time_t>(FileTimeToUnixSeconds(fileTime));
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr) {
        return "-";
    }
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string ForbiddenMessage() {
    return std::string("A file or folder cannot contain any of the following characters. ") +
           kForbiddenCharacters[0] + " " + kForbiddenCharacters[1] + " " + kForbiddenCharacters[2] + " " +
           kForbiddenCharacters[3] + " " + kForbiddenCharacters[4] + " " + kForbiddenCharacters[5] + " " +
           kForbiddenCharacters[6] + " " + kForbiddenCharacters[7] + " " + kForbiddenCharacters[8];
}

bool MakeOutputFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    return ::mkdir(path.c_str(), 0755) == 0;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// One open archive for a verb: its host, the archive, and the status of the last step.
class Session {
public:
    explicit Session(PasswordSource source)
        : host(std::move(source))
        , archive(host) {}
    ~Session() {
        host.WipePassword();
        archive.Close(false);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // 0 when open, else the exit status.
    int Open(const std::string& path) {
        const Status status = OpenArchive(archive, host, path);
        if (status != kOk) {
            return ExitFor(status, host);
        }
        if (Interrupted()) {
            return kExitInterrupted;
        }
        view = CatalogueView::Of(archive);
        return kExitOk;
    }

    // Resolves an item; 0 with `number` set, else the exit status (message shown).
    int Resolve(const std::string& text, int& number) const {
        const Lookup lookup = ResolveItem(view, text);
        if (lookup.result != LookupResult::Found) {
            return Fail(EscapeName(lookup.message), kExitNotFound);
        }
        number = lookup.number;
        return kExitOk;
    }

    // Writes the catalogue and header back and closes; a failed write has shown its message.
    int Save() { return archive.Close(true) == kOk ? kExitOk : kExitFailed; }

    void Reload() { view = CatalogueView::Of(archive); }

    TerminalHost host;
    CCodeArchive archive;
    CatalogueView view;
};

using Verb = std::function<int(const Arguments&, Session&)>;

// ---------------------------------------------------------------- create

int DoCreate(const Arguments& a, const PasswordSource& source) {
    const std::string& path = a.operands[0];
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !a.force) {
        return Fail(path + ": already exists (--force replaces it)");
    }
    CreateSettings settings;
    const std::string method = a.method.value_or("twofish");
    settings.encrypt = method != "none";
    settings.method = method == "blowfish" ? kMethodBlowfish
                      : method == "basic"  ? kMethodBasic
                                           : kMethodTwofish;
    const std::string thumbnails = a.thumbnails.value_or("96");
    settings.thumbnails = thumbnails != "none";
    const int sizeIndex = thumbnails == "32" ? 0 : thumbnails == "48" ? 1 : thumbnails == "64" ? 2 : 3;
    settings.thumbnailFormat = static_cast<uint8_t>(2 * sizeIndex + 1 + (a.grey ? 0 : 1));
    settings.highQuality = a.quality.value_or("smooth") == "smooth";

    Session s(source);
    s.host.SetCreateSettings(settings);
    const Status status = s.archive.Create(path, settings);
    if (status != kOk) {
        if (status == kCancelled && s.host.PasswordRefused() && !s.host.CancelRequested()) {
            return kExitFailed; // the password was refused; the notice says why
        }
        return ExitFor(status, s.host);
    }
    return s.Save();
}

// ---------------------------------------------------------------- reading verbs

int DoInfo(const Arguments& /*a*/, Session& s) {
    CCodeArchive& ar = s.archive;
    const char* method = "none";
    switch (ar.method()) {
    case kMethodTwofish:
        method = "twofish";
        break;
    case kMethodBlowfish:
        method = "blowfish";
        break;
    case kMethodBasic:
        method = "basic";
        break;
    default:
        break;
    }
    std::string thumbnails = "none";
    const uint8_t format = ar.thumbnailFormat();
    if (ThumbSizeIndex(format) != 0) {
        static const char* const kSizes[] = {"", "32", "48", "64", "96"};
        thumbnails = std::string(kSizes[ThumbSizeIndex(format)]) +
                     (ThumbIsGrey(format) ? " grey" : " colour") +
                     (ar.thumbnailQuality() != 0 ? " smooth" : " standard");
    }
    const uint64_t length = ar.fileLength();
    std::printf("method: %s\n", method);
    std::printf("thumbnails: %s\n", thumbnails.c_str());
    std::printf("entries: %d\n", ar.entryCount());
    std::printf("folders: %d\n", ar.folderCount());
    std::printf("files: %d\n", ar.fileCount());
    std::printf("data-size: %u\n", ar.dataSize());
    std::printf("catalogue-size: %u\n", ar.catalogueSize());
    std::printf("file-length: %llu\n", static_cast<unsigned long long>(length));
    std::printf("defragment-pending: %s\n", ar.defragmentPending() ? "yes" : "no");
    return kExitOk;
}

int DoLs(const Arguments& a, Session& s) {
    int base = 0;
    if (a.operands.size() > 1) {
        if (int rc = s.Resolve(a.operands[1], base); rc != kExitOk) {
            return rc;
        }
    }
    const CatalogueView& v = s.view;
    auto print = [&](int n, const std::string& path) {
        std::string shown = EscapeName(path) + (v.IsFolder(n) ? "/" : "");
        if (!a.longFormat) {
            std::printf("%s\n", shown.c_str());
            return;
        }
        const CatalogueEntry* e = s.archive.Entry(EntryIndex::OfNumber(n));
        char dimensions[32] = "-";
        if (!e->IsFolder() && e->width != -1) {
            std::snprintf(dimensions, sizeof dimensions, "%dx%d", e->width, e->height);
        }
        std::printf("#%d\t%s\t%u\t%s\t%s\t%s\n", n, e->IsFolder() ? "d" : "-", e->size, dimensions,
                    IsoUtc(e->modified).c_str(), shown.c_str());
    };
    if (!v.IsFolder(base)) {
        print(base, v.Name(base));
        return kExitOk;
    }
    for (int n = 1; n <= v.Count(); ++n) {
        if (v.Parent(n) == base) {
            print(n, v.Name(n));
        } else if (a.recursive && v.IsBelow(n, base)) {
            print(n, v.RelativePath(n, base));
        }
    }
    return kExitOk;
}

int DoCat(const Arguments& a, Session& s) {
    int n = 0;
    if (int rc = s.Resolve(a.operands[1], n); rc != kExitOk) {
        return rc;
    }
    if (s.view.IsFolder(n)) {
        return Fail(EscapeName(a.operands[1]) + ": is a folder");
    }
    bool writeFailed = false;
    const Status status =
        s.archive.ReadFileData(EntryIndex::OfNumber(n), [&](const uint8_t* data, size_t length) {
            writeFailed = std::fwrite(data, 1, length, stdout) != length;
            return !writeFailed;
        });
    if (std::fflush(stdout) != 0 || writeFailed) {
        return Fail("the output cannot be written");
    }
    // Reading a file's data shows nothing itself.
    return ExitFor(Show(s.host, status), s.host);
}

int DoCheck(const Arguments& a, const PasswordSource& source) {
    Session s(source);
    s.host.SetCapture(true);
    const Status status = OpenArchive(s.archive, s.host, a.operands[0]);
    s.host.SetCapture(false);
    if (status == kErrCorrupt) {
        std::printf("error: %s\n", MessageText(kErrCorrupt));
        return kExitFailed;
    }
    if (status != kOk) {
        for (const std::string& text : s.host.MessageTexts()) {
            Say(text);
        }
        return ExitFor(status, s.host);
    }
    bool errors = false;
    for (const Finding& f : CheckArchive(s.archive)) {
        std::printf("%s: %s\n", f.error ? "error" : "warning", f.text.c_str());
        errors = errors || f.error;
    }
    return errors ? kExitFailed : kExitOk;
}

int DoExtract(const Arguments& a, Session& s) {
    std::vector<int> numbers;
    for (size_t i = 1; i < a.operands.size(); ++i) {
        int n = 0;
        if (int rc = s.Resolve(a.operands[i], n); rc != kExitOk) {
            return rc;
        }
        numbers.push_back(n);
    }
    std::vector<int> selection;
    if (numbers.empty() || std::find(numbers.begin(), numbers.end(), 0) != numbers.end()) {
        selection = {0}; // the whole archive without the recycle bin
    } else {
        std::vector<int> expanded;
        for (int n : numbers) {
            if (n == 1) { // the bin itself never takes part: its content does
                for (int c = 2; c <= s.view.Count(); ++c) {
                    if (s.view.Parent(c) == 1) {
                        expanded.push_back(c);
                    }
                }
            } else {
                expanded.push_back(n);
            }
        }
        selection = NormalizeSelection(s.view, expanded);
        if (selection.empty()) {
            return kExitOk;
        }
    }
    const std::string folder = WithoutTrailingSlash(*a.directory);
    if (!MakeOutputFolder(folder)) {
        return Fail(folder + ": not a folder that can be written to");
    }
    s.host.SetExportFolder(folder);
    std::vector<std::string> written;
    // Folders come out as folders, empty or not.
    const Status status = s.archive.ExportSelection(selection, &written, true);
    for (const std::string& path : written) {
        std::printf("%s\n", EscapeName(path).c_str());
    }
    return ExitFor(status, s.host);
}

// ---------------------------------------------------------------- changing verbs

int DoMkdir(const Arguments& a, Session& s) {
    const std::vector<PathComponent> components = SplitItemPath(a.operands[1]);
    if (components.empty()) {
        return Fail("mkdir needs a folder name");
    }
    int current = 0;
    for (size_t i = 0; i < components.size(); ++i) {
        const PathComponent& c = components[i];
        const bool last = i + 1 == components.size();
        if (!s.view.IsFolder(current)) {
            return Fail(EscapeName(a.operands[1]) + ": not a folder: " + EscapeName(s.view.Name(current)));
        }
        if (c.isNumber) {
            if (c.number < 1 || c.number > s.view.Count() || (i > 0 && s.view.Parent(c.number) != current)) {
                return Fail(EscapeName(a.operands[1]) + ": no such item", kExitNotFound);
            }
            if (last && !a.parents) {
                return Fail(EscapeName(a.operands[1]) + ": already exists");
            }
            current = c.number;
            continue;
        }
        const std::vector<int> found = s.view.Children(current, c.name);
        if (found.size() > 1) {
            std::string text = EscapeName(a.operands[1]) + ": ambiguous, it matches";
            for (int n : found) {
                text += " #" + std::to_string(n);
            }
            return Fail(text, kExitNotFound);
        }
        if (found.size() == 1) {
            if (last && (!a.parents || !s.view.IsFolder(found[0]))) {
                return Fail(EscapeName(a.operands[1]) + ": already exists");
            }
            current = found[0];
            continue;
        }
        if (!last && !a.parents) {
            return Fail(EscapeName(a.operands[1]) + ": no such folder (-p makes it)", kExitNotFound);
        }
        if (HasForbiddenCharacter(c.name)) {
            return Fail(ForbiddenMessage());
        }
        if (!FitsTextField(c.name)) {
            return Fail(EscapeName(c.name) + ": a name holds at most 126 bytes");
        }
        int created = 0;
        const Status status = s.archive.CreateFolder(current, c.name, kTypeFolder, &created);
        if (status != kOk) {
            return ExitFor(status, s.host);
        }
        if (created == 0) {
            return ExitFor(Show(s.host, kErrGeneral), s.host);
        }
        s.Reload();
        current = created;
    }
    return s.Save();
}

int DoRename(const Arguments& a, Session& s) {
    int n = 0;
    if (int rc = s.Resolve(a.operands[1], n); rc != kExitOk) {
        return rc;
    }
    const std::string& name = a.operands[2];
    if (n == 0) {
        return Fail("the top level of an archive has no name to change");
    }
    if (n == 1) {
        return Fail("the Recycle Bin cannot be renamed");
    }
    if (HasForbiddenCharacter(name)) {
        return Fail(ForbiddenMessage());
    }
    if (TrimSpaces(name).empty()) {
        return Fail("a name cannot be empty");
    }
    if (!FitsTextField(TrimSpaces(name))) {
        return Fail("a name holds at most 126 bytes");
    }
    if (const Status status = s.archive.Rename(EntryIndex::OfNumber(n), name); status != kOk) {
        return ExitFor(status, s.host);
    }
    return s.Save();
}

int DoComment(const Arguments& a, Session& s) {
    int n = 0;
    if (int rc = s.Resolve(a.operands[1], n); rc != kExitOk) {
        return rc;
    }
    if (n == 0) {
        return Fail("the top level of an archive has no comment");
    }
    const std::string& text = a.operands[2];
    if (!FitsTextField(text) || text.find('\0') != std::string::npos) {
        return Fail("a comment holds at most 126 bytes");
    }
    if (const Status status = s.archive.SetEntryComment(EntryIndex::OfNumber(n), text); status != kOk) {
        return ExitFor(status, s.host);
    }
    return s.Save();
}

// The folder named by --to (default: the top level); 0 with `folder` set, else the exit status.
int TargetFolder(const Session& s, const std::optional<std::string>& to, int& folder) {
    folder = 0;
    if (!to) {
        return kExitOk;
    }
    if (int rc = s.Resolve(*to, folder); rc != kExitOk) {
        return rc;
    }
    if (!s.view.IsFolder(folder)) {
        return Fail(EscapeName(*to) + ": not a folder");
    }
    return kExitOk;
}

int DoAdd(const Arguments& a, Session& s) {
    int folder = 0;
    if (int rc = TargetFolder(s, a.to, folder); rc != kExitOk) {
        return rc;
    }
    std::vector<std::string> paths;
    for (size_t i = 1; i < a.operands.size(); ++i) {
        const std::string path = WithoutTrailingSlash(a.operands[i]);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            return Fail(path + ": no such file or folder");
        }
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            return Fail(path + ": neither a file nor a folder");
        }
        paths.push_back(path);
    }
    std::vector<ImportedItem> added;
    std::vector<std::string> skipped;
    const Status status = ImportPaths(s.archive, paths, folder, true, &added, &skipped);
    for (const ImportedItem& item : added) {
        std::printf("added #%d %s\n", item.number, EscapeName(item.path).c_str());
    }
    std::fflush(stdout);
    for (const std::string& path : skipped) {
        struct stat link {};
        struct stat target {};
        const bool folderLink = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
                                ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        Say(EscapeName(path) + ": skipped, " +
            (folderLink ? "a link to a folder is not followed" : "neither a file nor a folder"));
    }
    int result = ExitFor(status, s.host);
    if (result == kExitOk && added.empty()) {
        result = kExitFailed; // nothing at all was added
    }
    // --move: every copy is read back before the archive is closed; the sources go only once the
    // archive has been saved, and only those found identical.
    std::vector<OriginalCheck> checks;
    if (a.move && result == kExitOk) {
        checks = VerifyOriginals(s.archive, added);
    }
    const int saved = s.Save();
    if (a.move) {
        if (result != kExitOk || saved != kExitOk) {
            Say("the import did not complete: every original is kept");
        } else {
            // Files first, then the folders, in the order they were removed.
            const std::vector<OriginalOutcome> outcomes = RemoveOriginals(checks);
            for (const bool folders : {false, true}) {
                for (const OriginalOutcome& o : outcomes) {
                    if (o.folder != folders) {
                        continue;
                    }
                    if (o.removed) {
                        std::printf("removed %s\n", EscapeName(o.path).c_str());
                    } else {
                        Say(EscapeName(o.path) + ": original kept, " + o.problem);
                        if (!o.folder) {
                            result = kExitFailed;
                        }
                    }
                }
            }
            std::fflush(stdout);
        }
    }
    return result != kExitOk ? result : saved;
}

// Resolves the items of a move-like verb: operands from index 1, never the top level or the bin.
int ResolveItems(const Arguments& a, Session& s, std::vector<int>& numbers) {
    for (size_t i = 1; i < a.operands.size(); ++i) {
        int n = 0;
        if (int rc = s.Resolve(a.operands[i], n); rc != kExitOk) {
            return rc;
        }
        if (n == 0) {
            return Fail("the top level cannot be " + std::string(a.verb == "cp" ? "copied" : "moved") +
                        " as an item");
        }
        if (n == 1) {
            return Fail("the Recycle Bin itself cannot be " + std::string(a.verb == "cp"   ? "copied"
                                                                          : a.verb == "mv" ? "moved"
                                                                                           : "removed"));
        }
        numbers.push_back(n);
    }
    return kExitOk;
}

int Move(Session& s, const std::vector<int>& numbers, int destination) {
    const Status status = s.archive.MoveEntries(NormalizeSelection(s.view, numbers), destination, false);
    const int result = ExitFor(status, s.host);
    const int saved = s.Save();
    return result != kExitOk ? result : saved;
}

int DoRm(const Arguments& a, Session& s) {
    std::vector<int> numbers;
    if (int rc = ResolveItems(a, s, numbers); rc != kExitOk) {
        return rc;
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (s.view.inBin[static_cast<size_t>(numbers[i] - 1)]) {
            return Fail(EscapeName(a.operands[i + 1]) + ": already in the Recycle Bin");
        }
    }
    return Move(s, numbers, 1);
}

int DoRestore(const Arguments& a, Session& s) {
    std::vector<int> numbers;
    if (int rc = ResolveItems(a, s, numbers); rc != kExitOk) {
        return rc;
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (!s.view.inBin[static_cast<size_t>(numbers[i] - 1)]) {
            return Fail(EscapeName(a.operands[i + 1]) + ": not in the Recycle Bin");
        }
    }
    return Move(s, numbers, 0);
}

int DoMv(const Arguments& a, Session& s) {
    std::vector<int> numbers;
    if (int rc = ResolveItems(a, s, numbers); rc != kExitOk) {
        return rc;
    }
    int folder = 0;
    if (int rc = TargetFolder(s, a.to, folder); rc != kExitOk) {
        return rc;
    }
    return Move(s, numbers, folder);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x {};
    struct stat y {};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

int DoCp(const Arguments& a, Session& s) {
    std::vector<int> numbers;
    if (int rc = ResolveItems(a, s, numbers); rc != kExitOk) {
        return rc;
    }
    const std::vector<int> selection = NormalizeSelection(s.view, numbers);
    if (!a.into || SameFile(*a.into, a.operands[0])) {
        int folder = 0;
        if (int rc = TargetFolder(s, a.to, folder); rc != kExitOk) {
            return rc;
        }
        const Status status = s.archive.CopyEntries(selection, folder, s.archive);
        const int result = ExitFor(status, s.host);
        const int saved = s.Save();
        return result != kExitOk ? result : saved;
    }

    PasswordSource source;
    if (a.intoPasswordFile) {
        std::string error;
        std::optional<std::string> password = ReadPasswordFile(*a.intoPasswordFile, error);
        if (!password) {
            return Fail(error, kExitUsage);
        }
        source = {std::move(password), "file"};
    } else if (const char* env = std::getenv("KVQ_INTO_PASSWORD")) {
        source = {std::string(env), "environment"};
    } else if (!s.host.LastPassword().empty()) {
        source = {s.host.LastPassword(), "the same password"};
    } else {
        source = {std::nullopt, "terminal"};
    }
    Session target(std::move(source));
    if (int rc = target.Open(*a.into); rc != kExitOk) {
        return rc;
    }
    if (target.archive.readOnly()) {
        return ExitFor(Show(target.host, kErrReadOnly), target.host);
    }
    int folder = 0;
    if (int rc = TargetFolder(target, a.to, folder); rc != kExitOk) {
        return rc;
    }
    const Status status = s.archive.CopyEntries(selection, folder, target.archive);
    int result = ExitFor(status, target.host);
    if (s.host.CancelRequested()) {
        result = kExitInterrupted;
    }
    const int savedTarget = target.Save();
    const int savedSource = s.Save();
    if (result != kExitOk) {
        return result;
    }
    return savedTarget != kExitOk ? savedTarget : savedSource;
}

int DoEmptyBin(const Arguments& /*a*/, Session& s) {
    const Status status = s.archive.EmptyRecycleBin({1});
    const int result = ExitFor(status, s.host);
    const int saved = s.Save();
    return result != kExitOk ? result : saved;
}

// ---------------------------------------------------------------- salvage

int DoSalvage(const Arguments& a, const PasswordSource& source) {
    const std::string folder = WithoutTrailingSlash(*a.directory);
    if (!MakeOutputFolder(folder)) {
        return Fail(folder + ": not a folder that can be written to");
    }
    TerminalHost host(source);
    SalvageReport report;
    Status status = kOk;
    for (int attempt = 1; attempt <= kPasswordAttempts; ++attempt) {
        status = SalvageArchive(PosixFileSystem(), host, a.operands[0], folder, report);
        if (!report.wrongPassword || !host.PromptsOnTerminal() || host.CancelRequested()) {
            break;
        }
    }
    host.WipePassword();
    for (const SalvagedFile& f : report.recovered) {
        std::printf("salvaged #%d %s\n", f.number, EscapeName(f.path).c_str());
    }
    std::fflush(stdout);
    if (status != kOk) {
        return ExitFor(status, host);
    }
    for (const SalvageLoss& loss : report.lost) {
        Say("#" + std::to_string(loss.number) + ": " + loss.reason);
    }
    if (!report.lost.empty()) {
        Say(std::to_string(report.recovered.size()) + " files salvaged; " +
            std::to_string(report.lost.size()) + " of " + std::to_string(report.declaredEntries) +
            " entries could not be recovered");
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int RunVerb(const Arguments& a) {
    PasswordSource source;
    std::string error;
    if (!MainPasswordSource(a, source, error)) {
        return Fail(error, kExitUsage);
    }
    if (a.verb == "create") {
        return DoCreate(a, source);
    }
    if (a.verb == "check") {
        return DoCheck(a, source);
    }
    if (a.verb == "salvage") {
        return DoSalvage(a, source);
    }
    static const std::map<std::string, Verb> kVerbs{
        {"info", DoInfo},          {"ls", DoLs},       {"cat", DoCat},
        {"extract", DoExtract},    {"mkdir", DoMkdir}, {"rename", DoRename},
        {"comment", DoComment},    {"add", DoAdd},     {"rm", DoRm},
        {"restore", DoRestore},    {"mv", DoMv},       {"cp", DoCp},
        {"empty-bin", DoEmptyBin},
    };
    const auto verb = kVerbs.find(a.verb);
    if (verb == kVerbs.end()) {
        return Fail("unknown verb '" + a.verb + "'", kExitUsage);
    }
    Session session(source);
    if (int rc = session.Open(a.operands[0]); rc != kExitOk) {
        return rc;
    }
    // An archive that cannot be written is read; a verb that would change it is refused up front.
    static const std::set<std::string> kChanging{"mkdir", "rename",  "comment", "add",
                                                 "rm",    "restore", "mv",      "empty-bin"};
    const bool changes =
        kChanging.count(a.verb) != 0 || (a.verb == "cp" && (!a.into || SameFile(*a.into, a.operands[0])));
    if (changes && session.archive.readOnly()) {
        return ExitFor(Show(session.host, kErrReadOnly), session.host);
    }
    return verb->second(a, session);
}

} // namespace quorvane::cli
