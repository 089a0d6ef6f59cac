// Raw stop-and-wait exchanges over a loopback socket, framed as the link
// frames a file transfer: the best a host and a target can do per packet.
#include "RawEcho.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quorvex::bench {
namespace {

constexpr std::size_t kHeader = 12;
constexpr std::size_t kCrc = 4;

// One frame built in place: header, the fields of a command or report
// ("FDI", "Transport", name) and `data` bytes taken from `source`.
class FrameBuffer {
  public:
    void Build(std::uint8_t type, std::uint32_t id, bool command, const char* name,
               const std::uint8_t* source, std::size_t data) {
        bytes_.resize(kHeader + 4 + 1 + 5 + 11 + 2 + std::strlen(name) + 2 + data + kCrc);
        std::size_t at = 0;
        auto u8 = [&](std::uint32_t v) { bytes_[at++] = static_cast<std::uint8_t>(v); };
        auto u16 = [&](std::uint32_t v) { u8(v), u8(v >> 8); };
        auto u32 = [&](std::uint32_t v) { u16(v), u16(v >> 16); };
        auto text = [&](const char* s) {
            const std::size_t n = std::strlen(s);
            u16(static_cast<std::uint32_t>(n));
            std::memcpy(&bytes_[at], s, n);
            at += n;
        };
        u8('Q'), u8('X'), u8(type), u8(0), u32(id), u32(0);
        u32(1);
        if (command) u8(1);
        text("FDI"), text("Transport"), text(name);
        u16(static_cast<std::uint32_t>(data));
        std::memcpy(&bytes_[at], source, data);
        at += data;
        bytes_.resize(at + kCrc);
        const std::size_t payload = at - kHeader;
        for (int i = 0; i < 4; ++i) bytes_[8 + i] = static_cast<std::uint8_t>(payload >> (8 * i));
        const auto crc = static_cast<std::uint32_t>(crc32_z(0, bytes_.data(), at));
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// Reads one whole frame into `in` (stop-and-wait: nothing follows it) and
// checks its CRC. Returns the payload size, or -1.
long ReadFrame(int fd, std::vector<std::uint8_t>& in) {
    std::size_t have = 0, want = kHeader;
    while (have < want) {
        const ssize_t got = recv(fd, in.data() + have, in.size() - have, 0);
        if (got <= 0) return -1;
        have += static_cast<std::size_t>(got);
        if (have >= kHeader) {
            const std::uint32_t size = in[8] | in[9] << 8 | in[10] << 16 | in[11] << 24;
            want = kHeader + size + kCrc;
            if (want > in.size()) return -1;
        }
    }
    const std::uint32_t stored = in[want - 4] | in[want - 3] << 8 | in[want - 2] << 16 |
                                 static_cast<std::uint32_t>(in[want - 1]) << 24;
    if (crc32_z(0, in.data(), want - kCrc) != stored) return -1;
    return static_cast<long>(want - kHeader - kCrc);
}

struct Listener {
    int fd = -1;
    sockaddr_storage address{};
    socklen_t size = 0;
};

bool Listen(const std::string& kind, Listener* listener, std::string* socket_path) {
    if (kind == "tcp") {
        listener->fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in in{};
        in.sin_family = AF_INET;
        in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(listener->fd, reinterpret_cast<sockaddr*>(&in), sizeof(in)) != 0) return false;
        socklen_t size = sizeof(in);
        getsockname(listener->fd, reinterpret_cast<sockaddr*>(&in), &size);
        std::memcpy(&listener->address, &in, sizeof(in));
        listener->size = sizeof(in);
    } else {
        char dir[] = "/tmp/quorvex-echo-XXXXXX";
        if (mkdtemp(dir) == nullptr) return false;
        *socket_path = std::string(dir) + "/echo.sock";
        listener->fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un un{};
        un.sun_family = AF_UNIX;
        std::strncpy(un.sun_path, socket_path->c_str(), sizeof(un.sun_path) - 1);
        if (bind(listener->fd, reinterpret_cast<sockaddr*>(&un), sizeof(un)) != 0) return false;
        std::memcpy(&listener->address, &un, sizeof(un));
        listener->size = sizeof(un);
    }
    return listen(listener->fd, 1) == 0;
}

// CPU seconds of this process, every thread.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void NoDelay(int fd, const std::string& kind) {
    const int one = 1;
    if (kind == "tcp") setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

// The target's side: keeps what is written, sends what is read. Returns
// whether every packet was served.
bool Serve(int fd, bool write, std::size_t total, std::size_t packet,
           std::vector<std::uint8_t>& store) {
    std::vector<std::uint8_t> in(packet + 256);
    FrameBuffer out;
    std::size_t offset = 0;
    while (offset < total) {
        const long payload = ReadFrame(fd, in);
        if (payload < 0) break;
        const std::size_t n = std::min(packet, total - offset);
        if (write) {
            std::memcpy(&store[offset], in.data() + kHeader + payload - (packet + 8) + 6, n);
            out.Build(0x82, 1, false, "F_Write_Success", nullptr, 0);
        } else {
            out.Build(0x82, 1, false, "F_Read_Packet", &store[offset], packet + 6);
        }
        offset += n;
        if (!SendAll(fd, out.bytes())) break;
    }
    return offset >= total;
}

}  // namespace

double RawEchoSeconds(const std::string& kind, Direction direction, std::size_t total,
                      std::size_t packet, std::string* error, double* cpu_seconds) {
    Listener listener;
    std::string socket_path;
    if (!Listen(kind, &listener, &socket_path)) {
        *error = "raw echo: cannot listen on " + kind;
        return -1;
    }
    const bool write = direction == Direction::kWrite;
    // The target's side runs in a process of its own, as quorvex-target does:
    // it makes its store, says it is ready, serves one connection and sends
    // back the CPU seconds it spent serving.
    int pipes[2];
    if (pipe(pipes) != 0) {
        *error = "raw echo: no pipe";
        return -1;
    }
    const pid_t server = fork();
    if (server < 0) {
        close(pipes[0]);
        close(pipes[1]);
        *error = "raw echo: cannot fork";
        return -1;
    }
    if (server == 0) {
        close(pipes[0]);
        std::vector<std::uint8_t> store(total + packet + 8);
        const char ready = 'r';
        if (::write(pipes[1], &ready, 1) != 1) _exit(1);
        const int fd = accept(listener.fd, nullptr, nullptr);
        const double cpu_start = ProcessCpuSeconds();
        NoDelay(fd, kind);
        const bool done = Serve(fd, write, total, packet, store);
        const double spent = ProcessCpuSeconds() - cpu_start;
        close(fd);
        if (::write(pipes[1], &spent, sizeof(spent)) != sizeof(spent)) _exit(1);
        _exit(done ? 0 : 1);
    }
    close(pipes[1]);
    char ready = 0;
    bool server_ok = read(pipes[0], &ready, 1) == 1;

    // The host's buffers are made (and their pages touched) before the clock
    // starts, so the raw exchange times the link alone.
    std::vector<std::uint8_t> file(total + packet + 8, 0x5A);
    std::vector<std::uint8_t> in(packet + 256);
    const int fd = socket(listener.address.ss_family, SOCK_STREAM, 0);
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = ProcessCpuSeconds();
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&listener.address), listener.size) == 0;
    NoDelay(fd, kind);
    FrameBuffer out;
    for (std::size_t offset = 0; ok && offset < total; offset += packet) {
        if (write) {
            out.Build(0x02, 1, true, "Fwrite", &file[offset], packet + 8);
        } else {
            out.Build(0x02, 1, true, "Fread", file.data(), 8);
        }
        ok = SendAll(fd, out.bytes());
        const long payload = ok ? ReadFrame(fd, in) : -1;
        ok = payload >= 0;
        if (ok && !write) {
            const std::size_t n = std::min(packet, total - offset);
            std::memcpy(&file[offset], in.data() + kHeader + payload - n, n);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double host_cpu = ProcessCpuSeconds() - cpu_start;
    close(fd);
    // A server left waiting for a connection or a frame that will never come
    // would keep the pipe open and this side waiting for it.
    if (!ok) kill(server, SIGKILL);
    double server_cpu = 0;
    server_ok = server_ok && read(pipes[0], &server_cpu, sizeof(server_cpu)) == sizeof(server_cpu);
    close(pipes[0]);
    int status = 0;
    server_ok = waitpid(server, &status, 0) == server && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0 && server_ok;
    if (cpu_seconds != nullptr) *cpu_seconds = host_cpu + server_cpu;
    close(listener.fd);
    if (!socket_path.empty()) {
        unlink(socket_path.c_str());
        rmdir(socket_path.substr(0, socket_path.rfind('/')).c_str());
    }
    if (!ok || !server_ok) {
        *error = "raw echo over " + kind + " broke off";
        return -1;
    }
    return seconds;
}

}  // namespace quorvex::bench
