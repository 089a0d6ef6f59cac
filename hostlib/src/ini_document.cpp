// Parsing and rewriting INI text line by line.
#include "ini_document.h"

#include <strings.h>

namespace quorvex::host::internal {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\f\v";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace

IniDocument IniDocument::Parse(const std::string& text) {
    IniDocument document;
    document.sections_.push_back(Section{"", false, "", {}});
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        start = end + 1;

        std::string trimmed = Trim(raw);
        auto close = trimmed.find(']');
        if (!trimmed.empty() && trimmed.front() == '[' && close != std::string::npos) {
            // The line itself is kept: a comment after the header survives a rewrite.
            document.sections_.push_back(
                Section{Trim(trimmed.substr(1, close - 1)), true, raw, {}});
            continue;
        }
        Line line{raw, {}, {}};
        auto equals = trimmed.find('=');
        bool comment = !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
        if (!comment && equals != std::string::npos && equals > 0) {
            line.key = Trim(trimmed.substr(0, equals));
            line.value = Trim(trimmed.substr(equals + 1));
        }
        document.sections_.back().lines.push_back(std::move(line));
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::string text;
    for (const auto& section : sections_) {
        if (section.has_header) text += section.header + "\n";
        for (const auto& line : section.lines) text += line.text + "\n";
    }
    return text;
}

IniDocument::Section* IniDocument::FindSection(const std::string& name) {
    for (auto& section : sections_) {
        if (section.has_header && SameName(section.name, name)) return &section;
    }
    return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(const std::string& name) const {
    return const_cast<IniDocument*>(this)->FindSection(name);
}

std::optional<std::string> IniDocument::Get(const std::string& section,
                                            const std::string& key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return std::nullopt;
    for (const auto& line : found->lines) {
        if (!line.key.empty() && SameName(line.key, key)) return line.value;
    }
    return std::nullopt;
}

void IniDocument::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
    Section* found = FindSection(section);
    if (found == nullptr) {
        // Keep a blank line between sections, as people write them.
        Section& last = sections_.back();
        bool has_content = last.has_header || !last.lines.empty();
        if (has_content && (last.lines.empty() || !Trim(last.lines.back().text).empty())) {
            last.lines.push_back(Line{"", {}, {}});
        }
        sections_.push_back(Section{section, true, "[" + section + "]", {}});
        found = &sections_.back();
    }
    std::size_t insert_at = 0;
    for (std::size_t i = 0; i < found->lines.size(); ++i) {
        Line& line = found->lines[i];
        if (line.key.empty()) continue;
        if (SameName(line.key, key)) {
            line.value = value;
            line.text = line.key + "=" + value;
            return;
        }
        insert_at = i + 1;
    }
    found->lines.insert(found->lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                        Line{key + "=" + value, key, value});
}

std::vector<std::string> IniDocument::Keys(const std::string& section) const {
    std::vector<std::string> keys;
    const Section* found = FindSection(section);
    if (found == nullptr) return keys;
    for (const auto& line : found->lines) {
        if (!line.key.empty()) keys.push_back(line.key);
    }
    return keys;
}

std::vector<std::string> IniDocument::Sections() const {
    std::vector<std::string> names;
    for (const auto& section : sections_) {
        if (section.has_header) names.push_back(section.name);
    }
    return names;
}

}  // namespace quorvex::host::internal
