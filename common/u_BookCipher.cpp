#include "u_BookCipher.h"

#include "u_BookLayout.h"
#include "u_Exception.h"
#include "u_MFS.h"
#include "u_TextUtils.h"

#include <cstdint>
#include <random>

namespace {

void PutUInt32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetUInt32(const std::string& data, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
    return value;
}

void PadToWords(std::string& buffer, const char (&pad)[3]) {
    for (int i = 0; buffer.size() % 4 != 0; ++i)
        buffer.push_back(pad[i]);
}

uint32_t RotateLeft(uint32_t value, unsigned count) {
    count &= 31;
    return count == 0 ? value : (value << count) | (value >> (32 - count));
}

uint32_t RotateRight(uint32_t value, unsigned count) {
    count &= 31;
    return count == 0 ? value : (value >> count) | (value << (32 - count));
}

std::string PaddedKey(const std::string& key) {
    std::string padded = key;
    PadToWords(padded, {50, 55, 60});
    return padded;
}

// Applies the word transformation in place; Encipher chooses the direction.
void TransformWords(std::string& buffer, const std::string& paddedKey, bool encipher) {
    const size_t keyWords = paddedKey.size() / 4;
    for (size_t i = 0; i < buffer.size() / 4; ++i) {
        const size_t j = i % keyWords;
        const uint32_t k = GetUInt32(paddedKey, 4 * j);
        const unsigned count = 31 - (static_cast<unsigned char>(paddedKey[4 * j]) % 32);
        uint32_t w = GetUInt32(buffer, 4 * i);
        w = encipher ? RotateLeft(w, count) ^ k : RotateRight(w ^ k, count);
        for (int b = 0; b < 4; ++b)
            buffer[4 * i + b] = static_cast<char>((w >> (8 * b)) & 0xFF);
    }
}

} // namespace

std::string HexText(const std::string& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(data.size() * 2);
    for (unsigned char c : data) {
        text.push_back(digits[c >> 4]);
        text.push_back(digits[c & 15]);
    }
    return text;
}

bool FromHexText(const std::string& text, std::string& data) {
    if (text.size() % 2 != 0)
        return false;
    data.clear();
    data.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = HexDigitValue(text[i]), lo = HexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        data.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

std::string EncryptData(const std::string& Data, const std::string& Key, bool Raw) {
    std::string buffer;
    buffer.reserve(Data.size() + 12);
    PutUInt32(buffer, static_cast<uint32_t>(Data.size()));
    PutUInt32(buffer, MFSChecksum(Data));
    buffer += Data;
    PadToWords(buffer, {100, 110, 120});
    if (Key.empty())
        throw Exception("The book key is empty");
    TransformWords(buffer, PaddedKey(Key), true);
    return Raw ? buffer : HexText(buffer);
}

bool DecryptData(const std::string& Cipher, const std::string& Key, bool Raw, std::string& Data) {
    std::string buffer;
    if (Raw)
        buffer = Cipher;
    else if (!FromHexText(Cipher, buffer))
        return false;
    if (Key.empty() || buffer.size() < 8 || buffer.size() % 4 != 0)
        return false;
    TransformWords(buffer, PaddedKey(Key), false);
    const uint32_t length = GetUInt32(buffer, 0);
    if (length > buffer.size() - 8 || (length + 8 + 3) / 4 * 4 != buffer.size())
        return false;
    std::string data = buffer.substr(8, length);
    if (MFSChecksum(data) != GetUInt32(buffer, 4))
        return false;
    Data = std::move(data);
    return true;
}

std::string NewGuidText() {
    std::random_device device;
    std::mt19937_64 engine((static_cast<uint64_t>(device()) << 32) ^ device());
    unsigned char bytes[16];
    for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(engine() & 0xFF);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4 (random)
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // variant 1
    std::string hex = HexText(std::string(reinterpret_cast<const char*>(bytes), 16));
    return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20, 12) + "}";
}

std::string UserKeyRecord(const std::string& User, const std::string& Password, const std::string& BookKey) {
    const std::string userKey = EncryptData(User + std::string(1, '\0') + Password, BookFixedKey, false);
    return EncryptData(BookKey, userKey, false);
}

bool BookKeyFromUserRecord(const std::string& Record, const std::string& User, const std::string& Password,
                           std::string& BookKey) {
    const std::string userKey = EncryptData(User + std::string(1, '\0') + Password, BookFixedKey, false);
    return DecryptData(Record, userKey, false, BookKey);
}
