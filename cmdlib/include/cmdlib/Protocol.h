// The QXL/1 link protocol: frame layout, checksum, frame encoder and the
// incremental decoder, and the payload codecs of the typed frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmdlib/TargetAgent.h"

namespace quorvex::link {

// Frame: 'Q' 'X', type u8, flags u8 (0), exchange id u32, payload length u32,
// payload, CRC-32 of everything before it. Integers are little-endian.
inline constexpr std::uint8_t kFrameMagic0 = 'Q';
inline constexpr std::uint8_t kFrameMagic1 = 'X';
inline constexpr std::size_t kFrameHeaderSize = 12;
inline constexpr std::size_t kFrameCrcSize = 4;
// Large enough for any command database or data packet the module sends, small
// enough that a hostile length cannot make a receiver buffer much.
inline constexpr std::uint32_t kMaxPayloadSize = 1048576;
inline constexpr std::uint16_t kProtocolVersion = 1;

enum class FrameType : std::uint8_t {
    kHello = 0x01,
    kCommand = 0x02,
    kPing = 0x03,
    kWelcome = 0x81,
    kReport = 0x82,
    kPong = 0x83,
    kRefused = 0x8F,  // sent instead of WELCOME by a target that cannot serve the host
};

// CRC-32 with the zlib polynomial (reflected 0xEDB88320, inverted in and out),
// computed by zlib. Pass the previous result as `crc` to continue over several pieces.
std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0);

// A report as it lies in a receive buffer; valid only while that buffer is.
struct ReportView {
    std::int32_t side = 0;
    std::string_view service;
    std::string_view module;
    std::string_view name;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

inline ReportView ViewOf(const ReportFrame& report) {
    return {report.side, report.service,     report.module,
            report.name, report.data.data(), report.data.size()};
}

// One frame as the decoder found it. `payload` points into the decoder's
// buffer; see FrameDecoder::Next for how long it stays valid.
struct FrameView {
    std::uint8_t type = 0;
    std::uint32_t exchange_id = 0;
    const std::uint8_t* payload = nullptr;
    std::size_t payload_size = 0;
};

// Encoders. Each replaces the contents of *out with one complete frame and
// keeps its capacity, so a buffer reused frame after frame stops allocating.
// They return false, leaving *out unspecified, when a string or data field is
// longer than its u16 length can say, or the payload exceeds kMaxPayloadSize.
bool EncodeHello(std::uint32_t exchange_id, std::uint16_t version, std::string_view client_name,
                 std::vector<std::uint8_t>* out);
bool EncodeWelcome(std::uint32_t exchange_id, const Welcome& welcome,
                   std::vector<std::uint8_t>* out);
bool EncodeCommand(std::uint32_t exchange_id, const CommandFrame& command,
                   std::vector<std::uint8_t>* out);
// The same frame in three pieces, so that the command's data is sent from
// where it lies: *head gets the frame up to the data, *crc the checksum that
// follows the data on the wire (little-endian).
bool EncodeCommandHead(std::uint32_t exchange_id, const CommandView& command,
                       std::vector<std::uint8_t>* head, std::uint32_t* crc);
// The report's delay_ms stays with the sender; it is not part of the frame.
bool EncodeReport(std::uint32_t exchange_id, const ReportFrame& report,
                  std::vector<std::uint8_t>* out);
// The same in pieces, as EncodeCommandHead does for a command.
bool EncodeReportHead(std::uint32_t exchange_id, const ReportFrame& report,
                      std::vector<std::uint8_t>* head, std::uint32_t* crc);
bool EncodeRefused(std::uint32_t exchange_id, std::string_view reason,
                   std::vector<std::uint8_t>* out);
// PING, PONG, or any other frame without payload.
void EncodeEmptyFrame(FrameType type, std::uint32_t exchange_id, std::vector<std::uint8_t>* out);

// Payload decoders. They accept exactly one well-formed payload: a field that
// runs past the end, a wants-reply byte other than 0 or 1, or bytes left over
// make them return false. Outputs are overwritten, also on failure.
bool DecodeHello(const std::uint8_t* payload, std::size_t size, std::uint16_t* version,
                 std::string* client_name);
bool DecodeWelcome(const std::uint8_t* payload, std::size_t size, Welcome* welcome);
bool DecodeCommand(const std::uint8_t* payload, std::size_t size, CommandFrame* command);
// The same without copying: the view points into `payload`.
bool DecodeCommandView(const std::uint8_t* payload, std::size_t size, CommandView* command);
// Leaves delay_ms at 0.
bool DecodeReport(const std::uint8_t* payload, std::size_t size, ReportFrame* report);
// The same without copying: the view points into `payload`.
bool DecodeReportView(const std::uint8_t* payload, std::size_t size, ReportView* report);
bool DecodeRefused(const std::uint8_t* payload, std::size_t size, std::string* reason);

enum class FrameError {
    kNone,
    kBadMagic,
    kBadFlags,
    kTooLong,
    kBadCrc,
};

// A short English phrase for logs and error messages.
const char* FrameErrorText(FrameError error);

// Cuts a byte stream into frames, however the stream was split into reads.
// A broken envelope (magic, flags, length, checksum) is reported as soon as
// the bytes that show it have arrived, and the decoder then stays broken: the
// stream cannot be resynchronised, so the receiver closes the connection. It
// never sizes a buffer from a received length. Thread-compatible.
class FrameDecoder {
  public:
    enum class Status { kNeedMore, kFrame, kError };

    // Appends received bytes. Invalidates the views handed out before.
    void Feed(const void* data, std::size_t size);
    // Lets a reader receive straight into the decoder's buffer: returns room
    // for at least `size` bytes, of which the caller then Commits what it
    // wrote. Invalidates the views handed out before.
    std::uint8_t* Prepare(std::size_t size);
    void Commit(std::size_t size);
    // Takes the next complete frame out of the bytes fed so far. The view
    // stays valid until the next Feed or Prepare, so a caller may drain
    // several frames and still use all of them.
    Status Next(FrameView* frame);

    FrameError error() const { return error_; }
    // Bytes fed but not yet handed out as frames.
    std::size_t buffered() const { return end_ - begin_; }

  private:
    // Bytes [begin_, end_) of buffer_ are received and not yet handed out;
    // the rest of buffer_ is room for the next read.
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    FrameError error_ = FrameError::kNone;
};

}  // namespace quorvex::link
