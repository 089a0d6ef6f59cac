// The process-wide connection and the registry of endpoint schemes.
#include "cmdlib/Connection.h"

#include <map>
#include <mutex>
#include <utility>

#include "cmdlib/LinkCodes.h"

namespace quorvex::link {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, TransportFactory> schemes;
    std::shared_ptr<Transport> current;
};

// Never destroyed: links and transports may outlive static destruction order.
Registry& GetRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

void SetError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
}

// Installs `transport` and closes what it replaces, outside the lock since a
// socket transport may wait for its reader to stop.
void Replace(std::shared_ptr<Transport> transport) {
    std::shared_ptr<Transport> previous;
    {
        Registry& registry = GetRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        previous = std::exchange(registry.current, std::move(transport));
        if (previous == registry.current) previous.reset();
    }
    if (previous != nullptr) previous->Close();
}

}  // namespace

void RegisterScheme(const std::string& scheme, TransportFactory factory) {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.schemes[scheme] = std::move(factory);
}

int Connect(const std::string& endpoint, std::string* error) {
    const std::size_t colon = endpoint.find(':');
    if (colon == std::string::npos || colon == 0) {
        SetError(error, "endpoint \"" + endpoint +
                            "\": expected SCHEME:REST, e.g. sim:, tcp://HOST:PORT, unix:PATH");
        return UE_LINK_DOWN;
    }
    const std::string scheme = endpoint.substr(0, colon);
    TransportFactory factory;
    {
        Registry& registry = GetRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto found = registry.schemes.find(scheme);
        if (found != registry.schemes.end()) factory = found->second;
    }
    if (!factory) {
        SetError(error, "endpoint \"" + endpoint + "\": unknown scheme \"" + scheme + "\"");
        return UE_LINK_DOWN;
    }
    std::string why;
    std::shared_ptr<Transport> transport = factory(endpoint.substr(colon + 1), &why);
    if (transport == nullptr) {
        SetError(error, why.empty() ? "endpoint \"" + endpoint + "\": cannot be opened" : why);
        return UE_LINK_DOWN;
    }
    Replace(std::move(transport));
    SetError(error, "");
    return UE_LINK_OK;
}

void Attach(std::shared_ptr<Transport> transport) {
    Replace(std::move(transport));
}

void Disconnect() {
    Replace(nullptr);
}

std::shared_ptr<Transport> CurrentTransport() {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    return registry.current;
}

}  // namespace quorvex::link
