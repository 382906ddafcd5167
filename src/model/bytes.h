// Little-endian packed byte reading and writing for the program's binary files. The reader
// never reads past its buffer: a short read marks the source truncated and fails.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rz {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& v) : p_(v.data()), n_(v.size()) {}

    size_t pos() const { return pos_; }
    size_t remaining() const { return n_ - pos_; }
    bool truncated() const { return truncated_; }
    void markTruncated() { truncated_ = true; }

    // Copies n bytes; on a short source copies nothing, marks truncation and fails.
    bool bytes(void* out, size_t n) {
        if (n > remaining()) {
            truncated_ = true;
            pos_ = n_;
            return false;
        }
        if (n) std::memcpy(out, p_ + pos_, n);
        pos_ += n;
        return true;
    }
    bool skip(size_t n) {
        if (n > remaining()) {
            truncated_ = true;
            pos_ = n_;
            return false;
        }
        pos_ += n;
        return true;
    }
    bool u8(uint8_t& v) { return bytes(&v, 1); }
    bool u16(uint16_t& v) {
        uint8_t b[2];
        if (!bytes(b, 2)) return false;
        v = uint16_t(b[0] | (b[1] << 8));
        return true;
    }
    bool u32(uint32_t& v) {
        uint8_t b[4];
        if (!bytes(b, 4)) return false;
        v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        return true;
    }
    bool i32(int32_t& v) {
        uint32_t u;
        if (!u32(u)) return false;
        v = int32_t(u);
        return true;
    }
    bool f32(float& v) {
        uint32_t u;
        if (!u32(u)) return false;
        std::memcpy(&v, &u, 4);
        return true;
    }
    // A text: uint32 length and that many bytes. A length beyond the data is truncation.
    bool text(std::string& s) {
        uint32_t len;
        if (!u32(len)) return false;
        if (len > remaining()) {
            truncated_ = true;
            pos_ = n_;
            return false;
        }
        s.assign(reinterpret_cast<const char*>(p_ + pos_), len);
        pos_ += len;
        return true;
    }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    bool truncated_ = false;
};

// Field access inside a fixed record read as one block.
inline uint16_t GetU16(const uint8_t* b, size_t off) { return uint16_t(b[off] | (b[off + 1] << 8)); }
inline int16_t GetI16(const uint8_t* b, size_t off) { return int16_t(GetU16(b, off)); }
inline uint32_t GetU32(const uint8_t* b, size_t off) {
    return uint32_t(b[off]) | (uint32_t(b[off + 1]) << 8) | (uint32_t(b[off + 2]) << 16) |
           (uint32_t(b[off + 3]) << 24);
}
inline int32_t GetI32(const uint8_t* b, size_t off) { return int32_t(GetU32(b, off)); }
inline float GetF32(const uint8_t* b, size_t off) {
    uint32_t u = GetU32(b, off);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

class ByteWriter {
public:
    std::vector<uint8_t> buf;

    void bytes(const void* p, size_t n) {
        if (n == 0) return;
        size_t at = grow(n);
        std::memcpy(buf.data() + at, p, n);
    }
    void u8(uint8_t v) { buf.push_back(v); }
    void u16(uint16_t v) {
        uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        bytes(b, 2);
    }
    void i16(int16_t v) { u16(uint16_t(v)); }
    void u32(uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        bytes(b, 4);
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void f32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        u32(u);
    }
    void text(const std::string& s) {
        u32(uint32_t(s.size()));
        bytes(s.data(), s.size());
    }
    size_t size() const { return buf.size(); }

private:
    // Grows geometrically without the per-byte cost of push_back.
    size_t grow(size_t n) {
        size_t at = buf.size();
        if (buf.capacity() < at + n) buf.reserve(std::max(buf.capacity() * 2, at + n + 4096));
        buf.resize(at + n);
        return at;
    }
};

}  // namespace rz
