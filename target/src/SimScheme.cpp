// The "sim" endpoint: a fresh simulated target behind an in-process transport.
#include "target/SimScheme.h"

#include <memory>
#include <string>

#include "cmdlib/Connection.h"
#include "cmdlib/InProcessTransport.h"
#include "target/Simulator.h"

namespace quorvex::sim {

void RegisterSimScheme() {
    link::RegisterScheme(
        "sim", [](const std::string& rest, std::string* error) -> std::shared_ptr<link::Transport> {
            SimConfig config = DefaultSimConfig();
            config.image_dir = rest;
            std::string why;
            std::shared_ptr<link::TargetAgent> agent = MakeTargetAgent(config, &why);
            if (!agent) {
                if (error != nullptr) *error = "sim:" + rest + ": " + why;
                return nullptr;
            }
            return std::make_shared<link::InProcessTransport>(std::move(agent));
        });
}

}  // namespace quorvex::sim
