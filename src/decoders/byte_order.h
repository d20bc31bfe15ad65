#pragma once

#include <cstdint>

namespace plattera {

// Little-endian fields of the picture formats, read byte by byte whatever the host's order
// or alignment. The caller has checked that the bytes are there.
inline uint16_t leU16(const void* at)
{
    const auto* p = static_cast<const unsigned char*>(at);
    return uint16_t(p[0] | (p[1] << 8));
}

inline int16_t leI16(const void* at)
{
    return int16_t(leU16(at));
}

inline uint32_t leU32(const void* at)
{
    const auto* p = static_cast<const unsigned char*>(at);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline int32_t leI32(const void* at)
{
    return int32_t(leU32(at));
}

inline uint32_t beU32(const void* at)
{
    const auto* p = static_cast<const unsigned char*>(at);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

} // namespace plattera
