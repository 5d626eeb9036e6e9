#include "ItemPaths.h"

#include "CCodeArchive.h"

#include <algorithm>
#include <cstdio>

namespace quorvane::cli {

CatalogueView CatalogueView::Of(CCodeArchive& archive) {
    CatalogueView view;
    const int count = archive.entryCount();
    for (int i = 0; i < count; ++i) {
        const CatalogueEntry* e = archive.Entry(EntryIndex(i));
        if (e == nullptr) {
            break;
        }
        view.names.push_back(archive.GetName(EntryIndex(i)));
        view.parents.push_back(e->parent);
        view.folders.push_back(e->IsFolder());
        view.inBin.push_back(e->inRecycleBin != 0);
    }
    return view;
}

std::vector<int> CatalogueView::Children(int folder, const std::string& name) const {
    std::vector<int> found;
    for (int n = 1; n <= Count(); ++n) {
        if (Parent(n) == folder && Name(n) == name) {
            found.push_back(n);
        }
    }
    return found;
}

bool CatalogueView::IsBelow(int number, int ancestor) const {
    if (ancestor == 0) {
        return true;
    }
    // Parents form no loop (checked on load); the step bound guards the impossible.
    int steps = 0;
    for (int a = Parent(number); a != 0 && steps <= Count(); a = Parent(a), ++steps) {
        if (a == ancestor) {
            return true;
        }
    }
    return false;
}

std::string CatalogueView::RelativePath(int number, int base) const {
    std::vector<int> chain{number};
    for (int a = Parent(number); a != base && a != 0 && static_cast<int>(chain.size()) <= Count();
         a = Parent(a)) {
        chain.push_back(a);
    }
    std::string path;
    for (auto n = chain.rbegin(); n != chain.rend(); ++n) {
        if (!path.empty()) {
            path += '/';
        }
        path += Name(*n);
    }
    return path;
}

std::vector<PathComponent> SplitItemPath(const std::string& text) {
    std::vector<PathComponent> components;
    size_t start = 0;
    while (start <= text.size()) {
        size_t slash = text.find('/', start);
        if (slash == std::string::npos) {
            slash = text.size();
        }
        const std::string part = text.substr(start, slash - start);
        start = slash + 1;
        if (part.empty()) {
            continue;
        }
        PathComponent c;
        if (part.size() > 1 && part[0] == '#' &&
            std::all_of(part.begin() + 1, part.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
            c.isNumber = true;
            c.number = part.size() > 10 ? -1 : std::stoi(part.substr(1));
        } else if (part.size() > 1 && part[0] == '\\' && part[1] == '#') {
            c.name = part.substr(1);
        } else {
            c.name = part;
        }
        components.push_back(std::move(c));
    }
    return components;
}

Lookup ResolveItem(const CatalogueView& view, const std::string& text) {
    Lookup lookup;
    int current = 0;
    bool first = true;
    for (const PathComponent& c : SplitItemPath(text)) {
        if (!view.IsFolder(current)) {
            lookup.message = text + ": not a folder: " + EscapeName(view.Name(current));
            return lookup;
        }
        if (c.isNumber) {
            // A number further down the path must name an entry of the folder reached so far.
            if (c.number < 1 || c.number > view.Count() || (!first && view.Parent(c.number) != current)) {
                lookup.message = text + ": no such item";
                return lookup;
            }
            current = c.number;
        } else {
            const std::vector<int> found = view.Children(current, c.name);
            if (found.empty()) {
                lookup.message = text + ": no such item";
                return lookup;
            }
            if (found.size() > 1) {
                lookup.result = LookupResult::Ambiguous;
                lookup.candidates = found;
                lookup.message = text + ": ambiguous, it matches";
                for (int n : found) {
                    lookup.message += " #" + std::to_string(n);
                }
                return lookup;
            }
            current = found[0];
        }
        first = false;
    }
    lookup.result = LookupResult::Found;
    lookup.number = current;
    return lookup;
}

std::vector<int> NormalizeSelection(const CatalogueView& view, const std::vector<int>& numbers) {
    std::vector<int> unique = numbers;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    std::vector<int> selection;
    for (int n : unique) {
        const bool carried = std::any_of(unique.begin(), unique.end(), [&](int other) {
            return other != n && other != 0 && view.IsBelow(n, other);
        });
        if (!carried) {
            selection.push_back(n);
        }
    }
    return selection;
}

std::string EscapeName(const std::string& name) {
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

} // namespace quorvane::cli
