#include "app/SPGetSid.h"

#include <unistd.h>

#include <cstdio>

namespace {
constexpr std::size_t kMaxSubAuthorities = 15;
constexpr std::size_t kFixedTextLength = 28;
constexpr std::size_t kTextPerSubAuthority = 12;

std::string AuthorityText(const std::array<std::uint8_t, 6>& authority)
{
    if (authority[0] != 0 || authority[1] != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%02x%02x%02x%02x%02x%02x", authority[0], authority[1], authority[2],
                      authority[3], authority[4], authority[5]);
        return hex;
    }
    const std::uint32_t value = (std::uint32_t{authority[2]} << 24) | (std::uint32_t{authority[3]} << 16) |
                                (std::uint32_t{authority[4]} << 8) | std::uint32_t{authority[5]};
    return std::to_string(value);
}
}  // namespace

bool IsValidSid(const TSid& sid) { return sid.Revision == 1 && sid.SubAuthorities.size() <= kMaxSubAuthorities; }

std::string SidToText(const TSid& sid, std::size_t bufferSize)
{
    if (!IsValidSid(sid))
        return {};
    if (bufferSize < kFixedTextLength + kTextPerSubAuthority * sid.SubAuthorities.size())
        return {};
    std::string text = "S-1-" + AuthorityText(sid.IdentifierAuthority);
    for (std::uint32_t subAuthority : sid.SubAuthorities)
        text += "-" + std::to_string(subAuthority);
    return text;
}

// Linux users have no security identifiers. The effective user id (the identity the process acts
// with) is given in the identifier space that file servers sharing with Windows machines use for
// Unix users: authority 22, sub-authority 1, then the uid (S-1-22-1-1000).
TSid CurrentUserSid()
{
    TSid sid;
    sid.IdentifierAuthority[5] = 22;
    sid.SubAuthorities = {1, static_cast<std::uint32_t>(geteuid())};
    return sid;
}

std::string GetCurrentUserSid() { return SidToText(CurrentUserSid()); }
