// libFuzzer entry for the endpoint parser: any text is either refused with a
// reason or parsed into an endpoint whose text form parses back to the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Endpoint.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvex::link::Endpoint;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Endpoint endpoint;
    std::string error;
    bool ok = quorvex::link::ParseEndpoint(text, &endpoint, &error);
    if (!ok) {
        ok = !error.empty();
    } else {
        Endpoint again;
        ok =
            quorvex::link::ParseEndpoint(quorvex::link::FormatEndpoint(endpoint), &again, &error) &&
            again.kind == endpoint.kind && again.host == endpoint.host &&
            again.port == endpoint.port && again.path == endpoint.path;
    }
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n",
                     ok ? "" : "endpoint text does not round-trip");
        std::abort();
    }
    return 0;
}
