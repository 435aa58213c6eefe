#!/usr/bin/env bash
# Writes the seed corpus: valid replies in the fuzz input format (flags byte, then chunks of
# "header, bytes"; header bit 7 = a new request, low six bits = length).
set -euo pipefail
cd "$(dirname "$0")/seeds"
seed() { printf "$(sed 's/ //g; s/../\\x&/g' <<<"$2")" >"$1.bin"; }
# ident, model 0, version 2.0.0.1, serial 123456
seed ident      "00 8F 01040A00000200000100 01E24075F4"
# status 0x00, two inputs
seed status     "00 86 010101005188"
# exception 02 to a read of input registers
seed exception  "00 85 018402C2C1"
# measure reply of two registers (a valid frame of 9 bytes)
seed two-regs   "00 89 010404001701C2CB81"
# ident split 10 + 5, with both input faults
seed split      "06 8A 01040A00000200000100 05 01E24075F4"
# two exchanges back to back
seed two        "01 86 010101005188 85 018402C2C1"
# measure: 23.45 on a resistance thermometer, 500.1 on a thermocouple at 23.5, input 1 fault
seed measure    "02 9D 010418001701C201F4006400000001000000EB000000000000000066ED"
# a 29-byte frame whose CRC the fuzz target fills in (header bit 6): any measurement content
seed measure-any "00 DD 010418FFFB FF06 7FFF 03E7 0101 0004 FFF4 8000 00000000000000000000"
# a 15-byte frame with its CRC filled in: model 9, version 255.0.0.7, serial FFFFFFFF
seed ident-any  "01 CF 01040A0009FF000007FFFFFFFF0000"
