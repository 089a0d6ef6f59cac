// Throughput of the simulated target's flash image: a 64 MiB put (the
// module's WriteFile, with and without read-back) to the in-memory target
// "sim:" and to one kept on disk, "sim:DIR", and the ratio of the two.
//
// Both run the same simulator and store; only where the database lives
// differs. The put's time ends when its last answer is in (the file is then
// committed, durably for sim:DIR); closing the target afterwards is timed
// apart, since that is when the rest of the write-ahead log is copied. The application core is used
// (4096-byte packets), its volume enlarged to hold the file. Usage: quorvex_sim_store_bench [MiB]
// [runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cmdlib/Connection.h"
#include "cmdlib/InProcessTransport.h"
#include "quorvex/Quorvex.h"
#include "target/Simulator.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The "sim" endpoint as the host registers it, with room for the file.
void RegisterRoomySim(std::uint64_t capacity) {
    quorvex::link::RegisterScheme(
        "sim",
        [capacity](const std::string& dir,
                   std::string* error) -> std::shared_ptr<quorvex::link::Transport> {
            quorvex::sim::SimConfig config = quorvex::sim::DefaultSimConfig();
            config.image_dir = dir;
            config.ap.volumes.front().capacity = capacity;
            auto agent = quorvex::sim::MakeTargetAgent(config, error);
            if (!agent) return nullptr;
            return std::make_shared<quorvex::link::InProcessTransport>(std::move(agent));
        });
}

struct Timing {
    double put = -1;    // WriteFile, every packet answered and the file committed
    double close = -1;  // closing the target afterwards, the image's last copy included
};

// Negative figures when the put failed.
Timing TimePut(const std::string& endpoint, const std::string& pc_file, int verify) {
    std::string error;
    if (quorvex::link::Connect(endpoint, &error) != 0) {
        std::fprintf(stderr, "%s: %s\n", endpoint.c_str(), error.c_str());
        return {};
    }
    CFlashExplorerData* flash = CFlashExplorerData::Instance("bench");
    flash->SetTargetType(TARGET_TYPE_AP);
    const auto start = Clock::now();
    const UE_errCode_t result = flash->WriteFile("big.bin", pc_file.c_str(), verify);
    const auto written = Clock::now();
    CFlashExplorerData::DeleteInstance("bench");
    quorvex::link::Disconnect();
    if (result != 0) {
        std::fprintf(stderr, "%s: put failed with %d\n", endpoint.c_str(), result);
        return {};
    }
    return {std::chrono::duration<double>(written - start).count(),
            std::chrono::duration<double>(Clock::now() - written).count()};
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (mib == 0 || mib > 1024 || runs < 1 || runs > 100) {
        std::fprintf(stderr, "usage: %s [MiB 1-1024] [runs 1-100]\n", argv[0]);
        return 64;
    }
    const fs::path work = fs::temp_directory_path() / ("quorvex_bench_" + std::to_string(getpid()));
    fs::create_directories(work);
    setenv("QUORVEX_HOME", work.c_str(), 1);
    const std::string pc_file = (work / "big.bin").string();
    {
        std::vector<char> bytes(mib << 20);
        std::mt19937 random(7);
        for (char& b : bytes) b = static_cast<char>(random());
        std::ofstream(pc_file, std::ios::binary).write(bytes.data(), bytes.size());
    }
    RegisterRoomySim((mib << 20) * 2);
    Init();

    std::printf("put of %llu MiB to the application core, best of %d runs\n",
                static_cast<unsigned long long>(mib), runs);
    int status = 0;
    for (int verify = 0; verify <= 1; ++verify) {
        Timing best[2];
        for (int run = 0; run < runs; ++run) {
            const fs::path image = work / ("image" + std::to_string(run) + std::to_string(verify));
            const Timing memory = TimePut("sim:", pc_file, verify);
            const Timing disk = TimePut("sim:" + image.string(), pc_file, verify);
            fs::remove_all(image);
            if (memory.put < 0 || disk.put < 0) {
                status = 1;
                continue;
            }
            if (best[0].put < 0 || memory.put < best[0].put) best[0] = memory;
            if (best[1].put < 0 || disk.put < best[1].put) best[1] = disk;
        }
        const double size = static_cast<double>(mib);
        std::printf(
            "%-13s sim: %.3f s (%.0f MiB/s)  sim:DIR %.3f s (%.0f MiB/s)  ratio %.2f"
            "  | closing: sim: %.3f s, sim:DIR %.3f s\n",
            verify ? "put --verify" : "put", best[0].put, size / best[0].put, best[1].put,
            size / best[1].put, best[1].put / best[0].put, best[0].close, best[1].close);
    }
    fs::remove_all(work);
    return status;
}
