// Registers the in-process simulated target with the command library's
// endpoint registry.
#pragma once

namespace quorvex::sim {

// Registers the scheme "sim": "sim:" opens a memory-only simulator with the
// default configuration, "sim:DIR" one whose flash image persists in DIR.
// Each open builds a fresh simulator behind an in-process transport.
void RegisterSimScheme();

}  // namespace quorvex::sim
