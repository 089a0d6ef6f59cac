// Result codes of the command library, shared by the link objects and the
// transports (which must not depend on the UI framework's strings).
#pragma once

// The module hands them up unchanged.
enum : int {
    UE_LINK_OK = 0,
    UE_LINK_TIMEOUT = 100,   // no expected report within the time-out
    UE_LINK_DOWN = 101,      // no connection, or it was lost
    UE_LINK_PROTOCOL = 102,  // the target sent a malformed frame; the connection is closed
};
