// Reading file-drop lists (a DROPFILES header followed by zero-ended names).
#include <cstring>
#include <string>
#include <vector>

#include "global_memory.h"
#include "last_error.h"
#include "platform/clipboard.h"
#include "platform/errors.h"

namespace {

using quorvex::platform::internal::Fail;

void AppendUtf8(std::string* out, std::uint32_t code) {
    if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    }
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

// Units below 0x100 become the byte they hold, so a list widened byte by byte
// reads back exactly; anything else becomes UTF-8.
void AppendUnit(std::string* out, const BYTE* data, std::size_t* at, std::size_t end) {
    std::uint32_t unit = data[*at] | (data[*at + 1] << 8);
    *at += 2;
    if (unit < 0x100) {
        out->push_back(static_cast<char>(unit));
        return;
    }
    if (unit >= 0xD800 && unit < 0xDC00 && *at + 1 < end) {
        std::uint32_t low = data[*at] | (data[*at + 1] << 8);
        if (low >= 0xDC00 && low < 0xE000) {
            *at += 2;
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            return;
        }
    }
    AppendUtf8(out, unit);
}

// The names of the list. Bounded by the block: a name cut off by the block's
// end still counts, nothing beyond the end is read.
std::vector<std::string> ReadNames(const BYTE* data, std::size_t size) {
    std::vector<std::string> names;
    if (size < sizeof(DROPFILES)) return names;
    DROPFILES header;
    std::memcpy(&header, data, sizeof header);
    std::size_t at = header.pFiles;
    if (at < sizeof(DROPFILES) || at > size) return names;
    const std::size_t unit = header.fWide ? 2 : 1;
    while (at + unit <= size) {
        std::string name;
        while (at + unit <= size) {
            bool end = header.fWide ? (data[at] == 0 && data[at + 1] == 0) : data[at] == 0;
            if (end) {
                at += unit;
                break;
            }
            if (header.fWide) {
                AppendUnit(&name, data, &at, size);
            } else {
                name.push_back(static_cast<char>(data[at++]));
            }
        }
        if (name.empty()) break;  // the empty name ends the list
        names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch) {
    auto block = quorvex::platform::internal::FindGlobalBlock(hDrop);
    if (!block) return 0;
    std::vector<std::string> names = ReadNames(block->data.get(), block->size);
    if (iFile == 0xFFFFFFFFu) return static_cast<UINT>(names.size());
    if (iFile >= names.size()) {
        Fail(ERROR_INVALID_PARAMETER, "no such file in the drop list");
        return 0;
    }
    const std::string& name = names[iFile];
    if (lpszFile == nullptr) return static_cast<UINT>(name.size());
    if (cch == 0) return 0;
    std::size_t copied = std::min<std::size_t>(name.size(), cch - 1);
    std::memcpy(lpszFile, name.data(), copied);
    lpszFile[copied] = '\0';
    return static_cast<UINT>(copied);
}
