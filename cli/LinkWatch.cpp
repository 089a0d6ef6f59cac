// The watched link and how the host opens it.
#include "LinkWatch.h"

#include "cmdlib/Connection.h"
#include "cmdlib/InProcessTransport.h"
#include "cmdlib/LinkCodes.h"
#include "cmdlib/SocketTransport.h"
#include "target/Simulator.h"

namespace quorvex::cli {

int LinkWatch::SendFrom(std::uint32_t id, const link::CommandView& command) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shut_) return UE_LINK_DOWN;
        // A name already seen costs no allocation.
        if (sent_.find(command.name) == sent_.end()) sent_.emplace(command.name);
        ++commands_;
        bytes_out_ += command.size;
    }
    return target_->SendFrom(id, command);
}

int LinkWatch::ReceiveInto(std::uint32_t id, std::uint32_t timeout_ms, link::ReportSink& sink) {
    // Sees the report the caller's sink takes, as it takes it.
    class Counting final : public link::ReportSink {
      public:
        explicit Counting(link::ReportSink& inner) : inner_(inner) {}
        bool Take(const link::ReportView& report) override {
            if (!inner_.Take(report)) return false;
            bytes_ = report.size;
            return true;
        }
        std::size_t bytes_ = 0;

      private:
        link::ReportSink& inner_;
    } counting(sink);
    const int result = target_->ReceiveInto(id, timeout_ms, counting);
    std::lock_guard<std::mutex> lock(mutex_);
    if (result != UE_LINK_OK) {
        if (first_failure_ == 0) first_failure_ = result;
    } else {
        ++reports_;
        bytes_in_ += counting.bytes_;
    }
    return result;
}

void LinkWatch::Shut() {
    std::lock_guard<std::mutex> lock(mutex_);
    shut_ = true;
}

void LinkWatch::Mark() {
    std::lock_guard<std::mutex> lock(mutex_);
    first_failure_ = 0;
    sent_.clear();
}

int LinkWatch::FirstFailure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return first_failure_;
}

bool LinkWatch::Sent(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sent_.count(name) != 0;
}

std::string LinkWatch::Summary() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return "link: commands " + std::to_string(commands_) + ", reports " + std::to_string(reports_) +
           ", data bytes out " + std::to_string(bytes_out_) + ", in " + std::to_string(bytes_in_);
}

std::shared_ptr<LinkWatch> ConnectWatched(const std::string& endpoint, std::string* error) {
    std::shared_ptr<link::Transport> inner;
    if (endpoint.compare(0, 4, "sim:") == 0) {
        sim::SimConfig config = sim::DefaultSimConfig();
        config.image_dir = endpoint.substr(4);
        std::string why;
        std::shared_ptr<link::TargetAgent> agent = sim::MakeTargetAgent(config, &why);
        if (agent == nullptr) {
            *error = endpoint + ": " + why;
            return nullptr;
        }
        inner = std::make_shared<link::InProcessTransport>(std::move(agent));
    } else if (endpoint.compare(0, 4, "tcp:") == 0 || endpoint.compare(0, 5, "unix:") == 0) {
        inner = link::OpenSocketTransport(endpoint, link::SocketOptions{}, error);
        if (inner == nullptr) return nullptr;
    } else {
        *error = "endpoint \"" + endpoint + "\": expected sim:, sim:DIR, tcp://HOST:PORT or " +
                 "unix:PATH";
        return nullptr;
    }
    auto watch = std::make_shared<LinkWatch>(std::move(inner));
    link::Attach(watch);
    return watch;
}

}  // namespace quorvex::cli
