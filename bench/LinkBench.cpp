// Google Benchmark cases for the per-packet work of the link: the frame
// checksum, encoding a data command, decoding a data report, and the module's
// listing of a large folder over the in-process simulator.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmdlib/Connection.h"
#include "cmdlib/InProcessTransport.h"
#include "cmdlib/Protocol.h"
#include "framework/dialog_presenter.h"
#include "quorvex/FlashExplorerData.h"
#include "target/Simulator.h"

namespace {

using namespace quorvex::link;

void BM_Crc32(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes(static_cast<std::size_t>(state.range(0)), 0xA5);
    for (auto _ : state) benchmark::DoNotOptimize(Crc32(bytes.data(), bytes.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc32)->Arg(1024)->Arg(4096)->Arg(32767)->Arg(1 << 20);

CommandFrame WriteCommand(std::size_t packet) {
    CommandFrame command;
    command.side = 1;
    command.service = "FDI";
    command.module = "Transport";
    command.name = "Fwrite";
    command.data.assign(packet + 8, 0x5A);
    return command;
}

void BM_EncodeWriteCommand(benchmark::State& state) {
    const CommandFrame command = WriteCommand(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> frame;
    for (auto _ : state) {
        EncodeCommand(7, command, &frame);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_EncodeWriteCommand)->Arg(1024)->Arg(4096)->Arg(32767);

// A read packet's report arriving in one piece, taken out of the decoder and
// decoded into a record that is reused, as a waiting host does.
void BM_DecodeReadReport(benchmark::State& state) {
    ReportFrame packet;
    packet.service = "FDI";
    packet.module = "Transport";
    packet.name = "F_Read_Packet";
    packet.data.assign(static_cast<std::size_t>(state.range(0)) + 6, 0x5A);
    std::vector<std::uint8_t> frame;
    EncodeReport(7, packet, &frame);
    FrameDecoder decoder;
    ReportFrame report;
    for (auto _ : state) {
        std::memcpy(decoder.Prepare(frame.size()), frame.data(), frame.size());
        decoder.Commit(frame.size());
        FrameView view;
        if (decoder.Next(&view) != FrameDecoder::Status::kFrame ||
            !DecodeReport(view.payload, view.payload_size, &report)) {
            state.SkipWithError("report did not decode");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DecodeReadReport)->Arg(1024)->Arg(4096)->Arg(32767);

// `ls` of a folder of state.range(0) files: the listing exchanges and the
// parsing of every name-list packet into the module's file records.
void BM_ListFolder(benchmark::State& state) {
    const auto files = static_cast<int>(state.range(0));
    quorvex::sim::SimConfig config = quorvex::sim::DefaultSimConfig();
    config.durable = false;
    config.ap.max_entries = static_cast<std::uint32_t>(files) + 16;
    std::string error;
    std::shared_ptr<quorvex::sim::Simulator> sim = quorvex::sim::Simulator::Create(config, &error);
    if (sim == nullptr) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (int i = 0; i < files; ++i) {
        // Created straight through the simulator: 512-byte open block, then close.
        CommandFrame open;
        open.side = 1;
        open.service = "FDI";
        open.module = "Transport";
        open.name = "Fopen";
        open.data.assign(512, 0);
        const std::string name = "file" + std::to_string(i) + ".bin";
        std::memcpy(open.data.data(), name.data(), name.size());
        std::memcpy(open.data.data() + 256, "wb+", 3);
        std::vector<ReportFrame> reports;
        sim->Handle(ViewOf(open), reports);
        if (reports.size() != 1 || reports[0].data.size() < 4) {
            state.SkipWithError("the simulator did not open a file");
            return;
        }
        CommandFrame close = open;
        close.name = "Fclose";
        close.data.assign(reports[0].data.begin(), reports[0].data.begin() + 4);
        reports.clear();
        sim->Handle(ViewOf(close), reports);
    }
    Attach(std::make_shared<InProcessTransport>(sim));
    quorvex::framework::ScriptedDialogPresenter presenter;
    presenter.AddScript("click 1032, ok");
    quorvex::framework::SetDialogPresenter(&presenter);
    CFlashExplorerData* flash = CFlashExplorerData::Instance("GUI Instance");
    for (auto _ : state) {
        const CFdiFileList* list = nullptr;
        if (flash->GetFileList(list, "*") != 0 || list == nullptr || list->GetCount() != files) {
            state.SkipWithError("the listing is incomplete");
            break;
        }
    }
    CFlashExplorerData::DeleteInstance("GUI Instance");
    quorvex::framework::SetDialogPresenter(nullptr);
    Disconnect();
}
BENCHMARK(BM_ListFolder)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
