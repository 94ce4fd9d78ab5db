#pragma once
// The current user's security identifier as text ("S-1-5-21-...").
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A security identifier as its parts: revision, six authority bytes, sub-authorities.
struct TSid {
    std::uint8_t Revision = 1;
    std::array<std::uint8_t, 6> IdentifierAuthority{};
    std::vector<std::uint32_t> SubAuthorities;
};

// A valid identifier has revision 1 and at most 15 sub-authorities.
bool IsValidSid(const TSid& sid);

// The textual form into a buffer of bufferSize characters; "" when the identifier is invalid or the
// buffer is too small for it (it must hold 28 + 12 characters per sub-authority).
std::string SidToText(const TSid& sid, std::size_t bufferSize = 261);

// The identifier of the user the process acts as.
TSid CurrentUserSid();

// SidToText(CurrentUserSid()); "" on any failure.
std::string GetCurrentUserSid();
