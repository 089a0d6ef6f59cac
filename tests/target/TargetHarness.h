// Test driver for the simulated target: builds command frames byte for byte
// as the host sends them and reads report payloads at the host's offsets.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "target/Simulator.h"

namespace quorvex::sim::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}
// A path or name followed by its zero byte.
inline Bytes Path(std::string_view s) {
    Bytes b = Text(s);
    b.push_back(0);
    return b;
}
// A zero-padded fixed field; the text must leave room for its terminator.
inline Bytes Field(std::string_view s, std::size_t size) {
    Bytes b = Text(s);
    b.resize(size, 0);
    return b;
}
inline void PutLe(Bytes& b, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline std::uint64_t LeAt(const Bytes& b, std::size_t offset, int width) {
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v |= static_cast<std::uint64_t>(b.at(offset + i)) << (8 * i);
    return v;
}
inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The clock-setting block: seconds, minutes, hours, day, month, spare, year.
inline Bytes Rtc(int year, int month, int day, int hour, int minute, int second) {
    Bytes p = {static_cast<std::uint8_t>(second), static_cast<std::uint8_t>(minute),
               static_cast<std::uint8_t>(hour),   static_cast<std::uint8_t>(day),
               static_cast<std::uint8_t>(month),  0};
    PutLe(p, static_cast<std::uint64_t>(year), 2);
    return p;
}
inline Bytes MkDirParams(std::string_view path, std::uint16_t mode = 0755) {
    Bytes p = Field(path, 256);
    PutLe(p, mode, 2);
    return p;
}

// A config with a settable clock, small volumes and no image directory.
struct TestTarget {
    std::shared_ptr<std::int64_t> now = std::make_shared<std::int64_t>(1700000000);
    SimConfig config;

    TestTarget() {
        config = DefaultSimConfig();
        config.durable = false;
        config.cp.volumes = {{"dfm", 64 * 1024, false}, {"rfm", 8 * 1024, true}};
        config.ap.volumes = {{"mfm", 64 * 1024, false}};
        config.ap.in_msg_body_limit = 1024;
        config.ap.out_msg_body_limit = 1024;
        auto clock = now;
        config.clock = [clock] { return *clock; };
    }
};

class Harness {
  public:
    // A target on the test config, changed first by `adjust`.
    explicit Harness(const std::function<void(SimConfig&)>& adjust = {})
        : Harness(Adjusted(adjust)) {}
    explicit Harness(const SimConfig& config) {
        std::string error;
        sim_ = Simulator::Create(config, &error);
        EXPECT_NE(sim_, nullptr) << error;
        narrow_[0] = config.cp.fdi_version == "FDI5";
        narrow_[1] = config.ap.fdi_version == "FDI5";
    }

    Simulator& sim() { return *sim_; }
    bool narrow(int side) const { return narrow_[side == 0 ? 0 : 1]; }

    // A command frame; `name` is a full name, or a bare one under FDI__Transport__.
    static link::CommandFrame Frame(int side, const std::string& name, const Bytes& data,
                                    bool wants_reply = true) {
        link::CommandFrame c;
        c.side = side;
        c.wants_reply = wants_reply;
        const std::string full_name =
            name.find("__") == std::string::npos ? "FDI__Transport__" + name : name;
        const std::size_t a = full_name.find("__");
        const std::size_t b = full_name.find("__", a + 2);
        c.service = full_name.substr(0, a);
        c.module = full_name.substr(a + 2, b - a - 2);
        c.name = full_name.substr(b + 2);
        c.data = data;
        return c;
    }
    std::vector<link::ReportFrame> Send(int side, const std::string& name, const Bytes& data,
                                        bool wants_reply = true) {
        std::vector<link::ReportFrame> reports;
        const link::CommandFrame command = Frame(side, name, data, wants_reply);
        sim_->Handle(link::ViewOf(command), reports);
        return reports;
    }
    // The single report a command must answer with; an empty frame otherwise.
    link::ReportFrame One(int side, const std::string& full_name, const Bytes& data = {}) {
        auto reports = Send(side, full_name, data);
        EXPECT_EQ(reports.size(), 1u) << full_name;
        return reports.empty() ? link::ReportFrame{} : reports.front();
    }
    std::string Name(int side, const std::string& full_name, const Bytes& data = {}) {
        return One(side, full_name, data).name;
    }

    Bytes FopenParams(std::string_view path, std::string_view mode) {
        return Concat(Field(path, 256), Field(mode, 256));
    }
    // The identifier of a successful open, -1 after an open error.
    std::int32_t Open(int side, std::string_view path, std::string_view mode) {
        const auto r = One(side, "Fopen", FopenParams(path, mode));
        if (r.name == "F_Open_Error") return -1;
        EXPECT_EQ(r.data.size(), narrow(side) ? 258u : 260u);
        const std::size_t at = narrow(side) ? 2 : 4;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data.data() + at)), path);
        return narrow(side) ? static_cast<std::int16_t>(LeAt(r.data, 0, 2))
                            : static_cast<std::int32_t>(LeAt(r.data, 0, 4));
    }
    Bytes IdField(int side, std::int32_t id) {
        Bytes b;
        PutLe(b, static_cast<std::uint32_t>(id), narrow(side) ? 2 : 4);
        return b;
    }
    // One write packet as the host builds it: the block always has `limit`
    // bytes whatever the count says.
    std::string WritePacket(int side, std::int32_t id, const Bytes& data,
                            std::size_t limit = 1024) {
        Bytes p = IdField(side, id);
        PutLe(p, data.size(), 2);
        Bytes block = data;
        block.resize(limit, 0xEE);
        p = Concat(p, block);
        if (!narrow(side)) PutLe(p, 0, 2);
        return Name(side, "Fwrite", p);
    }
    // Writes in host-sized packets; false at the first packet refused.
    bool WriteAll(int side, std::int32_t id, const Bytes& data, std::size_t limit = 1024) {
        for (std::size_t at = 0; at < data.size(); at += limit) {
            const std::size_t n = std::min(limit, data.size() - at);
            const Bytes part(data.begin() + at, data.begin() + at + n);
            if (WritePacket(side, id, part, limit) != "F_Write_Success") return false;
        }
        return true;
    }
    Bytes ReadParams(int side, std::int32_t id, std::uint16_t wanted) {
        Bytes p = IdField(side, id);
        PutLe(p, wanted, 2);
        if (!narrow(side)) PutLe(p, 0, 2);
        return p;
    }
    // Reads to the last packet as the host does; counts the packets.
    Bytes ReadAll(int side, std::int32_t id, std::uint16_t wanted, int* packets = nullptr) {
        Bytes out;
        int n = 0;
        for (;;) {
            const auto r = One(side, "Fread", ReadParams(side, id, wanted));
            ++n;
            if (r.name != "F_Read_Packet") {
                ADD_FAILURE() << r.name;
                break;
            }
            const auto count = static_cast<std::int16_t>(LeAt(r.data, 4, 2));
            EXPECT_EQ(LeAt(r.data, 0, 2), 0u);
            EXPECT_LE(count, static_cast<std::int16_t>(wanted));
            EXPECT_EQ(r.data.size(), 6u + static_cast<std::size_t>(count));
            out.insert(out.end(), r.data.begin() + 6, r.data.end());
            if (LeAt(r.data, 2, 2) == 1 || n > 10000) break;
        }
        if (packets != nullptr) *packets = n;
        return out;
    }
    std::string Close(int side, std::int32_t id) {
        Bytes p;
        PutLe(p, static_cast<std::uint32_t>(id), 4);
        return Name(side, "Fclose", p);
    }
    // Creates a file holding `data`; false if any step was refused.
    bool Put(int side, std::string_view path, const Bytes& data) {
        const std::int32_t id = Open(side, path, "wb+");
        if (id < 0) return false;
        const bool written = WriteAll(side, id, data);
        return Close(side, id) == "F_Close_Success" && written;
    }
    Bytes Get(int side, std::string_view path) {
        const std::int32_t id = Open(side, path, "rb");
        if (id < 0) return Text("<missing>");
        Bytes b = ReadAll(side, id, 1024);
        Close(side, id);
        return b;
    }
    // Free bytes of a volume, or -1 on the error report.
    std::int64_t Free(int side, std::string_view volume) {
        const auto r = One(side, "GetFdiFdvAvailableSpace", Path(volume));
        if (r.name == "FdvAvailableSize_Error") return -1;
        return static_cast<std::int64_t>(LeAt(r.data, 0, 4));
    }
    std::string ChangeMode(int side, std::string_view path, std::uint32_t mode) {
        Bytes p = Field(path, 256);
        PutLe(p, mode, 4);
        return Name(side, "FchangeMode", p);
    }
    std::string Remove(int side, std::string_view path) {
        return Name(side, "Remove_File", Path(path));
    }
    // The status word of an entry.
    std::uint64_t Mode(int side, std::string_view path) {
        return LeAt(One(side, "FStatus", Path(path)).data, 0, 2);
    }
    std::string Seek(int side, std::int32_t id, std::int32_t offset, std::int32_t origin) {
        Bytes p = IdField(side, id);
        if (narrow(side)) PutLe(p, 0, 2);
        PutLe(p, static_cast<std::uint32_t>(offset), 4);
        PutLe(p, static_cast<std::uint32_t>(origin), 4);
        return Name(side, "Fseek", p);
    }
    link::ReportFrame MakeDir(int side, std::string_view path, std::uint16_t mode = 0755) {
        return One(side, "MkDir", MkDirParams(path, mode));
    }

  private:
    static SimConfig Adjusted(const std::function<void(SimConfig&)>& adjust) {
        SimConfig config = TestTarget().config;
        if (adjust) adjust(config);
        return config;
    }

    std::unique_ptr<Simulator> sim_;
    bool narrow_[2] = {false, false};
};

}  // namespace quorvex::sim::testing
