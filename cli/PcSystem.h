// What the quorvex host needs of the PC's system that differs between
// systems: name patterns, links, new files and binary standard streams. One
// backend file per system (posix/, win32/), chosen by the build.
#pragma once

#include <string>

namespace quorvex::cli {

// True when `name` matches the shell pattern: * and ? and [set] (with ! or ^
// for "not in set", and ranges), a backslash quoting the next character; a
// leading '.' is matched only by a '.' written in the pattern.
bool NameMatches(const std::string& pattern, const char* name);

// The file a link at `path` leads to, or `path` itself.
std::string ResolveLink(const std::string& path);

// Creates a new empty file from `name`, whose trailing XXXXXX are replaced in
// place, with the permissions of the existing file `like`, or those a new
// file gets. False with errno set when it cannot.
bool CreateTemporaryFile(std::string* name, const std::string& like);

// Standard output carries file contents (cat) byte for byte.
void UseBinaryStdout();

}  // namespace quorvex::cli
