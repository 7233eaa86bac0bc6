#pragma once
// Password-protected circuit files: the common binary header with the tag "CRP", a
// 256-byte password block, and the circuit file's bytes reversed and put through a
// byte permutation that depends on each byte's position and the file length.

#include <cstdint>
#include <string>

namespace ob7 {

constexpr int kProtectedHeaderBytes = 24;
constexpr int kPasswordBlockBytes = 256;
constexpr int kMaxPasswordLength = 19;

// The byte permutation and its inverse, built on first use.
const uint8_t* ProtectTable();
const uint8_t* ProtectTableInverse();

// The protected file of a circuit file's bytes.
std::string ProtectCircuitBytes(const std::string& plain, const std::string& password);

// Rewrites the circuit file at `path` as a protected file (written through a temporary
// name). 0 or a message code, the path pending.
int SaveProtectedCopy(const std::string& path, const std::string& password);

// Deciphers a whole protected file into `plain`. `wrongPassword` is set when a password
// was given and differs from the stored one (compared without regard to case). A file
// too short for its header and block, or with another header, is refused with 15009.
int ReadProtectedBytes(const std::string& file, const char* password, std::string& plain, bool& wrongPassword);

}  // namespace ob7
