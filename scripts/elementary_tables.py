#!/usr/bin/env python3
# Writes src/numeric/elementary_tables.hpp: the constants of the portable
# exp and log, each the double nearest to its value (or a value with fewer
# bits and the rest), from 80-digit decimal arithmetic.
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
out.append("// 2^(i/128) as a double and the rest, for i = 0..127.")
out.append("inline constexpr double kExp2Hi[128] = {")
hi = []; lo = []
for i in range(128):
    v = (Decimal(i) / 128 * ln2).exp()
    h = rn(v); l = rn(v - Decimal(h))
    hi.append(hx(h)); lo.append(hx(l))
out += ["    " + ", ".join(hi[j:j+3]) + "," for j in range(0, 128, 3)]
out.append("};")
out.append("inline constexpr double kExp2Lo[128] = {")
out += ["    " + ", ".join(lo[j:j+3]) + "," for j in range(0, 128, 3)]
out.append("};")
n = ln2 / 128
nh = Decimal(float(n))
# 32 significant bits: ln2/128 is in [2^-8, 2^-7)
nh = to_multiple(n, 8 + 31)
out.append("inline constexpr double kInvLn2N = %s;" % hx(rn(128 / ln2)))
out.append("inline constexpr double kLn2HiN = %s;" % hx(float(nh)))
out.append("inline constexpr double kLn2LoN = %s;" % hx(rn(n - nh)))
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
print("#pragma once\n// Made by scripts/elementary_tables.py; do not edit.\nnamespace coswitch::elementary_detail {")
print("\n".join(out))
print("}  // namespace coswitch::elementary_detail")
