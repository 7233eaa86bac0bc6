#include "circuit/protected_file.h"

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/textfile.h"
#include "libraries/library_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ob7 {

namespace {

struct Tables {
    uint8_t forward[256];
    uint8_t inverse[256];
    Tables()
    {
        int value = 0;
        for (int column = 0; column < 5; ++column)
            for (int position = column; position < 256; position += 5)
                forward[position] = static_cast<uint8_t>(value++);
        for (int i = 0; i < 256; ++i)
            inverse[forward[i]] = static_cast<uint8_t>(i);
    }
};

const Tables& TheTables()
{
    static const Tables tables;
    return tables;
}

// Any fixed printable text; the reader never looks at it.
constexpr char kFill[] = "The content of this circuit is protected by its author. ";

std::string Header()
{
    std::string h(kProtectedHeaderBytes, '\0');
    std::memcpy(h.data(), "CRP", 3);
    const uint32_t version = 0x10000;
    for (int i = 0; i < 4; ++i)
        h[4 + i] = static_cast<char>((version >> (8 * i)) & 0xFF);
    std::memcpy(h.data() + 8, "Ombrelic", 8);
    return h;
}

}  // namespace

const uint8_t* ProtectTable()
{
    return TheTables().forward;
}

const uint8_t* ProtectTableInverse()
{
    return TheTables().inverse;
}

std::string ProtectCircuitBytes(const std::string& plain, const std::string& password)
{
    const std::string pw = password.substr(0, kMaxPasswordLength);
    std::string block(kPasswordBlockBytes, '\0');
    for (int i = 0; i < 254; ++i)
        block[i] = kFill[i % (sizeof kFill - 1)];
    block[0] = static_cast<char>(65 + pw.size());
    for (int i = 1; i < kPasswordBlockBytes; i += 2)
        block[i] = static_cast<char>('A' + std::rand() % 26);
    for (size_t k = 0; k < pw.size() && 1 + 10 * k <= 251; ++k)
        block[1 + 10 * k] = static_cast<char>(static_cast<unsigned char>(pw[k]) - 12);

    const uint8_t* table = ProtectTable();
    const size_t n = plain.size();
    std::string body(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        auto b = static_cast<unsigned char>(plain[n - 1 - i]);
        body[i] = static_cast<char>(table[(i + b + n) & 0xFF]);
    }
    return Header() + block + body;
}

int ReadProtectedBytes(const std::string& file, const char* password, std::string& plain, bool& wrongPassword)
{
    const size_t head = kProtectedHeaderBytes + kPasswordBlockBytes;
    if (file.size() < head || file.compare(0, kProtectedHeaderBytes, Header()) != 0)
        return kMsgBadFormat;
    const unsigned char* block = reinterpret_cast<const unsigned char*>(file.data()) + kProtectedHeaderBytes;
    // The length byte of a damaged block may claim more characters than the block holds.
    int length = std::clamp(static_cast<int>(block[0]) - 65, 0, 26);
    std::string stored;
    for (int k = 0; k < length; ++k)
        stored += static_cast<char>(block[1 + 10 * k] + 12);
    wrongPassword = password && !EqualNoCase(stored, password);

    const uint8_t* inverse = ProtectTableInverse();
    const size_t n = file.size() - head;
    std::string reversed(n, '\0');
    for (size_t k = 0; k < n; ++k) {
        auto e = static_cast<unsigned char>(file[head + k]);
        reversed[k] = static_cast<char>((inverse[e] - k - n) & 0xFF);
    }
    plain.assign(reversed.rbegin(), reversed.rend());
    return 0;
}

int SaveProtectedCopy(const std::string& path, const std::string& password)
{
    SetPendingMessageText(path.c_str());
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 16000 + errno;
    std::string plain;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        plain.append(chunk, got);
    bool readFailed = std::ferror(f);
    std::fclose(f);
    if (readFailed)
        return 15007;
    const std::string bytes = ProtectCircuitBytes(plain, password);
    const std::string target = SaveTargetPath(path);
    if (IsReadOnlyFile(target))
        return 16000 + EACCES;
    const std::string temp = target + "$$TEMP$$";
    FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out)
        return 16000 + errno;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return kMsgWriteError;
    }
    return 0;
}

}  // namespace ob7
