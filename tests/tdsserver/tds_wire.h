// TDS packet transport and token writer for the Vornalex TDS test server.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tdsserver {

// Packet types of the TDS header (MS-TDS 2.2.3.1.1).
enum PacketType : std::uint8_t {
    kPacketSqlBatch = 1,
    kPacketReply = 4,
    kPacketAttention = 6,
    kPacketLogin7 = 16,
    kPacketPrelogin = 18,
};

enum : std::uint8_t { kStatusEom = 0x01 };

// Token types (MS-TDS 2.2.7).
enum TokenType : std::uint8_t {
    kTokenColMetadata = 0x81,
    kTokenError = 0xAA,
    kTokenInfo = 0xAB,
    kTokenLoginAck = 0xAD,
    kTokenRow = 0xD1,
    kTokenEnvChange = 0xE3,
    kTokenDone = 0xFD,
};

// DONE status bits.
enum DoneStatus : std::uint16_t {
    kDoneFinal = 0x00,
    kDoneMore = 0x01,
    kDoneError = 0x02,
    kDoneCount = 0x10,
    kDoneAttn = 0x20,
};

// The peer went away (or the session decided to drop it); unwinds a session.
struct ConnectionLost : std::runtime_error {
    ConnectionLost() : std::runtime_error("connection lost") {}
};

// Decodes the UTF-8 code point at p[i] and moves i past it; invalid input gives
// U+FFFD and moves one byte.
char32_t decodeUtf8(const unsigned char* p, std::size_t n, std::size_t& i);

// UTF-8 <-> UTF-16 conversions; invalid input becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view s);
std::string utf16ToUtf8(std::u16string_view s);
std::string utf16leToUtf8(const std::uint8_t* p, std::size_t nbytes);

struct Message {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

// Reads and writes whole TDS packets on a connected socket.
class PacketChannel {
public:
    explicit PacketChannel(int fd) : fd_(fd) {}

    // Reads packets until one carries EOM. Returns false when the peer closed.
    bool readMessage(Message& msg);

    enum class PollResult { Nothing, Attention, Closed };
    // Looks for an ATTENTION packet, waiting at most timeoutMs (0: just look).
    // Other packets that arrive meanwhile are kept for readMessage.
    PollResult pollAttention(int timeoutMs);

    // Sends all bytes; throws ConnectionLost on failure.
    void sendAll(const std::uint8_t* p, std::size_t n);

    int fd() const { return fd_; }

private:
    bool readPacket(Message& pkt);
    bool readFully(std::uint8_t* p, std::size_t n);

    int fd_;
    std::deque<Message> pending_; // packets read while polling for attention
};

// Builds the token stream of one reply and sends it as packets of the
// negotiated size while it is being written, so that large results stream.
class ReplyWriter {
public:
    ReplyWriter(PacketChannel& ch, std::uint16_t spid, std::size_t packetSize);

    void setPacketSize(std::size_t size);

    // Called after each packet that is not the end of the message went out;
    // the session uses it to look for ATTENTION.
    void setAfterPacketHook(void (*hook)(void*), void* ctx) {
        hook_ = hook;
        hookCtx_ = ctx;
    }

    void u8(std::uint8_t v) {
        if (pos_ >= cap_)
            spill();
        buf_[pos_++] = v;
    }
    void u16(std::uint16_t v) {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(std::uint16_t(v));
        u16(std::uint16_t(v >> 16));
    }
    void u64(std::uint64_t v) {
        u32(std::uint32_t(v));
        u32(std::uint32_t(v >> 32));
    }
    void bytes(const void* p, std::size_t n);
    void utf16(std::u16string_view s);     // raw UTF-16LE, no length
    void bVarchar(std::u16string_view s);  // 1-byte length in characters
    void usVarchar(std::u16string_view s); // 2-byte length in characters

    // Tokens.
    void envChange(std::uint8_t type, std::u16string_view newValue, std::u16string_view oldValue);
    void envChangeBytes(std::uint8_t type, const std::vector<std::uint8_t>& newValue,
                        const std::vector<std::uint8_t>& oldValue);
    void message(bool error, std::int32_t number, std::uint8_t state, std::uint8_t severity,
                 std::string_view textUtf8, std::string_view server, std::int32_t line);
    void done(std::uint16_t status, std::uint16_t curCmd, std::uint64_t count);

    // Sends what is buffered as a packet that does not end the message.
    void flushPartial();
    // Sends what is buffered as the last packet of the message.
    void endMessage();

private:
    void spill(); // buffer full: send it (not EOM) and run the hook
    void sendPacket(bool eom);

    PacketChannel& ch_;
    std::uint16_t spid_;
    std::size_t packetSize_;
    std::vector<std::uint8_t> buf_;
    std::size_t pos_ = 8;
    std::size_t cap_ = 0;
    std::uint8_t packetId_ = 1;
    void (*hook_)(void*) = nullptr;
    void* hookCtx_ = nullptr;
};

} // namespace tdsserver
