#pragma once
// The command line of kvq: VERB ARCHIVE [ARGS...] [OPTIONS]. Options may stand anywhere after the
// verb; "--" ends them. Which options a verb accepts is checked here, so that a verb never sees
// one it would silently ignore.
#include <optional>
#include <string>
#include <vector>

namespace quorvane::cli {

struct Arguments {
    std::string verb;
    std::vector<std::string> operands; // the archive first, then the verb's own arguments
    // Flags.
    bool force = false;
    bool grey = false;
    bool longFormat = false; // ls -l
    bool recursive = false;  // ls -R
    bool parents = false;    // mkdir -p
    bool move = false;       // add --move
    // Options with a value.
    std::optional<std::string> passwordFile;
    std::optional<std::string> intoPasswordFile;
    std::optional<std::string> method;
    std::optional<std::string> thumbnails;
    std::optional<std::string> quality;
    std::optional<std::string> to;
    std::optional<std::string> directory; // -C
    std::optional<std::string> into;
};

struct ParseResult {
    bool help = false; // --help, -h or the verb "help": usage on stdout, exit 0
    std::string error; // non-empty: a usage error, exit 2
    Arguments arguments;
};

ParseResult ParseArguments(const std::vector<std::string>& argv);

// The usage text (ends with a newline).
const char* UsageText();

} // namespace quorvane::cli
