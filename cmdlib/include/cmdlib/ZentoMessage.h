// The command library's message record: one for each command the module sends
// and one for each reply it awaits. The record owns its three strings only;
// Data points at a buffer of the caller's.
#pragma once

#include <cstdint>

#include "framework/cstring.h"
#include "platform/wintypes.h"

class CZENTOMessage {
  public:
    // Device selection bits for SetDirectionMask/SetDirection: device d is bit d + 1.
    enum eDirection : std::uint32_t {
        DIR_NONE = 0,
        DIR_ALL_DEVICES = 0x7FE,
    };

    CZENTOMessage() = default;
    CZENTOMessage(const CString& service, const CString& module, const CString& name)
        : Service(service), Module(module), Name(name) {}

    // Destroyed in reverse order of declaration: Name, Module, Service.
    CString Service;
    CString Module;
    CString Name;
    BYTE* Data = nullptr;
    WORD DataLength = 0;
    std::int32_t Reserved6 = -1;
    std::uint8_t Reserved7 = 0;
    std::int32_t Side = 0;
    std::int32_t Reserved9 = -1;
    std::int32_t Reserved10 = -1;
};
