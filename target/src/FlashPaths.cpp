// Path and pattern resolution of a simulated core (the rules are in FlashCore.h).
#include <string>

#include "FlashCore.h"

namespace quorvex::sim {
namespace {

// The root under which an application core in extended mode keeps its flash,
// by the OS type it announces.
std::string_view ExtendedRoot(std::int32_t os_type) {
    switch (os_type) {
        case 1:
            return "/RTOS/Vendrix/NVM";
        case 2:
            return "/Windows/Vendrix/NVM";
        case 3:
            return "/data/Linux/Vendrix/NVM";
        default:
            return {};
    }
}

}  // namespace

bool FlashCore::IsStorableName(std::string_view name) {
    if (name.empty() || name.size() >= kPathFieldSize || name == "." || name == "..") return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == '@' || c == '*' || c == '?') {
            return false;
        }
    }
    return true;
}

bool FlashCore::GlobMatch(std::string_view pattern, std::string_view name) {
    // Greedy match with one backtrack point: the last "*" seen.
    std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool FlashCore::ValidComponent(std::string_view part, bool allow_wildcards) const {
    if (part.size() > config_.max_file_name_len) return false;
    if (!allow_wildcards) return IsStorableName(part);
    std::string plain(part);
    for (char& c : plain) {
        if (c == '*' || c == '?') c = 'x';
    }
    return IsStorableName(plain);
}

FlashVolume* FlashCore::FindVolume(std::string_view name) {
    for (FlashVolume& v : volumes_) {
        if (v.config.name == name) return &v;
    }
    return nullptr;
}

bool FlashCore::SplitPath(std::string_view text, bool pattern, FlashPath* out) {
    out->volume = nullptr;
    out->parts.clear();
    if (text.size() >= kPathFieldSize) return false;
    std::string_view rest = text;
    if (!rest.empty() && rest.front() == '/') {
        const std::string_view root = config_.Offers("FDI__Transport__ExtendedMode")
                                          ? ExtendedRoot(config_.os_type)
                                          : std::string_view();
        const bool under_root = !root.empty() && rest.substr(0, root.size()) == root &&
                                (rest.size() == root.size() || rest[root.size()] == '/');
        if (!under_root) return false;
        rest.remove_prefix(root.size());
        out->volume = &default_volume();
    }
    std::vector<std::string> parts;
    while (!rest.empty()) {
        const std::size_t cut = rest.find('/');
        const std::string_view part = rest.substr(0, cut);
        if (!part.empty()) parts.emplace_back(part);
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    if (out->volume == nullptr) {
        // Only a component followed by more of the path can name a volume in a
        // pattern: "dfm" alone is a name to look for on the default volume.
        const bool can_be_volume = !parts.empty() && (!pattern || parts.size() > 1);
        FlashVolume* named = can_be_volume ? FindVolume(parts.front()) : nullptr;
        if (named != nullptr) {
            out->volume = named;
            parts.erase(parts.begin());
        } else {
            out->volume = &default_volume();
        }
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        if (!ValidComponent(parts[i], pattern && last)) return false;
    }
    out->parts = std::move(parts);
    return true;
}

bool FlashCore::ResolvePath(std::string_view text, FlashPath* out) {
    return SplitPath(text, false, out);
}

bool FlashCore::ResolvePattern(std::string_view text, FlashPath* dir, std::string* pattern) {
    const bool ends_in_separator = !text.empty() && text.back() == '/';
    if (!SplitPath(text, !ends_in_separator, dir)) return false;
    if (ends_in_separator || dir->parts.empty()) {
        *pattern = "*";
    } else {
        *pattern = dir->parts.back();
        dir->parts.pop_back();
    }
    for (const std::string& part : dir->parts) {
        if (part.find_first_of("*?") != std::string::npos) return false;
    }
    return true;
}

std::string FlashPath::ParentText() const {
    std::string text;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (i != 0) text += '/';
        text += parts[i];
    }
    return text;
}

std::string FlashPath::Text() const {
    std::string text = ParentText();
    if (!parts.empty()) {
        if (parts.size() > 1) text += '/';
        text += parts.back();
    }
    return text;
}

}  // namespace quorvex::sim
