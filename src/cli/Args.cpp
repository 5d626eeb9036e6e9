#include "Args.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace quorvane::cli {
namespace {

enum Option : unsigned {
    kOptPassword = 1u << 0,
    kOptForce = 1u << 1,
    kOptMethod = 1u << 2,
    kOptThumbnails = 1u << 3,
    kOptGrey = 1u << 4,
    kOptQuality = 1u << 5,
    kOptLong = 1u << 6,
    kOptRecursive = 1u << 7,
    kOptParents = 1u << 8,
    kOptTo = 1u << 9,
    kOptDirectory = 1u << 10,
    kOptInto = 1u << 11,
    kOptIntoPassword = 1u << 12,
    kOptMove = 1u << 13,
};

struct VerbRule {
    std::string_view name;
    size_t minOperands; // the archive included
    size_t maxOperands; // 0: no limit
    unsigned options;
    unsigned required;
};

constexpr std::array kVerbs{
    VerbRule{"create", 1, 1, kOptPassword | kOptForce | kOptMethod | kOptThumbnails | kOptGrey | kOptQuality,
             0},
    VerbRule{"ls", 1, 2, kOptPassword | kOptLong | kOptRecursive, 0},
    VerbRule{"info", 1, 1, kOptPassword, 0},
    VerbRule{"mkdir", 2, 2, kOptPassword | kOptParents, 0},
    VerbRule{"rename", 3, 3, kOptPassword, 0},
    VerbRule{"comment", 3, 3, kOptPassword, 0},
    VerbRule{"check", 1, 1, kOptPassword, 0},
    VerbRule{"add", 2, 0, kOptPassword | kOptTo | kOptMove, 0},
    VerbRule{"extract", 1, 0, kOptPassword | kOptDirectory, kOptDirectory},
    VerbRule{"cat", 2, 2, kOptPassword, 0},
    VerbRule{"rm", 2, 0, kOptPassword, 0},
    VerbRule{"restore", 2, 0, kOptPassword, 0},
    VerbRule{"mv", 2, 0, kOptPassword | kOptTo, kOptTo},
    VerbRule{"cp", 2, 0, kOptPassword | kOptTo | kOptInto | kOptIntoPassword, kOptTo},
    VerbRule{"empty-bin", 1, 1, kOptPassword, 0},
    VerbRule{"salvage", 1, 1, kOptPassword | kOptDirectory, kOptDirectory},
};

struct OptionName {
    std::string_view name;
    Option option;
    bool takesValue;
};

constexpr std::array kOptions{
    OptionName{"--password-file", kOptPassword, true},
    OptionName{"--force", kOptForce, false},
    OptionName{"--method", kOptMethod, true},
    OptionName{"--thumbnails", kOptThumbnails, true},
    OptionName{"--grey", kOptGrey, false},
    OptionName{"--quality", kOptQuality, true},
    OptionName{"-l", kOptLong, false},
    OptionName{"-R", kOptRecursive, false},
    OptionName{"-p", kOptParents, false},
    OptionName{"--to", kOptTo, true},
    OptionName{"-C", kOptDirectory, true},
    OptionName{"--into", kOptInto, true},
    OptionName{"--into-password-file", kOptIntoPassword, true},
    OptionName{"--move", kOptMove, false},
};

const OptionName* FindOption(std::string_view name) {
    for (const OptionName& o : kOptions) {
        if (o.name == name) {
            return &o;
        }
    }
    return nullptr;
}

bool OneOf(const std::string& value, std::initializer_list<std::string_view> allowed) {
    return std::any_of(allowed.begin(), allowed.end(), [&](std::string_view a) { return value == a; });
}

void Store(Arguments& a, Option option, const std::string& value) {
    switch (option) {
    case kOptPassword:
        a.passwordFile = value;
        break;
    case kOptForce:
        a.force = true;
        break;
    case kOptMethod:
        a.method = value;
        break;
    case kOptThumbnails:
        a.thumbnails = value;
        break;
    case kOptGrey:
        a.grey = true;
        break;
    case kOptQuality:
        a.quality = value;
        break;
    case kOptLong:
        a.longFormat = true;
        break;
    case kOptRecursive:
        a.recursive = true;
        break;
    case kOptParents:
        a.parents = true;
        break;
    case kOptTo:
        a.to = value;
        break;
    case kOptDirectory:
        a.directory = value;
        break;
    case kOptInto:
        a.into = value;
        break;
    case kOptIntoPassword:
        a.intoPasswordFile = value;
        break;
    case kOptMove:
        a.move = true;
        break;
    }
}

} // namespace

const char* UsageText() {
    return "usage: kvq VERB ARCHIVE [ARGS...] [OPTIONS]\n"
           "\n"
           "  create ARCHIVE [--method twofish|blowfish|basic|none] [--thumbnails none|32|48|64|96]\n"
           "                 [--grey] [--quality standard|smooth] [--force]\n"
           "  info ARCHIVE\n"
           "  ls ARCHIVE [FOLDER] [-l] [-R]\n"
           "  check ARCHIVE\n"
           "  mkdir ARCHIVE PATH [-p]\n"
           "  rename ARCHIVE ITEM NAME\n"
           "  comment ARCHIVE ITEM TEXT\n"
           "  add ARCHIVE PATH... [--to FOLDER] [--move]\n"
           "  extract ARCHIVE [ITEM...] -C DIR\n"
           "  cat ARCHIVE ITEM\n"
           "  rm ARCHIVE ITEM...\n"
           "  restore ARCHIVE ITEM...\n"
           "  mv ARCHIVE ITEM... --to FOLDER\n"
           "  cp ARCHIVE ITEM... --to FOLDER [--into OTHER_ARCHIVE] [--into-password-file FILE]\n"
           "  empty-bin ARCHIVE\n"
           "  salvage ARCHIVE -C DIR\n"
           "\n"
           "Items are /-separated paths from the top level (\"/\" is the top level), or #N for entry\n"
           "number N (\\# for a name starting with #); \"Recycle Bin\" and #1 are the recycle bin.\n"
           "The password comes from --password-file FILE (its first line), else KVQ_PASSWORD, else\n"
           "the terminal. \"--\" ends the options. add --move removes each source file once its\n"
           "stored copy has been read back and found identical; any other source is kept.\n"
           "\n"
           "Exit status: 0 success, 1 failure, 2 usage error or no password, 3 wrong password or not\n"
           "an archive, 4 item not found or ambiguous, 5 archive locked or in use, 6 archive made by a\n"
           "newer version, 130 interrupted.\n";
}

ParseResult ParseArguments(const std::vector<std::string>& argv) {
    ParseResult result;
    if (argv.empty()) {
        result.error = "no verb given";
        return result;
    }
    const std::string& verb = argv[0];
    if (verb == "help" || verb == "--help" || verb == "-h") {
        result.help = true;
        return result;
    }
    const VerbRule* rule = nullptr;
    for (const VerbRule& r : kVerbs) {
        if (r.name == verb) {
            rule = &r;
        }
    }
    if (rule == nullptr) {
        result.error = "unknown verb '" + verb + "'";
        return result;
    }
    Arguments& a = result.arguments;
    a.verb = verb;
    unsigned seen = 0;
    bool optionsEnded = false;
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            a.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            result.help = true;
            return result;
        }
        // Long options may carry their value after "=".
        std::string name = word;
        std::optional<std::string> inlineValue;
        if (word.rfind("--", 0) == 0) {
            const size_t equals = word.find('=');
            if (equals != std::string::npos) {
                name = word.substr(0, equals);
                inlineValue = word.substr(equals + 1);
            }
        }
        std::vector<const OptionName*> options;
        if (const OptionName* o = FindOption(name)) {
            options.push_back(o);
        } else if (word[1] != '-' && word.size() > 2) {
            // Bundled single-letter flags, as in -lR.
            for (size_t k = 1; k < word.size(); ++k) {
                const OptionName* o = FindOption(std::string{'-', word[k]});
                if (o == nullptr || o->takesValue) {
                    options.clear();
                    break;
                }
                options.push_back(o);
            }
        }
        if (options.empty()) {
            result.error = "unknown option '" + word + "'";
            return result;
        }
        for (const OptionName* o : options) {
            if ((rule->options & o->option) == 0) {
                result.error = "option '" + std::string(o->name) + "' does not apply to " + verb;
                return result;
            }
            std::string value;
            if (o->takesValue) {
                if (inlineValue) {
                    value = *inlineValue;
                } else if (i + 1 < argv.size()) {
                    value = argv[++i];
                } else {
                    result.error = "option '" + std::string(o->name) + "' needs a value";
                    return result;
                }
            } else if (inlineValue) {
                result.error = "option '" + std::string(o->name) + "' takes no value";
                return result;
            }
            seen |= o->option;
            Store(a, o->option, value);
        }
    }
    if ((seen & rule->required) != rule->required) {
        result.error = verb + " needs " + ((rule->required & kOptTo) ? "--to FOLDER" : "-C DIR");
        return result;
    }
    if (a.operands.size() < rule->minOperands) {
        result.error = a.operands.empty() ? "no archive given" : "too few arguments for " + verb;
        return result;
    }
    if (rule->maxOperands != 0 && a.operands.size() > rule->maxOperands) {
        result.error = "too many arguments for " + verb;
        return result;
    }
    if (a.method && !OneOf(*a.method, {"twofish", "blowfish", "basic", "none"})) {
        result.error = "--method must be twofish, blowfish, basic or none";
    } else if (a.thumbnails && !OneOf(*a.thumbnails, {"none", "32", "48", "64", "96"})) {
        result.error = "--thumbnails must be none, 32, 48, 64 or 96";
    } else if (a.quality && !OneOf(*a.quality, {"standard", "smooth"})) {
        result.error = "--quality must be standard or smooth";
    } else if (a.directory && a.directory->empty()) {
        result.error = "-C needs a folder";
    }
    return result;
}

} // namespace quorvane::cli
