// The flash image of one core as bytes: what is saved to and loaded from the
// image directory. RAM volumes are never part of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FlashCore.h"

namespace quorvex::sim {

std::vector<std::uint8_t> EncodeImage(const FlashCore& core);

// Replaces the content of the core's persistent volumes with the image's.
// Volumes the image holds but the configuration does not are dropped, and a
// configured volume missing from the image starts empty. Returns false with a
// reason, leaving the core untouched, when the bytes are not a whole image.
bool DecodeImage(const std::uint8_t* data, std::size_t size, FlashCore* core, std::string* error);

}  // namespace quorvex::sim
