#include "tds_wire.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tdsserver {

namespace {

constexpr std::size_t kMaxMessage = 64u * 1024u * 1024u;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

template <typename Get> std::string utf16ToUtf8Impl(std::size_t n, Get get) {
    std::string out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = get(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < n) {
                char32_t d = get(i + 1);
                if (d >= 0xDC00 && d <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                    ++i;
                } else {
                    c = 0xFFFD;
                }
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

} // namespace

char32_t decodeUtf8(const unsigned char* p, std::size_t n, std::size_t& i) {
    const unsigned char b = p[i];
    if (b < 0x80) {
        ++i;
        return b;
    }
    const std::size_t len = (b & 0xE0) == 0xC0   ? 2
                            : (b & 0xF0) == 0xE0 ? 3
                            : (b & 0xF8) == 0xF0 ? 4
                                                 : 0;
    if (len == 0 || i + len > n) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = b & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += len;
    return c;
}

std::u16string utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = decodeUtf8(p, s.size(), i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
    return utf16ToUtf8Impl(s.size(), [&](std::size_t i) { return char32_t(s[i]); });
}

std::string utf16leToUtf8(const std::uint8_t* p, std::size_t nbytes) {
    return utf16ToUtf8Impl(nbytes / 2, [&](std::size_t i) {
        return char32_t(p[2 * i] | (std::uint16_t(p[2 * i + 1]) << 8));
    });
}

// ---------------------------------------------------------------------------

bool PacketChannel::readFully(std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        ssize_t r = ::recv(fd_, p, n, 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= std::size_t(r);
    }
    return true;
}

bool PacketChannel::readPacket(Message& pkt) {
    std::uint8_t hdr[8];
    if (!readFully(hdr, 8))
        return false;
    std::size_t len = (std::size_t(hdr[2]) << 8) | hdr[3];
    if (len < 8)
        return false;
    pkt.type = hdr[0];
    pkt.status = hdr[1];
    pkt.data.resize(len - 8);
    return readFully(pkt.data.data(), len - 8);
}

bool PacketChannel::readMessage(Message& msg) {
    msg.data.clear();
    bool first = true;
    for (;;) {
        Message pkt;
        if (!pending_.empty()) {
            pkt = std::move(pending_.front());
            pending_.pop_front();
        } else if (!readPacket(pkt)) {
            return false;
        }
        if (first) {
            msg.type = pkt.type;
            first = false;
        }
        msg.status = pkt.status;
        if (msg.data.size() + pkt.data.size() > kMaxMessage)
            return false;
        msg.data.insert(msg.data.end(), pkt.data.begin(), pkt.data.end());
        if (pkt.status & kStatusEom)
            return true;
    }
}

PacketChannel::PollResult PacketChannel::pollAttention(int timeoutMs) {
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        int r = ::poll(&pfd, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return PollResult::Nothing;
        if (pfd.revents & (POLLERR | POLLNVAL))
            return PollResult::Closed;
        Message pkt;
        if (!readPacket(pkt))
            return PollResult::Closed;
        if (pkt.type == kPacketAttention)
            return PollResult::Attention;
        pending_.push_back(std::move(pkt));
        timeoutMs = 0;
    }
}

void PacketChannel::sendAll(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        ssize_t r = ::send(fd_, p, n, MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            throw ConnectionLost();
        p += r;
        n -= std::size_t(r);
    }
}

// ---------------------------------------------------------------------------

ReplyWriter::ReplyWriter(PacketChannel& ch, std::uint16_t spid, std::size_t packetSize)
    : ch_(ch), spid_(spid), packetSize_(0) {
    setPacketSize(packetSize);
}

void ReplyWriter::setPacketSize(std::size_t size) {
    if (size < 512)
        size = 512;
    if (size > 32767)
        size = 32767;
    packetSize_ = size;
    if (buf_.size() < size)
        buf_.resize(size);
    cap_ = size; // callers change the size between messages only
}

void ReplyWriter::bytes(const void* p, std::size_t n) {
    const auto* s = static_cast<const std::uint8_t*>(p);
    while (n > 0) {
        if (pos_ >= cap_)
            spill();
        std::size_t k = std::min(n, cap_ - pos_);
        std::memcpy(buf_.data() + pos_, s, k);
        pos_ += k;
        s += k;
        n -= k;
    }
}

void ReplyWriter::utf16(std::u16string_view s) {
    for (char16_t c : s)
        u16(std::uint16_t(c));
}

void ReplyWriter::bVarchar(std::u16string_view s) {
    if (s.size() > 255)
        s = s.substr(0, 255);
    u8(std::uint8_t(s.size()));
    utf16(s);
}

void ReplyWriter::usVarchar(std::u16string_view s) {
    if (s.size() > 65535)
        s = s.substr(0, 65535);
    u16(std::uint16_t(s.size()));
    utf16(s);
}

void ReplyWriter::envChange(std::uint8_t type, std::u16string_view newValue,
                            std::u16string_view oldValue) {
    if (newValue.size() > 255)
        newValue = newValue.substr(0, 255);
    if (oldValue.size() > 255)
        oldValue = oldValue.substr(0, 255);
    u8(kTokenEnvChange);
    u16(std::uint16_t(1 + 1 + 2 * newValue.size() + 1 + 2 * oldValue.size()));
    u8(type);
    bVarchar(newValue);
    bVarchar(oldValue);
}

void ReplyWriter::envChangeBytes(std::uint8_t type, const std::vector<std::uint8_t>& newValue,
                                 const std::vector<std::uint8_t>& oldValue) {
    u8(kTokenEnvChange);
    u16(std::uint16_t(1 + 1 + newValue.size() + 1 + oldValue.size()));
    u8(type);
    u8(std::uint8_t(newValue.size()));
    bytes(newValue.data(), newValue.size());
    u8(std::uint8_t(oldValue.size()));
    bytes(oldValue.data(), oldValue.size());
}

void ReplyWriter::message(bool error, std::int32_t number, std::uint8_t state,
                          std::uint8_t severity, std::string_view textUtf8, std::string_view server,
                          std::int32_t line) {
    std::u16string text = utf8ToUtf16(textUtf8);
    if (text.size() > 65535)
        text.resize(65535);
    std::u16string srv = utf8ToUtf16(server);
    if (srv.size() > 255)
        srv.resize(255);
    std::size_t len = 4 + 1 + 1 + 2 + 2 * text.size() + 1 + 2 * srv.size() + 1 + 4;
    if (len > 65535) { // keep the token length in range
        text.resize((65535 - (len - 2 * text.size())) / 2);
        len = 4 + 1 + 1 + 2 + 2 * text.size() + 1 + 2 * srv.size() + 1 + 4;
    }
    u8(error ? kTokenError : kTokenInfo);
    u16(std::uint16_t(len));
    u32(std::uint32_t(number));
    u8(state);
    u8(severity);
    usVarchar(text);
    bVarchar(srv);
    u8(0); // procedure name
    u32(std::uint32_t(line));
}

void ReplyWriter::done(std::uint16_t status, std::uint16_t curCmd, std::uint64_t count) {
    u8(kTokenDone);
    u16(status);
    u16(curCmd);
    u64(count);
}

void ReplyWriter::sendPacket(bool eom) {
    buf_[0] = kPacketReply;
    buf_[1] = eom ? kStatusEom : 0;
    buf_[2] = std::uint8_t(pos_ >> 8);
    buf_[3] = std::uint8_t(pos_);
    buf_[4] = std::uint8_t(spid_ >> 8);
    buf_[5] = std::uint8_t(spid_);
    buf_[6] = packetId_++;
    buf_[7] = 0;
    ch_.sendAll(buf_.data(), pos_);
    pos_ = 8;
}

void ReplyWriter::spill() {
    sendPacket(false);
    if (hook_)
        hook_(hookCtx_);
}

void ReplyWriter::flushPartial() {
    if (pos_ > 8)
        spill();
}

void ReplyWriter::endMessage() {
    sendPacket(true);
    packetId_ = 1;
}

} // namespace tdsserver
