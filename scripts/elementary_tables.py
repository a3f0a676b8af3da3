#!/usr/bin/env python3
# Writes src/numeric/elementary_tables.hpp: exp's table of 2^(i/128) (the
# nearest double and its relative rest) and log's constants (values with few
# bits and their rests), from 80-digit decimal arithmetic.
#   python3 scripts/elementary_tables.py > src/numeric/elementary_tables.hpp
from decimal import Decimal, getcontext
getcontext().prec = 80
ln2 = Decimal(2).ln()
def rn(d): return float(d)
def to_multiple(d, k):
    # d rounded to a multiple of 2^-k, nearest
    q = (d * (Decimal(2) ** k)).to_integral_value()
    return q / (Decimal(2) ** k)
def hx(f): return f.hex()
out = []
import struct
def bits(f): return struct.unpack("<Q", struct.pack("<d", f))[0]
out.append("// exp's table: for i = 0..127, the bits of tail_i = 2^(i/128) / s_i - 1")
out.append("// and of s_i less i << 45, where s_i is the double nearest to 2^(i/128).")
out.append("inline constexpr std::uint64_t kExpTable[256] = {")
for i in range(128):
    v = (Decimal(i) / 128 * ln2).exp()
    sc = float(v)
    tail = float((v - Decimal(sc)) / Decimal(sc))
    out.append("    0x%016xULL, 0x%016xULL," % (bits(tail), (bits(sc) - (i << 45)) & 0xffffffffffffffff))
out.append("};")
# log tables: c = j/128, j = 90..182
L2h = to_multiple(ln2, 42)
out.append("inline constexpr double kLn2Hi = %s;" % hx(float(L2h)))
out.append("inline constexpr double kLn2Lo = %s;" % hx(rn(ln2 - L2h)))
lh = []; ll = []
for j in range(90, 183):
    v = (Decimal(j) / 128).ln()
    h = to_multiple(v, 42)
    lh.append(hx(float(h))); ll.append(hx(rn(v - h)))
out.append("// log(j/128) for j = 90..182: a multiple of 2^-42 and the rest.")
out.append("inline constexpr double kLogHi[93] = {")
out += ["    " + ", ".join(lh[j:j+3]) + "," for j in range(0, 93, 3)]
out.append("};")
out.append("inline constexpr double kLogLo[93] = {")
out += ["    " + ", ".join(ll[j:j+3]) + "," for j in range(0, 93, 3)]
out.append("};")
il = 1 / ln2
ih = Decimal(float(il))
out.append("inline constexpr double kInvLn2Hi = %s;" % hx(float(ih)))
out.append("inline constexpr double kInvLn2Lo = %s;" % hx(rn(il - ih)))
i10 = 1 / Decimal(10).ln()
i10h = Decimal(float(i10))
out.append("inline constexpr double kInvLn10Hi = %s;" % hx(float(i10h)))
out.append("inline constexpr double kInvLn10Lo = %s;" % hx(rn(i10 - i10h)))
print("#pragma once\n// Made by scripts/elementary_tables.py; do not edit.\n#include <cstdint>\n\nnamespace coswitch::elementary_detail {")
print("\n".join(out))
print("}  // namespace coswitch::elementary_detail")
