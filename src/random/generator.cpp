#include "random/generator.hpp"

#include <string>

#include "io/errors.hpp"

namespace coswitch {
namespace {
// The generator's checks catch faults of the program itself; a run that
// trips one must never read as a success.
[[noreturn]] void stop(const std::string& diagnostics, const char* text) {
    throw InternalStop(diagnostics, text, kExitInternal);
}
}  // namespace

void inrgcm(GeneratorState& g) {
    Globe& G = g.GLOBE;
    G.MODULUS1 = 2147483563;
    G.MODULUS2 = 2147483399;
    G.MULT1 = 40014;
    G.MULT2 = 40692;
    G.BLOCKMULT1 = 1033780774;
    G.BLOCKMULT2 = 1494757890;
    G.GENMULT1 = 2082007225;
    G.GENMULT2 = 784306273;
    for (int i = 1; i <= 32; ++i) G.ANTITHETIC[i] = 0;
    qrgnsn(g, true);
}

bool qrgnin(const GeneratorState& g) { return g.QINIT; }
void qrgnsn(GeneratorState& g, bool value) { g.QINIT = value; }
void rgnqsd(const GeneratorState& g, bool& qssd) { qssd = g.QQSSD; }
void getcgn(const GeneratorState& g, std::int32_t& gen) { gen = g.CURNTG; }

void setcgn(GeneratorState& g, std::int32_t gen) {
    if (gen < 0 + 1 || gen > 32) {
        stop(" Generator number out of range in SETCGN: Legal range is 1 to 32 -- ABORT!\n",
             " Generator number out of range in SETCGN");
    }
    g.CURNTG = gen;
}

void initgn(GeneratorState& g, std::int32_t isdtyp) {
    if (!qrgnin(g)) {
        stop(" INITGN called before random number generator  initialized -- abort!\n",
             " INITGN called before random number generator initialized");
    }
    Globe& G = g.GLOBE;
    std::int32_t n = 0;
    getcgn(g, n);
    if (isdtyp == -1) {
        G.BLOCKSEED1[n] = G.INITSEED1[n];
        G.BLOCKSEED2[n] = G.INITSEED2[n];
    } else if (isdtyp == 0) {
    } else if (isdtyp == 1) {
        G.BLOCKSEED1[n] = mltmod(G.BLOCKMULT1, G.BLOCKSEED1[n], G.MODULUS1);
        G.BLOCKSEED2[n] = mltmod(G.BLOCKMULT2, G.BLOCKSEED2[n], G.MODULUS2);
    } else {
        stop("", "ISDTYP NOT IN RANGE");
    }
    G.CURSEED1[n] = G.BLOCKSEED1[n];
    G.CURSEED2[n] = G.BLOCKSEED2[n];
}

void setall(GeneratorState& g, std::int32_t iseed1, std::int32_t iseed2) {
    g.QQSSD = true;
    std::int32_t ocgn = 0;
    getcgn(g, ocgn);
    if (!qrgnin(g)) inrgcm(g);
    Globe& G = g.GLOBE;
    G.INITSEED1[1] = iseed1;
    G.INITSEED2[1] = iseed2;
    G.BLOCKSEED1[1] = G.CURSEED1[1] = iseed1;
    G.BLOCKSEED2[1] = G.CURSEED2[1] = iseed2;
    for (int n = 2; n <= 32; ++n) {
        G.INITSEED1[n] = mltmod(G.GENMULT1, G.INITSEED1[n - 1], G.MODULUS1);
        G.INITSEED2[n] = mltmod(G.GENMULT2, G.INITSEED2[n - 1], G.MODULUS2);
        setcgn(g, n);
        initgn(g, -1);
    }
    setcgn(g, ocgn);
}

std::int32_t ignlgi(GeneratorState& g) {
    if (!qrgnin(g)) inrgcm(g);
    bool qqssd = false;
    rgnqsd(g, qqssd);
    if (!qqssd) setall(g, 1234567890, 123456789);
    std::int32_t n = 0;
    getcgn(g, n);
    Globe& G = g.GLOBE;
    std::int32_t s1 = G.CURSEED1[n];
    std::int32_t s2 = G.CURSEED2[n];
    std::int32_t k = s1 / 53668;
    s1 = G.MULT1 * (s1 - k * 53668) - k * 12211;
    if (s1 < 0) s1 = s1 + G.MODULUS1;
    k = s2 / 52774;
    s2 = G.MULT2 * (s2 - k * 52774) - k * 3791;
    if (s2 < 0) s2 = s2 + G.MODULUS2;
    G.CURSEED1[n] = s1;
    G.CURSEED2[n] = s2;
    std::int32_t z = s1 - s2;
    if (z < 1) z = z + (G.MODULUS1 - 1);
    if (G.ANTITHETIC[n] != 0) z = G.MODULUS1 - z;
    return z;
}

std::int32_t mltmod(std::int32_t a, std::int32_t s, std::int32_t m) {
    constexpr std::int32_t h = 32768;
    if (!(a > 0 && a < m && s > 0 && s < m)) {
        stop(" A, M, S out of order in MLTMOD - ABORT!\n A = " + std::to_string(a) +
                 " S = " + std::to_string(s) + " M = " + std::to_string(m) +
                 "\n MLTMOD requires: 0 < A < M; 0 < S < M\n",
             " A, M, S out of order in MLTMOD - ABORT!");
    }
    std::int32_t a0 = 0;
    std::int32_t a1 = 0;
    std::int32_t k = 0;
    std::int32_t p = 0;
    std::int32_t q = 0;
    std::int32_t qh = 0;
    std::int32_t rh = 0;
    if (a < h) {
        a0 = a;
        p = 0;
    } else {
        a1 = a / h;
        a0 = a - h * a1;
        qh = m / h;
        rh = m - h * qh;
        if (a1 >= h) {
            a1 = a1 - h;
            k = s / qh;
            p = h * (s - k * qh) - k * rh;
            while (p < 0) p = p + m;
        } else {
            p = 0;
        }
        if (a1 != 0) {
            q = m / a1;
            k = s / q;
            p = p - k * (m - a1 * q);
            if (p > 0) p = p - m;
            p = p + a1 * (s - k * q);
            while (p < 0) p = p + m;
        }
        k = p / qh;
        p = h * (p - k * qh) - k * rh;
        while (p < 0) p = p + m;
    }
    if (a0 != 0) {
        q = m / a0;
        k = s / q;
        p = p - k * (m - a0 * q);
        if (p > 0) p = p - m;
        p = p + a0 * (s - k * q);
        while (p < 0) p = p + m;
    }
    return p;
}

}  // namespace coswitch
