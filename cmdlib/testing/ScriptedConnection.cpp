// Connecting a scripted target as the process connection, directly or through
// the "test:" endpoint.
#include <mutex>
#include <utility>

#include "cmdlib/Connection.h"
#include "cmdlib/ScriptedTarget.h"

namespace quorvex::link {

namespace {

struct Offer {
    std::mutex mutex;
    std::shared_ptr<ScriptedTarget> target;
    std::shared_ptr<InProcessTransport> transport;
};

Offer& GetOffer() {
    static Offer* offer = new Offer;
    return *offer;
}

std::shared_ptr<InProcessTransport> MakeTransport(std::shared_ptr<ScriptedTarget> target) {
    auto transport = std::make_shared<InProcessTransport>(target);
    transport->SetObserver(std::move(target));
    return transport;
}

}  // namespace

std::shared_ptr<InProcessTransport> ConnectScripted(std::shared_ptr<ScriptedTarget> target) {
    std::shared_ptr<InProcessTransport> transport = MakeTransport(std::move(target));
    Attach(transport);
    return transport;
}

void OfferScriptedTarget(std::shared_ptr<ScriptedTarget> target) {
    {
        Offer& offer = GetOffer();
        std::lock_guard<std::mutex> lock(offer.mutex);
        offer.target = std::move(target);
    }
    RegisterScheme("test",
                   [](const std::string& rest, std::string* error) -> std::shared_ptr<Transport> {
                       Offer& offer = GetOffer();
                       std::lock_guard<std::mutex> lock(offer.mutex);
                       if (offer.target == nullptr) {
                           if (error != nullptr)
                               *error = "endpoint \"test:" + rest + "\": no scripted target";
                           return nullptr;
                       }
                       offer.transport = MakeTransport(offer.target);
                       return offer.transport;
                   });
}

std::shared_ptr<InProcessTransport> OfferedTransport() {
    Offer& offer = GetOffer();
    std::lock_guard<std::mutex> lock(offer.mutex);
    return offer.transport;
}

}  // namespace quorvex::link
