// An INI file held as its lines, so that a rewrite keeps everything it does
// not change: order, comments, blank and unreadable lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvex::host::internal {

class IniDocument {
  public:
    // Never fails: a line that is neither a section header nor "key=value"
    // is kept as it is and otherwise ignored.
    static IniDocument Parse(const std::string& text);
    std::string Serialize() const;

    // Names compare without regard to ASCII case; the first of duplicate
    // sections or keys counts.
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Replaces the key's value, or adds the key at the end of its section, or
    // adds the section at the end of the file.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    std::vector<std::string> Keys(const std::string& section) const;
    std::vector<std::string> Sections() const;

  private:
    struct Line {
        std::string text;  // as read or written
        std::string key;   // empty unless a key line
        std::string value;
    };
    struct Section {
        std::string name;
        bool has_header;     // false only for the lines before the first header
        std::string header;  // the header line as read or written
        std::vector<Line> lines;
    };

    Section* FindSection(const std::string& name);
    const Section* FindSection(const std::string& name) const;

    std::vector<Section> sections_;
};

}  // namespace quorvex::host::internal
