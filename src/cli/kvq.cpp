// kvq: the command-line tool over the archive engine.
#include "Args.h"
#include "TerminalHost.h"
#include "Verbs.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace quorvane::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    const ParseResult parsed = ParseArguments(words);
    if (parsed.help) {
        std::fputs(UsageText(), stdout);
        return kExitOk;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "kvq: %s\n", parsed.error.c_str());
        std::fputs(UsageText(), stderr);
        return kExitUsage;
    }
    // The image plugins (JPEG, TIFF, ...) are found through the application object; no display is
    // needed or wanted.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QCoreApplication application(argc, argv);
    InstallInterruptHandler();
    // A file-size limit then fails the write with EFBIG, reported like a full disk, instead of
    // killing the process half-way through an operation.
    std::signal(SIGXFSZ, SIG_IGN);
    return RunVerb(parsed.arguments);
}
