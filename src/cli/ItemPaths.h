#pragma once
// Items inside an archive as kvq names them: "/"-separated paths from the top level ("/" alone is
// the top level), "#N" for entry number N in any component (needed because names are not unique),
// "\#" for a name that starts with "#".
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {
class CCodeArchive;
}

namespace quorvane::cli {

// The catalogue as the verbs need it, decrypted once. Index = entry number - 1.
struct CatalogueView {
    std::vector<std::string> names;
    std::vector<int32_t> parents;
    std::vector<bool> folders;
    std::vector<bool> inBin;

    static CatalogueView Of(CCodeArchive& archive);
    int Count() const { return static_cast<int>(names.size()); }
    bool IsFolder(int number) const { return number == 0 || folders[static_cast<size_t>(number - 1)]; }
    int Parent(int number) const { return parents[static_cast<size_t>(number - 1)]; }
    const std::string& Name(int number) const { return names[static_cast<size_t>(number - 1)]; }
    // Entries directly in `folder` named `name`, in entry-number order.
    std::vector<int> Children(int folder, const std::string& name) const;
    // True when `ancestor` lies on the chain of parents above `number` (0, the top level, always does).
    bool IsBelow(int number, int ancestor) const;
    // The path of `number` relative to the folder `base` (an ancestor of it).
    std::string RelativePath(int number, int base) const;
};

struct PathComponent {
    bool isNumber = false;
    int number = 0;
    std::string name;
};

// Splits an item path into components; empty components (leading, trailing, doubled "/") vanish.
std::vector<PathComponent> SplitItemPath(const std::string& text);

enum class LookupResult { Found, NotFound, Ambiguous };

struct Lookup {
    LookupResult result = LookupResult::NotFound;
    int number = 0;              // Found: the entry (0: the top level)
    std::vector<int> candidates; // Ambiguous: every match
    std::string message;         // NotFound and Ambiguous: what to tell the user
};

Lookup ResolveItem(const CatalogueView& view, const std::string& text);

// A selection for the engine: duplicates removed, and every item whose ancestor is also selected
// dropped (the ancestor carries it). Entry-number order.
std::vector<int> NormalizeSelection(const CatalogueView& view, const std::vector<int>& numbers);

// A name for output: control characters as \n, \t or \xHH.
std::string EscapeName(const std::string& name);

} // namespace quorvane::cli
