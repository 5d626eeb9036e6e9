#include "TerminalHost.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace quorvane::cli {
namespace {

volatile sig_atomic_t gInterrupted = 0;

void OnInterrupt(int /*signal*/) {
    gInterrupted = 1;
}

size_t CharacterCount(const std::string& utf8) {
    size_t count = 0;
    for (unsigned char c : utf8) {
        count += (c & 0xC0) != 0x80;
    }
    return count;
}

constexpr size_t kMinPassword = 4;
constexpr size_t kMaxPassword = 64;
constexpr int kPromptRounds = 3;
constexpr uint64_t kPieceBytes = 4194304;

} // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a read from the terminal must return on Ctrl+C
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return gInterrupted != 0;
}

std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": the password file cannot be read";
        return std::nullopt;
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

TerminalHost::TerminalHost(PasswordSource source)
    : source_(std::move(source))
    , barEnabled_(isatty(STDERR_FILENO) == 1) {}

void TerminalHost::WipePassword() {
    std::fill(lastPassword_.begin(), lastPassword_.end(), '\0');
    lastPassword_.clear();
}

void TerminalHost::ShowMessage(Status /*code*/, const std::string& text) {
    messageTexts_.push_back(text);
    if (!capture_) {
        ClearBar();
        std::fprintf(stderr, "kvq: %s\n", text.c_str());
    }
}

void TerminalHost::ShowNotice(const std::string& text) {
    ClearBar();
    std::fprintf(stderr, "kvq: %s\n", text.c_str());
}

bool TerminalHost::PromptTerminal(const std::string& prompt, std::string& answer) {
    answer.clear();
    const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        passwordMissing_ = true;
        return false;
    }
    termios saved{};
    const bool haveTermios = tcgetattr(tty, &saved) == 0;
    if (haveTermios) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ICANON;
        tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    [[maybe_unused]] const ssize_t shown = write(tty, prompt.data(), prompt.size());
    bool ok = true;
    for (;;) {
        char c = 0;
        const ssize_t n = read(tty, &c, 1);
        if (n == 1) {
            if (c == '\n' || c == '\r') {
                break;
            }
            answer.push_back(c);
            continue;
        }
        if (n < 0 && errno == EINTR && !Interrupted()) {
            continue;
        }
        ok = n == 0 && !answer.empty(); // end of input ends a typed line; Ctrl+C or an error cancels
        break;
    }
    if (haveTermios) {
        tcsetattr(tty, TCSAFLUSH, &saved);
    }
    [[maybe_unused]] const ssize_t newline = write(tty, "\n", 1);
    close(tty);
    if (Interrupted()) {
        cancelRequested_ = true;
        ok = false;
    }
    if (!ok) {
        std::fill(answer.begin(), answer.end(), '\0');
        answer.clear();
    }
    return ok;
}

bool TerminalHost::AskPassword(const std::string& displayName, std::string& password) {
    if (source_.fixed) {
        password = *source_.fixed;
        lastPassword_ = password;
        return true;
    }
    if (!PromptTerminal("Password for " + displayName + ": ", password)) {
        return false;
    }
    lastPassword_ = password;
    return true;
}

bool TerminalHost::AskCreateSettings(const std::string& /*path*/, CreateSettings& settings) {
    if (!createSettings_) {
        return false;
    }
    if (++createRounds_ > (source_.fixed ? 1 : kPromptRounds)) {
        passwordRefused_ = true; // a fixed password that was refused is refused again: stop
        return false;
    }
    settings = *createSettings_;
    if (!settings.encrypt) {
        settings.password.clear();
        return true;
    }
    if (source_.fixed) {
        if (CharacterCount(*source_.fixed) > kMaxPassword) {
            ShowNotice("The password must be at most 64 characters long.");
            passwordRefused_ = true;
            return false;
        }
        settings.password = *source_.fixed;
        lastPassword_ = settings.password;
        return true;
    }
    for (int round = 0; round < kPromptRounds; ++round) {
        std::string first;
        std::string second;
        if (!PromptTerminal("New password: ", first)) {
            return false;
        }
        const size_t length = CharacterCount(first);
        if (length > kMaxPassword) {
            ShowNotice("The password must be at most 64 characters long.");
            continue;
        }
        if (length < kMinPassword) {
            // The engine shows its own notice and asks again.
            settings.password = first;
            return true;
        }
        if (!PromptTerminal("Repeat password: ", second)) {
            return false;
        }
        if (first != second) {
            ShowMessage(kErrConfirmPassword, MessageText(kErrConfirmPassword));
            continue;
        }
        settings.password = first;
        lastPassword_ = first;
        std::fill(second.begin(), second.end(), '\0');
        return true;
    }
    passwordRefused_ = true; // every round typed a password that could not be taken
    return false;
}

bool TerminalHost::AskConfirmPassword(std::string& password) {
    // Typed twice already when prompted; a password from a file or the environment needs no repeat.
    password = lastPassword_;
    return true;
}

bool TerminalHost::Confirm(const Prompt& /*prompt*/) {
    return true;
}

void TerminalHost::Alert(const Prompt& prompt) {
    if (prompt.dialogId == AlertDefragmentCancelled().dialogId) {
        ClearBar();
        std::fprintf(stderr, "kvq: note: %s\n", prompt.text.c_str());
    }
}

bool TerminalHost::ChooseFolder(std::string& folder) {
    if (!exportFolder_) {
        return false;
    }
    folder = *exportFolder_;
    return true;
}

// ---------------------------------------------------------------- progress bar

void TerminalHost::ProgressOpen(int kind, const std::string& archiveName, int /*thumbnailFormat*/,
                                int /*quality*/) {
    static const char* const kTitles[] = {"",          "Copying",       "Encrypting",
                                          "Exporting", "Defragmenting", "Thumbnails"};
    title_ = archiveName + ": " + (kind >= 1 && kind <= 5 ? kTitles[kind] : "Working");
    barOpen_ = true;
    total_ = 0;
    counts_ = {};
    piece_ = pieces_ = 0;
    line_.clear();
    started_ = std::chrono::steady_clock::now();
    lastDraw_ = {};
}

void TerminalHost::ProgressTotal(int total) {
    total_ = total;
    Draw(false);
}

void TerminalHost::ProgressText(const std::string& text, const ProgressCounts& counts) {
    line_ = text;
    counts_ = counts;
    piece_ = pieces_ = 0;
    Draw(false);
}

void TerminalHost::ProgressPiece(int piece, int pieces) {
    piece_ = piece;
    pieces_ = pieces;
    Draw(false);
}

bool TerminalHost::PollCancel() {
    if (Interrupted()) {
        cancelRequested_ = true;
    }
    return cancelRequested_;
}

void TerminalHost::ProgressClose() {
    ClearBar();
    barOpen_ = false;
}

void TerminalHost::ClearBar() {
    if (barDrawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        barDrawn_ = false;
    }
}

void TerminalHost::Draw(bool force) {
    if (!barEnabled_ || !barOpen_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) {
        return;
    }
    lastDraw_ = now;
    const int total = counts_.planned > 0 ? counts_.planned : total_;
    const int done = counts_.done;
    // The fraction done: bytes when the operation counts them, else items.
    // The 4 MiB pieces of a large file count before the file itself is done.
    const uint64_t bytes = counts_.bytesUsed + uint64_t{static_cast<uint32_t>(piece_)} * kPieceBytes;
    double fraction = 0;
    if (counts_.bytesPlanned > 0) {
        fraction = static_cast<double>(bytes) / static_cast<double>(counts_.bytesPlanned);
    } else if (total > 0) {
        fraction = static_cast<double>(done) / total;
        if (pieces_ > 0) {
            fraction += static_cast<double>(piece_) / pieces_ / total;
        }
    }
    fraction = fraction < 0 ? 0 : (fraction > 1 ? 1 : fraction);
    const double seconds = std::chrono::duration<double>(now - started_).count();

    constexpr int kWidth = 20;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    char figures[128];
    int n = std::snprintf(figures, sizeof figures, " %d/%d", done, total);
    if (bytes > 0 && seconds > 0.2) {
        n += std::snprintf(figures + n, sizeof figures - static_cast<size_t>(n), "  %.1f MB/s",
                           static_cast<double>(bytes) / 1048576.0 / seconds);
    }
    if (fraction > 0.01 && seconds > 0.5) {
        const int left = static_cast<int>(std::lround(seconds / fraction - seconds));
        std::snprintf(figures + n, sizeof figures - static_cast<size_t>(n), "  %d:%02d left", left / 60,
                      left % 60);
    }
    std::string text = line_;
    if (text.size() > 24) {
        text = text.substr(0, 23) + "~";
    }
    std::fprintf(stderr, "\r\033[K%s [%s]%s  %s", title_.c_str(), bar.c_str(), figures, text.c_str());
    std::fflush(stderr);
    barDrawn_ = true;
}

} // namespace quorvane::cli
