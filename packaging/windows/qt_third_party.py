#!/usr/bin/python3
"""Writes the notices of the third-party code that Qt 5.15's shipped DLLs hold, as the Windows
tree was configured (its mkspecs: system-png, system-freetype, system-harfbuzz, system-pcre2,
system-doubleconversion and system-zlib off, so each is built in), from the machine-readable
copyright file of Debian's Qt 5.15 (qtbase), which names every file of qtbase's 3rdparty folder
with its holders and licence and carries each licence's text.

Usage: qt_third_party.py [DEBIAN_COPYRIGHT] > licenses/Qt-third-party.txt"""
import re
import sys

source = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/doc/libqt5core5a/copyright"

# What each shipped DLL holds, by the files Debian's copyright names.
PARTS = [
    ("Qt5Core.dll", "double-conversion", ["src/3rdparty/double-conversion/"]),
    ("Qt5Core.dll", "PCRE2 (regular expressions)", ["src/3rdparty/pcre2/"]),
    ("Qt5Core.dll", "zlib (compression)", ["src/3rdparty/zlib/"]),
    ("Qt5Core.dll", "TinyCBOR", ["src/3rdparty/tinycbor/"]),
    ("Qt5Core.dll", "easing equations (Robert Penner)", ["src/3rdparty/easing/"]),
    ("Qt5Core.dll", "MD4, MD5, SHA-1, SHA-2 (RFC 6234), SHA-3 (Keccak)",
     ["src/3rdparty/md4/", "src/3rdparty/md5/", "src/3rdparty/sha1/", "src/3rdparty/rfc6234/",
      "src/3rdparty/sha3/"]),
    ("Qt5Core.dll", "Unicode character and locale data",
     ["src/corelib/text/qunicodetables.cpp", "src/corelib/text/qlocale_data_p.h"]),
    ("Qt5Core.dll", "the public suffix list", ["src/corelib/io/qurltlds_p.h"]),
    ("Qt5Gui.dll", "libpng (PNG images)", ["src/3rdparty/libpng/"]),
    ("Qt5Gui.dll, platforms/qwindows.dll", "FreeType (font rendering)", ["src/3rdparty/freetype/"]),
    ("Qt5Gui.dll", "HarfBuzz (text shaping)", ["src/3rdparty/harfbuzz-ng/"]),
    ("Qt5Gui.dll", "pixman (drawing helpers)", ["src/3rdparty/pixman/"]),
    ("Qt5Gui.dll", "MD4C (Markdown)", ["src/3rdparty/md4c/"]),
    ("Qt5Gui.dll", "the sRGB colour profile", ["src/3rdparty/icc/"]),
]

text = open(source, encoding="utf-8").read()
paragraphs = [p for p in re.split(r"\n\s*\n", text) if p.strip()]
stanzas = []
licences = {}
for p in paragraphs:
    fields = re.match(r"Files:\s*(.*?)\n(?=\S)", p + "\n", re.S)
    if fields:
        stanzas.append((fields.group(1).split(), p))
    elif p.startswith("License:"):
        name = p.splitlines()[0][len("License:"):].strip()
        licences[name] = p

out = ["Third-party code in the Qt 5.15.15 DLLs shipped with the ORTE-473 programs",
       "=" * 76, "",
       "Qt (LGPL-3.0, see Qt-LGPL-3.0.txt) holds the code below, built into the DLLs named,",
       "each under its own licence. The notices are those of Qt 5.15's qtbase as Debian",
       "records them (its copyright file), the licence texts after them.", ""]
needed = []
for dll, name, prefixes in PARTS:
    found = [p for files, p in stanzas
             if any(f.startswith(prefix) for f in files for prefix in prefixes)]
    if not found:
        sys.exit("qt_third_party: nothing in %s for %s" % (source, name))
    out += ["-" * 76, "%s — in %s" % (name, dll), "-" * 76, ""]
    for p in found:
        out += [p, ""]
        for line in p.splitlines():
            if line.startswith("License:"):
                for part in re.split(r"\s+(?:and|or)\s+", line[len("License:"):].strip()):
                    part = re.sub(r"\s+with\s+.*", "", part).strip()
                    if part and part not in needed:
                        needed.append(part)
# Debian's source leaves out the Wintab headers (their notice forbids changes), which the
# Windows platform plugin is built with: their own notice.
out += ["-" * 76, "Wintab (pen tablets) — in platforms/qwindows.dll", "-" * 76, "",
        "Files: src/3rdparty/wintab/*",
        "Copyright: 1991-1998 LCS/Telegraphics",
        "License: Wintab",
        " The text and information contained in this file may be freely used,",
        " copied, or distributed without compensation or licensing restrictions.", ""]
out += ["=" * 76, "Licence texts", "=" * 76, ""]
for name in needed:
    if name in licences:
        out += [licences[name], ""]
        if name == "MPL-2.0":
            out += [" The full text of the MPL 2.0 is in MPL-2.0.txt beside this file.", ""]
    elif name in ("GPL-2+", "LGPL-2.1+", "GPL-2", "CC0-1.0", "Apache-2.0", "GPL-3"):
        out += ["License: %s" % name,
                " The full text is at https://spdx.org/licenses/%s.html" % name.rstrip("+"), ""]
sys.stdout.write("\n".join(out).rstrip() + "\n")
