#pragma once
// The normal deviates' tables and their method, shared by the ways of
// drawing them (one at a time, in batches, or skipped over): every way reads
// the same uniforms in the same order.
#include <bit>
#include <cstdint>

namespace coswitch::snorm_detail {

// Index 0 is a placeholder so the tables read 1-based like their definition.
inline constexpr float A[33] = {
    0.0f,       0.0f,       0.03917609f, 0.07841241f, 0.1177699f, 0.1573107f, 0.1970991f,
    0.2372021f, 0.2776904f, 0.3186394f,  0.3601299f,  0.4022501f, 0.4450965f, 0.4887764f,
    0.5334097f, 0.5791322f, 0.626099f,   0.6744898f,  0.7245144f, 0.7764218f, 0.8305109f,
    0.8871466f, 0.9467818f, 1.00999f,    1.077516f,   1.150349f,  1.229859f,  1.318011f,
    1.417797f,  1.534121f,  1.67594f,    1.862732f,   2.153875f};
inline constexpr float D[32] = {
    0.0f,       0.0f,       0.0f,       0.0f,       0.0f,       0.0f,       0.2636843f,
    0.2425085f, 0.2255674f, 0.2116342f, 0.1999243f, 0.1899108f, 0.1812252f, 0.1736014f,
    0.1668419f, 0.1607967f, 0.1553497f, 0.1504094f, 0.1459026f, 0.14177f,   0.1379632f,
    0.1344418f, 0.1311722f, 0.128126f,  0.1252791f, 0.1226109f, 0.1201036f, 0.1177417f,
    0.1155119f, 0.1134023f, 0.1114027f, 0.1095039f};
inline constexpr float T[32] = {
    0.0f,         0.0007673828f, 0.00230687f, 0.003860618f, 0.005438454f, 0.007050699f,
    0.008708396f, 0.01042357f,   0.01220953f, 0.01408125f,  0.01605579f,  0.0181529f,
    0.02039573f,  0.02281177f,   0.02543407f, 0.02830296f,  0.03146822f,  0.03499233f,
    0.03895483f,  0.04345878f,   0.04864035f, 0.05468334f,  0.06184222f,  0.07047983f,
    0.08113195f,  0.09462444f,   0.1123001f,  0.136498f,    0.1716886f,   0.2276241f,
    0.330498f,    0.5847031f};
inline constexpr float H[32] = {
    0.0f,        0.03920617f, 0.03932705f, 0.03950999f, 0.03975703f, 0.04007093f,
    0.04045533f, 0.04091481f, 0.04145507f, 0.04208311f, 0.04280748f, 0.04363863f,
    0.04458932f, 0.04567523f, 0.04691571f, 0.04833487f, 0.04996298f, 0.05183859f,
    0.05401138f, 0.05654656f, 0.0595313f,  0.06308489f, 0.06737503f, 0.07264544f,
    0.07926471f, 0.08781922f, 0.09930398f, 0.1155599f,  0.1404344f,  0.1836142f,
    0.2790016f,  0.7010474f};
inline constexpr float kScale = 4.656612873E-10f;  // 2^-31

// One deviate from the uniforms of g (anything with float next()).
template <class Source>
inline __attribute__((always_inline)) float snorm_from(Source& g) {
    float u = g.next();
    const bool negative = u > 0.5f;
    // 1.0f or 0.0f without a branch: half the signs would be mispredicted.
    const float s = std::bit_cast<float>(static_cast<std::uint32_t>(negative) * 0x3f800000U);
    u = u + u - s;
    u = 32.0f * u;
    int i = static_cast<int>(u);
    if (i == 32) i = 31;
    float aa;
    float w;
    if (i != 0) [[likely]] {
        float ustar = u - static_cast<float>(i);
        aa = A[i];
        for (;;) {
            if (ustar > T[i]) [[likely]] {
                w = (ustar - T[i]) * H[i];
                break;
            }
            u = g.next();
            w = u * (A[i + 1] - aa);
            float tt = (0.5f * w + aa) * w;
            bool accepted = false;
            for (;;) {
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = g.next();
                if (ustar < u) {
                    ustar = g.next();
                    break;
                }
                tt = u;
                ustar = g.next();
            }
            if (accepted) break;
        }
    } else {
        i = 6;
        aa = 2.153875f;
        u = u + u;
        while (u < 1.0f) {
            aa = aa + D[i];
            i = i + 1;
            u = u + u;
        }
        u = u - 1.0f;
        for (;;) {
            w = u * D[i];
            float tt = (0.5f * w + aa) * w;
            bool accepted = false;
            for (;;) {
                const float ustar = g.next();
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = g.next();
                if (ustar >= u) {
                    tt = u;
                    continue;
                }
                u = g.next();
                break;
            }
            if (accepted) break;
        }
    }
    // Negation only flips the sign bit: the same value as the branch.
    const std::uint32_t bits =
        std::bit_cast<std::uint32_t>(aa + w) ^ (static_cast<std::uint32_t>(negative) << 31);
    return std::bit_cast<float>(bits);
}

}  // namespace coswitch::snorm_detail
