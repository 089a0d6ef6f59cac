// Questions about the process connection that need no link object: is it up,
// and does a core's announced command database hold a name.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "cmdlib/CommandLink.h"
#include "cmdlib/Connection.h"

namespace {

using quorvex::link::CoreAnnouncement;
using quorvex::link::CurrentTransport;

bool FindCommand(const CoreAnnouncement quorvex::link::Welcome::*core, const CString& name,
                 std::int32_t* out1, std::int32_t* out2) {
    if (out1 != nullptr) *out1 = 0;
    if (out2 != nullptr) *out2 = 0;
    const auto transport = CurrentTransport();
    if (transport == nullptr) return false;
    const std::vector<std::string>& commands = (transport->welcome().*core).commands;
    const std::string_view wanted(static_cast<LPCSTR>(name),
                                  static_cast<std::size_t>(name.GetLength()));
    return std::find(commands.begin(), commands.end(), wanted) != commands.end();
}

}  // namespace

BOOL IsLinkAvailable() {
    const auto transport = CurrentTransport();
    return transport != nullptr && transport->IsUp() ? TRUE : FALSE;
}

bool FindCommandCp(const CString& name, std::int32_t* out1, std::int32_t* out2, bool /*flag*/) {
    return FindCommand(&quorvex::link::Welcome::cp, name, out1, out2);
}

bool FindCommandAp(const CString& name, std::int32_t* out1, std::int32_t* out2, bool /*flag*/) {
    return FindCommand(&quorvex::link::Welcome::ap, name, out1, out2);
}
