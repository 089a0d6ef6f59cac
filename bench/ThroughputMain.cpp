// quorvex-throughput: how close whole-file transfers come to the link's
// ceiling. Per transport (tcp, unix) and packet size it times a raw QXL/1
// stop-and-wait echo with the same frame shapes against the quorvex host's
// put, get and put --verify of the same bytes through a quorvex-target, in
// interleaved rounds, and prints medians and ratios (raw time / quorvex time,
// so 1.0 is the ceiling), in wall time and in CPU time: on a machine shared
// with other work the CPU ratio (raw echo's CPU seconds / those of host and
// target) is the steadier one. Where sftp and sftp-server are installed, the
// same file through them is timed as well.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "Processes.h"
#include "RawEcho.h"

using quorvex::bench::Direction;

namespace {

struct Options {
    std::size_t mib = 64;
    int rounds = 5;
    std::vector<std::size_t> packets = {1024, 4096, 32767};
    std::vector<std::string> transports = {"tcp", "unix"};
    std::vector<std::string> ops = {"put", "get", "verify"};
    std::string host = QUORVEX_HOST_PROGRAM;
    std::string target = QUORVEX_TARGET_PROGRAM;
    std::string sftp = "/usr/bin/sftp";
    std::string sftp_server = "/usr/lib/openssh/sftp-server";
};

const char kUsage[] =
    "usage: quorvex-throughput [--mib N] [--rounds N] [--packets 1024,4096,32767]\n"
    "                          [--transports tcp,unix] [--ops put,get,verify]\n"
    "                          [--host PATH] [--target PATH]\n"
    "Pin it for stable figures: taskset -c 0 quorvex-throughput\n";

template <typename T>
std::vector<T> SplitList(const std::string& text) {
    std::vector<T> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if constexpr (std::is_same_v<T, std::string>) {
            items.push_back(item);
        } else {
            items.push_back(static_cast<T>(std::strtoul(item.c_str(), nullptr, 10)));
        }
    }
    return items;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (flag == "--mib") {
            options->mib = std::strtoul(value.c_str(), nullptr, 10);
        } else if (flag == "--rounds") {
            options->rounds = std::atoi(value.c_str());
        } else if (flag == "--packets") {
            options->packets = SplitList<std::size_t>(value);
        } else if (flag == "--transports") {
            options->transports = SplitList<std::string>(value);
        } else if (flag == "--ops") {
            options->ops = SplitList<std::string>(value);
        } else if (flag == "--host") {
            options->host = value;
        } else if (flag == "--target") {
            options->target = value;
        } else {
            return false;
        }
    }
    for (std::size_t packet : options->packets) {
        if (packet == 0 || packet > 32767) return false;
    }
    for (const std::string& op : options->ops) {
        if (op != "put" && op != "get" && op != "verify") return false;
    }
    return options->mib > 0 && options->mib <= 1024 && options->rounds > 0;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

// Seconds per round for one measurement, keyed "transport packet what".
using Samples = std::map<std::string, std::vector<double>>;

std::string Key(const std::string& transport, std::size_t packet, const std::string& what) {
    return transport + " " + std::to_string(packet) + " " + what;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 64;
    }
    char dir_template[] = "/tmp/quorvex-throughput-XXXXXX";
    const char* dir_made = mkdtemp(dir_template);
    if (dir_made == nullptr) {
        std::perror("quorvex-throughput: mkdtemp");
        return 1;
    }
    const std::string dir = dir_made;
    const std::string home = dir + "/home", input = dir + "/input.bin",
                      output = dir + "/output.bin";
    mkdir(home.c_str(), 0700);
    const std::size_t total = options.mib << 20;
    {
        std::vector<char> bytes(total);
        std::mt19937 random(12);
        for (char& byte : bytes) byte = static_cast<char>(random());
        std::ofstream(input, std::ios::binary).write(bytes.data(), bytes.size());
    }

    // One target per transport and packet size, kept for every round.
    std::map<std::string, std::unique_ptr<quorvex::bench::TargetProcess>> targets;
    const std::string capacity = "ap:" + std::to_string(2 * options.mib + 1) + "M";
    for (const std::string& transport : options.transports) {
        for (std::size_t packet : options.packets) {
            const std::string limit = "ap:" + std::to_string(packet);
            const std::string listen =
                transport == "tcp" ? "tcp://127.0.0.1:0"
                                   : "unix:" + dir + "/target-" + std::to_string(packet) + ".sock";
            auto target = std::make_unique<quorvex::bench::TargetProcess>();
            std::string error;
            if (!target->Start(options.target,
                               {"--listen", listen, "--capacity", capacity, "--in-limit", limit,
                                "--out-limit", limit},
                               &error)) {
                std::fprintf(stderr, "quorvex-throughput: %s\n", error.c_str());
                return 1;
            }
            targets[Key(transport, packet, "")] = std::move(target);
        }
    }
    const bool with_sftp =
        access(options.sftp.c_str(), X_OK) == 0 && access(options.sftp_server.c_str(), X_OK) == 0;

    std::printf("quorvex-throughput: %zu MiB per transfer, %d rounds\n", options.mib,
                options.rounds);
    Samples samples;
    const std::vector<std::string> env = {"QUORVEX_HOME=" + home};
    std::string error;
    // CPU seconds of the last raw exchange or host run (with its target's).
    double cpu = 0;
    auto record = [&](const std::string& key, double seconds) {
        if (seconds < 0) {
            std::fprintf(stderr, "quorvex-throughput: %s: %s\n", key.c_str(), error.c_str());
            std::exit(1);
        }
        samples[key].push_back(seconds);
        samples[key + " cpu"].push_back(cpu);
    };
    for (int round = 0; round < options.rounds; ++round) {
        for (const std::string& transport : options.transports) {
            for (std::size_t packet : options.packets) {
                const quorvex::bench::TargetProcess& target = *targets[Key(transport, packet, "")];
                const std::string address = target.address();
                const std::vector<std::string> host = {
                    options.host, "--target", address, "--core", "ap", "--progress", "none"};
                auto run = [&](std::vector<std::string> args) {
                    args.insert(args.begin(), host.begin(), host.end());
                    const double target_before = target.CpuSeconds();
                    const double seconds = quorvex::bench::TimedRun(args, env, &error, &cpu);
                    cpu += target.CpuSeconds() - target_before;
                    return seconds;
                };
                auto wanted = [&](const char* op) {
                    return std::find(options.ops.begin(), options.ops.end(), op) !=
                           options.ops.end();
                };
                if (wanted("put") || wanted("verify"))
                    record(Key(transport, packet, "raw-write"),
                           quorvex::bench::RawEchoSeconds(transport, Direction::kWrite, total,
                                                          packet, &error, &cpu));
                // The host verifies a put unless told not to ("Verify After Write").
                // A get needs the file on the target even when put is not timed.
                if (wanted("put") || round == 0) {
                    const double seconds = run({"put", input, "bench.bin", "--no-verify"});
                    if (wanted("put") || seconds < 0)
                        record(Key(transport, packet, "put"), seconds);
                }
                if (wanted("get") || wanted("verify"))
                    record(Key(transport, packet, "raw-read"),
                           quorvex::bench::RawEchoSeconds(transport, Direction::kRead, total,
                                                          packet, &error, &cpu));
                if (wanted("get")) {
                    // Replacing the last round's copy would time its removal too
                    // (25 ms for 64 MiB on ext4), which the raw exchange never pays.
                    unlink(output.c_str());
                    record(Key(transport, packet, "get"), run({"get", "bench.bin", output}));
                    if (round == 0 && !SameFile(input, output)) {
                        std::fprintf(stderr, "quorvex-throughput: %s: get returned other bytes\n",
                                     Key(transport, packet, "").c_str());
                        return 1;
                    }
                }
                if (wanted("verify"))
                    record(Key(transport, packet, "verify"),
                           run({"put", input, "bench.bin", "--verify"}));
            }
        }
        if (with_sftp) {
            const std::string sftp = options.sftp + " -q -b - -D " + options.sftp_server;
            const std::string put = "echo 'put " + input + " " + dir + "/sftp.bin' | " + sftp;
            const std::string get = "echo 'get " + dir + "/sftp.bin " + output + "' | " + sftp;
            record("sftp put",
                   quorvex::bench::TimedRun({"/bin/sh", "-c", put + " >/dev/null"}, {}, &error));
            unlink(output.c_str());
            record("sftp get",
                   quorvex::bench::TimedRun({"/bin/sh", "-c", get + " >/dev/null"}, {}, &error));
        }
    }

    const double mib = static_cast<double>(options.mib);
    std::printf("%-5s %6s %-7s %10s %10s %7s %9s\n", "link", "packet", "op", "raw MiB/s", "quorvex",
                "ratio", "cpu ratio");
    for (const std::string& transport : options.transports) {
        for (std::size_t packet : options.packets) {
            auto series = [&](const std::string& what) {
                return samples[Key(transport, packet, what)];
            };
            auto both = [&](const std::string& write, const std::string& read) {
                const std::vector<double> a = series(write), b = series(read);
                std::vector<double> sum;
                for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
                    sum.push_back(a[i] + b[i]);
                return sum;
            };
            struct Row {
                const char* op;
                std::vector<double> raw, ours, raw_cpu, ours_cpu;
            };
            const Row rows[] = {{"put", series("raw-write"), series("put"), series("raw-write cpu"),
                                 series("put cpu")},
                                {"get", series("raw-read"), series("get"), series("raw-read cpu"),
                                 series("get cpu")},
                                {"verify", both("raw-write", "raw-read"), series("verify"),
                                 both("raw-write cpu", "raw-read cpu"), series("verify cpu")}};
            // Per round: raw / quorvex, in wall time and in CPU time.
            auto ratio = [](const std::vector<double>& raw, const std::vector<double>& ours) {
                std::vector<double> ratios;
                for (std::size_t i = 0; i < ours.size() && i < raw.size(); ++i)
                    ratios.push_back(ours[i] > 0 ? raw[i] / ours[i] : 0);
                return Median(ratios);
            };
            for (const Row& row : rows) {
                if (row.ours.empty() || row.raw.empty()) continue;
                // The verified put moves the file twice.
                const double factor = row.op == std::string("verify") ? 2 : 1;
                std::printf("%-5s %6zu %-7s %10.1f %10.1f %7.2f %9.2f\n", transport.c_str(), packet,
                            row.op, factor * mib / Median(row.raw), factor * mib / Median(row.ours),
                            ratio(row.raw, row.ours), ratio(row.raw_cpu, row.ours_cpu));
            }
        }
    }
    if (with_sftp) {
        const std::size_t largest =
            *std::max_element(options.packets.begin(), options.packets.end());
        for (const std::string& transport : options.transports) {
            for (const char* op : {"put", "get"}) {
                const std::vector<double> sftp = samples[std::string("sftp ") + op];
                const std::vector<double> ours = samples[Key(transport, largest, op)];
                if (ours.empty()) continue;
                std::vector<double> ratios;
                for (std::size_t i = 0; i < ours.size(); ++i) ratios.push_back(sftp[i] / ours[i]);
                std::printf(
                    "%s %s at %zu vs sftp over a pipe: sftp %.1f MiB/s, quorvex %.1f MiB/s, "
                    "ratio %.2f\n",
                    transport.c_str(), op, largest, mib / Median(sftp), mib / Median(ours),
                    Median(ratios));
            }
        }
    } else {
        std::printf("sftp comparison skipped: %s or %s is not installed\n", options.sftp.c_str(),
                    options.sftp_server.c_str());
    }
    targets.clear();
    std::string cleanup = "rm -rf '" + dir + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
