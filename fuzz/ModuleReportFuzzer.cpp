// libFuzzer entry for the module's handling of target reports. The input is a
// tape: a set-up byte, then operation bytes, and whenever the module sends a
// command the target's answer is read from the tape at that point. A scripted
// in-process target on virtual time plays the answers, so a time-out costs
// nothing. An exhausted tape answers nothing, so every run ends.
//
// Set-up byte: bit 0 application core, bit 1 FDI5 layout, bits 2-6 the side's
// command database knows Fseek, GetFdiFdvAvailableSpace, the message body
// limits, GetMaxFileNameLen, GetFdiFdvSize; bit 7 the "GUI Instance".
//
// Answer: a header byte h. h&3: 0 no answer, 1 a broken link (h&4: a malformed
// frame instead), 2 raw reports (name byte, u16 length, bytes), 3 shaped
// reports (name byte, then a few bytes from which a well-formed payload is
// built for the command). For 2 and 3: h&4 every report comes after the
// time-out, h&8 the answer is repeated for every later command of the same
// name in the operation and a report stream repeats its last report without
// end (a target that never stops), 1 + (h>>4 & 3) reports.
// A name byte picks from the module's expected list; one past it picks a
// report the module does not expect.
//
// Checked on every input, beyond the sanitizers: an identifier the target
// handed out is closed exactly once and nothing else is closed or used; a read,
// write or comparison that returns 0 moved exactly the bytes sent (the PC file
// equals the packets the target sent; the packets written equal the PC file);
// and no operation trusts a target that never stops: a listing takes at most
// kBound packets, a read stops after kBound packets in a row without data, and
// nothing waits more than kMaxWaits times. (A read whose packets all carry data
// is bounded only by the 4 GiB a 32-bit file size can state, so the harness
// gives a repeated answer at most 2 * kBound times.)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cmdlib/Connection.h"
#include "cmdlib/ScriptedTarget.h"
#include "link/Exchange.h"
#include "platform/messages.h"
#include "support/FlashTestAccess.h"

namespace {

using Access = CFlashExplorerDataTestAccess;
using Bytes = std::vector<std::uint8_t>;
using quorvex::link::CommandFrame;
using quorvex::link::ReportFrame;

// The module's limit on packets that bring nothing new (4 MiB of names in a
// listing), and a backstop on all waits of one operation.
constexpr int kBound = 4096;
// Waits are counted as the link makes them: skipping a report it does not
// expect costs one, so an answer of four reports can cost four.
constexpr int kMaxWaits = 16 * kBound;
constexpr int kMaxOperations = 12;

#define FUZZ_CHECK(cond, what)                                     \
    do {                                                           \
        if (!(cond)) {                                             \
            std::fprintf(stderr, "fuzz check failed: %s\n", what); \
            std::abort();                                          \
        }                                                          \
    } while (0)

class Tape {
  public:
    Tape(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t pos() const { return pos_; }
    Tape Slice(std::size_t from) const { return Tape(data_ + from, pos_ - from); }
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    unsigned U16() {
        const unsigned low = Byte();
        return low | (Byte() << 8);
    }
    Bytes Take(std::size_t n) {
        n = std::min(n, size_ - pos_);
        Bytes out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }
    bool empty() const { return pos_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void Put(Bytes& b, std::size_t at, unsigned long v, int width) {
    if (b.size() < at + width) b.resize(at + width);
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
unsigned Get16(const Bytes& b, std::size_t at) {
    return b.size() < at + 2 ? 0 : b[at] | (b[at + 1] << 8);
}
Bytes Pattern(std::size_t n, unsigned seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return b;
}
std::string CText(const Bytes& b, std::size_t from, std::size_t max) {
    std::string s;
    for (std::size_t i = from; i < b.size() && i < from + max && b[i] != 0; ++i) s += char(b[i]);
    return s;
}

// What the module did and what the target answered, for the checks.
struct Model {
    std::multiset<int> open, maybe_open;  // identifiers surely / possibly handed out
    Bytes read, written;                  // data of the current read run and of the writes
    int read_sent = 0, read_good = 0, write_sent = 0, write_good = 0, empty_reads = 0, repeats = 0;
    bool read_done = false;
    int waits = 0;
};

class Harness;
Harness* g_harness = nullptr;

// For reading a reproducer: QUORVEX_FUZZ_TRACE=1 shows each answer taken and
// each operation's result.
bool Trace() {
    static const bool trace = std::getenv("QUORVEX_FUZZ_TRACE") != nullptr;
    return trace;
}

class FuzzTarget : public quorvex::link::ScriptedTarget {
  public:
    void OnWait(std::uint32_t id, std::uint32_t timeout_ms) override {
        ScriptedTarget::OnWait(id, timeout_ms);
        model->waits++;
        FUZZ_CHECK(model->waits <= kMaxWaits, "an operation did not end within kMaxWaits waits");
    }
    Model* model = nullptr;
};

class Harness {
  public:
    Harness(Tape& tape, std::uint8_t setup) : tape_(tape), setup_(setup) { Connect(); }
    ~Harness() { Disconnect(); }

    void Connect() {
        target_ = std::make_shared<FuzzTarget>();
        target_->model = &model_;
        const char* known[] = {"FDI__Transport__Fseek", "FDI__Transport__GetFdiFdvAvailableSpace",
                               "Diag__Utils__InMsgBodyLimit", "FDI__Transport__GetMaxFileNameLen",
                               "FDI__Transport__GetFdiFdvSize"};
        std::vector<std::string> commands = {"FDI__Transport__ExtendedMode"};
        for (int i = 0; i < 5; ++i)
            if (setup_ & (4 << i)) commands.push_back(known[i]);
        if (setup_ & 16) commands.push_back("Diag__Utils__OutMsgBodyLimit");
        target_->AddCommands(setup_ & 1, commands);
        target_->On("*").Sticky().Respond(
            [this](const CommandFrame& c, std::vector<ReportFrame>& r) { Answer(c, r); });
        quorvex::link::ConnectScripted(target_);
        object_ = Access::Create();
        object_->m_nTargetType = static_cast<eTargetType>(setup_ & 1);
        object_->m_strFdiVersionCp = object_->m_strFdiVersionAp = (setup_ & 2) ? "FDI5" : "FDI6";
        object_->m_strInstanceName = (setup_ & 0x80) ? "GUI Instance" : "fuzz";
        object_->m_strVolumeAndPath = "dfm/";
        broken_ = false;
    }
    void Disconnect() {
        object_.reset();
        quorvex::link::Disconnect();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    void RunOperation(std::uint8_t op, const std::string& home);
    void Inspect(CFdiExchange::Call call, const CZENTOMessage& cmd, const CZENTOMessage& reply,
                 const CStringList& expected);

  private:
    bool Fdi5() { return Access::GetCurrentFdiVersion(*object_) == "FDI5"; }
    static int Id32(const Bytes& d) { return int(Get16(d, 0) | Get16(d, 2) << 16); }
    void Answer(const CommandFrame& command, std::vector<ReportFrame>& reports);
    void Decode(Tape& t, const CommandFrame& command, std::vector<ReportFrame>& reports);
    Bytes Shape(Tape& t, const CommandFrame& command);
    void Took(const CommandFrame& command, const ReportFrame* report);
    void CheckAllClosed() {
        FUZZ_CHECK(model_.open.empty(), "an identifier the target handed out was never closed");
        model_.maybe_open.clear();
    }

    Tape& tape_;
    std::uint8_t setup_;
    Model model_;
    std::shared_ptr<FuzzTarget> target_;
    std::unique_ptr<CFlashExplorerData> object_;
    // The exchange the module is running: its expected names and reply capacity.
    std::vector<std::string> expected_;
    std::size_t capacity_ = 0;
    std::string last_command_;
    std::map<std::string, Tape> repeat_;  // answers that repeat, by command name
    bool broken_ = false;
};

void Harness::Inspect(CFdiExchange::Call call, const CZENTOMessage& cmd, const CZENTOMessage& reply,
                      const CStringList& expected) {
    expected_.clear();
    if (call == CFdiExchange::Call::kQuery) {
        expected_.push_back(std::string(static_cast<LPCSTR>(reply.Service)) + "__" +
                            static_cast<LPCSTR>(reply.Module) + "__" +
                            static_cast<LPCSTR>(reply.Name));
    }
    for (POSITION p = expected.GetHeadPosition(); p != nullptr;)
        expected_.push_back(static_cast<LPCSTR>(expected.GetNext(p)));
    capacity_ = reply.DataLength;
    const std::string name = static_cast<LPCSTR>(cmd.Name);
    const Bytes data(cmd.Data, cmd.Data + (cmd.Data ? cmd.DataLength : 0));
    // Identifiers: what the module uses or closes must be open. The close
    // carries 32 bits in both layouts, the others 16 in the FDI5 layout.
    if (name == "Fread" || name == "Fwrite" || name == "Fseek" || name == "Fclose") {
        const int id = name == "Fclose" || !Fdi5() ? Id32(data) : short(Get16(data, 0));
        auto* set = model_.open.count(id)         ? &model_.open
                    : model_.maybe_open.count(id) ? &model_.maybe_open
                                                  : nullptr;
        FUZZ_CHECK(set != nullptr, "a command used an identifier that is not open");
        if (name == "Fclose") set->erase(set->find(id));
    }
    if (name == "Fread") {
        // A new run of reads starts after any other command; one that ended
        // must not be continued.
        if (last_command_ != "Fread") {
            model_.read.clear();
            model_.read_done = false;
            model_.read_sent = model_.read_good = model_.empty_reads = 0;
        }
        FUZZ_CHECK(!model_.read_done, "a read went on after the target's last packet");
        FUZZ_CHECK(model_.empty_reads < kBound, "a read went on after kBound empty packets");
        model_.read_sent++;
    }
    if (name == "Fwrite") {
        model_.write_sent++;
        const std::size_t at = Fdi5() ? 2 : 4;
        const unsigned count = Get16(data, at);
        FUZZ_CHECK(data.size() >= at + 2 + count, "a write packet's count exceeds its block");
        model_.written.insert(model_.written.end(), data.begin() + at + 2,
                              data.begin() + at + 2 + count);
    }
    last_command_ = name;
}

void Harness::Answer(const CommandFrame& command, std::vector<ReportFrame>& reports) {
    if (!command.wants_reply) return;
    auto it = repeat_.find(command.name);
    if (it != repeat_.end()) {
        Tape again = it->second;
        if (++model_.repeats <= 2 * kBound) Decode(again, command, reports);
    } else {
        Decode(tape_, command, reports);
    }
    // The module takes the first expected report that comes in time.
    const ReportFrame* taken = nullptr;
    for (const auto& r : reports) {
        if (r.fault != ReportFrame::Fault::kNone) broken_ = true;
        if (broken_ || r.delay_ms > 0) break;
        if (std::find(expected_.begin(), expected_.end(), r.FullName()) != expected_.end()) {
            taken = &r;
            break;
        }
    }
    if (Trace())
        std::fprintf(stderr, "  %s: %zu reports, took %s (%zu bytes)\n", command.name.c_str(),
                     reports.size(), taken ? taken->name.c_str() : "none",
                     taken ? taken->data.size() : 0);
    Took(command, taken);
}

void Harness::Decode(Tape& t, const CommandFrame& command, std::vector<ReportFrame>& reports) {
    const std::size_t start = t.pos();
    const std::uint8_t h = t.Byte();
    if ((h & 3) == 0) return;
    if ((h & 3) == 1) {
        ReportFrame fault;
        fault.fault = (h & 4) ? ReportFrame::Fault::kMalformed : ReportFrame::Fault::kBreak;
        reports.push_back(fault);
        return;
    }
    const int count = 1 + ((h >> 4) & 3);
    for (int i = 0; i < count; ++i) {
        const std::size_t pick = t.Byte() % (expected_.size() + 1);
        const std::string full =
            pick < expected_.size() ? expected_[pick] : "FDI__Transport__Unexpected_Report";
        ReportFrame r;
        const std::size_t a = full.find("__"), b = full.find("__", a + 2);
        r.side = command.side;
        r.service = full.substr(0, a);
        r.module = full.substr(a + 2, b - a - 2);
        r.name = full.substr(b + 2);
        r.data = (h & 3) == 2 ? t.Take(t.U16()) : Shape(t, command);
        r.delay_ms = (h & 4) ? 7501 : 0;  // past every time-out
        reports.push_back(std::move(r));
    }
    if (!(h & 8)) return;
    if (!repeat_.count(command.name)) repeat_.emplace(command.name, t.Slice(start));
    // A report stream that never ends: its last report again and again, as
    // long as the module takes it.
    const bool stream = command.name == "GetFileNameList" || command.name == "GetFdiVolumes";
    const ReportFrame last = reports.back();
    if (stream && std::count(expected_.begin(), expected_.end(), last.FullName()) > 0)
        reports.resize(kBound + 8, last);
}

// A payload of the layout the command's answer has, steered by a few tape bytes.
Bytes Harness::Shape(Tape& t, const CommandFrame& command) {
    const std::string& c = command.name;
    const std::uint8_t v = t.Byte();
    Bytes p;
    if (c == "Fopen") {
        const std::size_t at = Fdi5() ? 2 : 4;
        Put(p, 0, static_cast<std::uint32_t>(static_cast<std::int8_t>(t.Byte())), int(at));
        std::string name = CText(command.data, 0, 256);
        if (v & 1) name += 'x';  // another file than the one asked for
        p.insert(p.end(), name.begin(), name.end());
        if (!(v & 2)) p.push_back(0);
    } else if (c == "Fread") {
        const unsigned wanted = Get16(command.data, Fdi5() ? 2 : 4);
        const int statuses[] = {0, 0, 34, static_cast<std::int8_t>(t.Byte())};
        const unsigned length = t.U16() % (wanted + 1);
        int count = int(length);
        if (v & 8) count += 1 + t.Byte();  // a count larger than the data sent
        if (v & 16) count = -1 - t.Byte();
        Put(p, 0, static_cast<std::uint16_t>(statuses[v & 3]), 2);
        Put(p, 2, (v >> 2) & 1, 2);
        Put(p, 4, static_cast<std::uint16_t>(count), 2);
        const Bytes data = Pattern(length, v);
        p.insert(p.end(), data.begin(), data.end());
        if (v & 32) p.resize(t.Byte() % 6);  // a header cut short
    } else if (c == "GetFileNameList") {
        std::string text;
        for (int i = 0; i < (v & 7); ++i) {
            // Name, two time values, size, attributes; the order of reading is fixed.
            text += "f" + std::to_string(t.Byte()) + "@";
            text += std::to_string(std::int32_t(t.U16() * 65537u)) + "@";
            text += std::to_string(std::int32_t(t.U16() * 40503u)) + "@";
            text += std::to_string(t.U16()) + "@";
            text += std::to_string(t.Byte()) + "@";
        }
        if (v & 8) {
            const Bytes tail = t.Take(t.Byte());
            text.append(tail.begin(), tail.end());
        }
        p.assign(text.begin(), text.end());
        p.resize(1024, 0);
        Put(p, 1024, (v & 16) ? std::uint16_t(std::int8_t(t.Byte())) : (v & 7), 2);
        Put(p, 1026, (v & 32) ? 0 : 1, 2);
        if (v & 64) p.resize(t.U16() % 1029);
    } else if (c == "GetFdiVolumes") {
        p.push_back(v & 7);
        for (int i = 0; i < (v & 7); ++i) {
            Bytes field(10, 0);
            const std::string name = "v" + std::to_string(i * 37 + v);
            std::copy(name.begin(), name.end(), field.begin());
            p.insert(p.end(), field.begin(), field.end());
        }
        if (v & 8) p.resize(t.Byte() % 61);
    } else {
        // Figures of the queries and the 1-byte acknowledgements.
        p = t.Take(std::min<std::size_t>(capacity_, v & 8));
    }
    return p;
}

// Follows what the module will read from the answer it takes.
void Harness::Took(const CommandFrame& command, const ReportFrame* r) {
    const std::string& c = command.name;
    const Bytes empty;
    const Bytes& p = r ? r->data : empty;
    if (c == "Fopen" && r && r->name.rfind("F_Open_Return_FileID", 0) == 0 && !p.empty()) {
        const std::size_t at = Fdi5() ? 2 : 4;
        const std::string asked = CText(command.data, 0, 256);
        const std::size_t end = std::min(p.size(), capacity_);
        std::string echoed;
        bool terminated = false;
        for (std::size_t i = at; i < end && i < at + 256; ++i) {
            if (p[i] == 0) {
                terminated = true;
                break;
            }
            echoed += char(p[i]);
        }
        if (p.size() >= at && terminated && echoed == asked) {
            model_.open.insert(at == 2 ? short(Get16(p, 0)) : Id32(p));
        } else if (!terminated && asked.compare(0, echoed.size(), echoed) == 0) {
            // Bytes that never arrived would decide it: the module may go either way.
            Bytes id = p;
            id.resize(at, 0);
            model_.maybe_open.insert(at == 2 ? short(Get16(id, 0)) : Id32(id));
        }
    }
    if (c == "Fread" && r && r->name == "F_Read_Packet" && p.size() >= 2) {
        const short status = short(Get16(p, 0));
        if (status != 0 && status != 34) {
            model_.read_good++;
            model_.read_done = true;
        } else if (p.size() >= 6) {
            const short count = short(Get16(p, 4));
            const unsigned wanted = Get16(command.data, Fdi5() ? 2 : 4);
            if (count >= 0 && unsigned(count) <= wanted && std::size_t(count) <= p.size() - 6) {
                model_.read.insert(model_.read.end(), p.begin() + 6, p.begin() + 6 + count);
                model_.read_good++;
                model_.empty_reads = count == 0 && Get16(p, 2) != 1 ? model_.empty_reads + 1 : 0;
                model_.read_done = status == 34 || Get16(p, 2) == 1;
            }
        }
    }
    if (c == "Fwrite" && r && r->name == "F_Write_Success") model_.write_good++;
}

void Harness::RunOperation(std::uint8_t op, const std::string& home) {
    model_.waits = 0;
    repeat_.clear();
    const CString pc = (home + "/pc.bin").c_str();
    Bytes content;
    auto pcFile = [&] {
        std::ifstream in(home + "/pc.bin", std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    // A completed read: the last run of packets ended as the target said, and
    // every packet carried what its count claimed.
    auto readComplete = [&](const Bytes& want) {
        FUZZ_CHECK(model_.read_sent > 0 && model_.read_good == model_.read_sent && model_.read_done,
                   "a read returned 0 without a complete, well-formed run of packets");
        FUZZ_CHECK(want == model_.read,
                   "a read returned 0 but the data differs from what was sent");
    };
    model_.read_sent = model_.read_good = model_.write_sent = model_.write_good = 0;
    model_.empty_reads = model_.repeats = 0;
    model_.read.clear();
    model_.written.clear();
    last_command_.clear();
    int result = 0;
    switch (op % 9) {
        case 0: {
            const CFdiFileList* list = nullptr;
            result = object_->GetFileList(list, "*");
            FUZZ_CHECK((result == 0) == (list == &object_->m_fileList),
                       "listing result and list disagree");
            // The first wait may skip up to three unexpected reports.
            FUZZ_CHECK(model_.waits <= kBound + 4, "a listing took more than kBound packets");
            break;
        }
        case 1:
            result = object_->ReadFile(pc, "a.bin");
            if (result == 0) readComplete(pcFile());
            break;
        case 2:
        case 3: {
            const unsigned size = tape_.U16() % 3000;
            content = Pattern(size, size);
            std::ofstream(home + "/pc.bin", std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(content.data()), std::streamsize(size));
            const int verify = op % 9 == 2 ? 1 : 0;
            result = object_->WriteFile("a.bin", pc, verify);
            if (result == 0) {
                FUZZ_CHECK(model_.write_good == model_.write_sent && model_.written == content,
                           "a write returned 0 but the packets sent differ from the PC file");
                if (verify) readComplete(content);
            }
            break;
        }
        case 4: {
            CStringList volumes;
            result = object_->GetVolumeList(volumes);
            FUZZ_CHECK(volumes.GetCount() <= 6, "more volumes than the answer can hold");
            break;
        }
        case 5: {
            std::uint64_t size = 0;
            DWORD available = 0;
            result = object_->QueryCapacity("dfm", size, available);
            break;
        }
        case 6:
            result = object_->RenameFile("a.bin", "b.bin");
            break;
        case 7:
            result = object_->RemoveFile("a.bin");
            break;
        case 8:
            content = pcFile();
            result = object_->ComparePcFileWithFlashFile(pc, "a.bin");
            if (result == 0) readComplete(content);
            break;
    }
    if (Trace()) std::fprintf(stderr, "operation %d: result %d\n", op % 9, result);
    CheckAllClosed();
    // A broken link stays broken: start again on a fresh connection.
    if (broken_) {
        Disconnect();
        Connect();
    }
}

std::string& Home() {
    static std::string home = [] {
        char pattern[] = "/tmp/quorvex-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        setenv("QUORVEX_HOME", pattern, 1);
        return std::string(pattern);
    }();
    return home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string& home = Home();
    Tape tape(data + 1, size - 1);
    Harness harness(tape, data[0]);
    g_harness = &harness;
    CFdiExchange::SetInspector([](CFdiExchange::Call call, const CZENTOMessage& c,
                                  const CZENTOMessage& r, const CStringList& e,
                                  DWORD) { g_harness->Inspect(call, c, r, e); });
    for (int n = 0; n < kMaxOperations && !tape.empty(); ++n)
        harness.RunOperation(tape.Byte(), home);
    CFdiExchange::SetInspector(nullptr);
    g_harness = nullptr;
    return 0;
}
