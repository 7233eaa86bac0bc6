#pragma once
// Little-endian fields inside byte blocks (shape object bodies, library file images).
// The reader never reads past its data: a read beyond the end sets the failed flag and
// yields zeros, so a damaged file ends as a format error instead of a crash.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ob7 {

inline int16_t GetI16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
inline int32_t GetI32(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}
inline void PutI16(uint8_t* p, int v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutI32(uint8_t* p, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(uint32_t(v) >> (8 * i));
}

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    bool Failed() const { return failed_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return failed_ ? 0 : size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }

    bool Bytes(void* out, size_t n)
    {
        if (failed_ || n > size_ - pos_) {
            failed_ = true;
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    const uint8_t* Take(size_t n)
    {
        if (failed_ || n > size_ - pos_) {
            failed_ = true;
            return nullptr;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    int16_t I16() { uint8_t b[2]; Bytes(b, 2); return GetI16(b); }
    uint16_t U16() { return static_cast<uint16_t>(I16()); }
    int32_t I32() { uint8_t b[4]; Bytes(b, 4); return GetI32(b); }
    double F64()
    {
        uint8_t b[8];
        Bytes(b, 8);
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i)
            bits = (bits << 8) | b[i];
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    // int16 length and the bytes; a negative length fails.
    std::string LenString()
    {
        int n = I16();
        if (n < 0) {
            failed_ = true;
            return {};
        }
        const uint8_t* p = Take(static_cast<size_t>(n));
        return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
    }
    // A fixed char[n] field, cut at its first NUL.
    std::string FixedString(size_t n)
    {
        const uint8_t* p = Take(n);
        if (!p)
            return {};
        size_t len = 0;
        while (len < n && p[len])
            ++len;
        return std::string(reinterpret_cast<const char*>(p), len);
    }
    void Fail() { failed_ = true; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failed_ = false;
};

class ByteWriter {
public:
    std::vector<uint8_t> bytes;

    void Bytes(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
    }
    void I16(int v) { uint8_t b[2]; PutI16(b, v); Bytes(b, 2); }
    void I32(int32_t v) { uint8_t b[4]; PutI32(b, v); Bytes(b, 4); }
    void F64(double d)
    {
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(uint8_t(bits >> (8 * i)));
    }
    void LenString(const std::string& s)
    {
        size_t n = s.size() > 32767 ? 32767 : s.size();
        I16(static_cast<int>(n));
        Bytes(s.data(), n);
    }
    void FixedString(const std::string& s, size_t n)
    {
        std::vector<uint8_t> field(n, 0);
        std::memcpy(field.data(), s.data(), s.size() < n ? s.size() : n);
        Bytes(field.data(), n);
    }
};

}  // namespace ob7
