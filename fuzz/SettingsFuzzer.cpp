// libFuzzer entry for the settings file parser. Input: the file's text, then
// optionally NUL, section, NUL, key, NUL, value for one write. Whatever a
// damaged or hand-edited file holds: parsing succeeds, a rewrite gives back
// every line as it was (line ends aside), and a write changes its own key
// only and reads back.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "ini_document.h"

namespace {

using quorvex::host::internal::IniDocument;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Names and values the settings store accepts and reads back unchanged.
bool Plain(const std::string& s) {
    if (s.empty() || s.front() == ' ' || s.back() == ' ') return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '_' || c == '.'))
            return false;
    return true;
}

std::map<std::pair<std::string, std::string>, std::string> Values(const IniDocument& document) {
    std::map<std::pair<std::string, std::string>, std::string> values;
    for (const auto& section : document.Sections())
        for (const auto& key : document.Keys(section))
            values[{section, key}] = document.Get(section, key).value_or("<none>");
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string parts[4];
    for (std::size_t i = 0, from = 0; i < 4 && from <= input.size(); ++i) {
        const std::size_t end = std::min(input.find('\0', from), input.size());
        parts[i] = input.substr(from, end - from);
        from = end + 1;
    }
    IniDocument document = IniDocument::Parse(parts[0]);

    // The rewrite of an unchanged file is the file, with "\n" line ends.
    std::string expected;
    for (std::size_t from = 0; from < parts[0].size();) {
        std::size_t end = std::min(parts[0].find('\n', from), parts[0].size());
        std::string line = parts[0].substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        expected += line + "\n";
        from = end + 1;
    }
    Check(document.Serialize() == expected, "a rewrite changed a line it did not touch");

    if (!Plain(parts[1]) || !Plain(parts[2]) || !Plain(parts[3])) return 0;
    auto before = Values(document);
    document.Set(parts[1], parts[2], parts[3]);
    const IniDocument reread = IniDocument::Parse(document.Serialize());
    Check(reread.Get(parts[1], parts[2]) == parts[3], "a written value does not read back");
    auto after = Values(reread);
    // Names compare without regard to case: the written key may differ, no other.
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    for (auto* values : {&before, &after}) {
        for (auto it = values->begin(); it != values->end();) {
            const bool written = lower(it->first.first) == lower(parts[1]) &&
                                 lower(it->first.second) == lower(parts[2]);
            it = written ? values->erase(it) : std::next(it);
        }
    }
    Check(before == after, "a write changed another key");
    return 0;
}
