#pragma once
// Combined multiplicative congruential generator with 32 virtual generators
// (two prime-modulus components combined by subtraction, split into blocks).
#include <array>
#include <cstdint>

namespace coswitch {

struct Globe {
    std::int32_t MODULUS1 = 0, MODULUS2 = 0, MULT1 = 0, MULT2 = 0;
    std::int32_t BLOCKMULT1 = 0, BLOCKMULT2 = 0, GENMULT1 = 0, GENMULT2 = 0;
    std::array<std::int32_t, 33> INITSEED1{}, INITSEED2{}, BLOCKSEED1{}, BLOCKSEED2{};
    std::array<std::int32_t, 33> CURSEED1{}, CURSEED2{};  // index 0 unused
    std::array<std::int32_t, 33> ANTITHETIC{};
};

// The generator block and its three companions. Copyable, so a stream's
// state can be saved and restored.
struct GeneratorState {
    Globe GLOBE;
    std::int32_t CURNTG = 1;
    bool QINIT = false;
    bool QQSSD = false;
};

void inrgcm(GeneratorState& g);
bool qrgnin(const GeneratorState& g);
void qrgnsn(GeneratorState& g, bool value);
void rgnqsd(const GeneratorState& g, bool& qssd);
void setall(GeneratorState& g, std::int32_t iseed1, std::int32_t iseed2);
void initgn(GeneratorState& g, std::int32_t isdtyp);
void setcgn(GeneratorState& g, std::int32_t gen);
void getcgn(const GeneratorState& g, std::int32_t& gen);
std::int32_t ignlgi(GeneratorState& g);
std::int32_t mltmod(std::int32_t a, std::int32_t s, std::int32_t m);

}  // namespace coswitch
