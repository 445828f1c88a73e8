#!/usr/bin/env python3
"""Writes cp932_glibc.txt: Shift_JIS (CP932) as glibc's iconv converts it, the
reference that the converters of both platforms are held to. Run once on
Linux (glibc): python3 cp932_glibc.py > cp932_glibc.txt

The byte strings at the end go through the replacement rules of the
program's converter: an invalid Shift_JIS byte becomes U+FFFD; a UTF-8
sequence that is malformed or has no CP932 form becomes one "?" for its first
byte and the continuation bytes after it."""
import ctypes
import ctypes.util

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(ctypes.c_size_t)] * 2
FAILED = ctypes.c_size_t(-1).value
handles = {}


def convert(to, frm, data, replacement):
    """iconv over the whole of `data`, replacing as the program does."""
    cd = handles.get((to, frm))
    if cd is None:
        cd = handles[(to, frm)] = libc.iconv_open(to.encode(), frm.encode())
    libc.iconv(cd, None, None, None, None)
    inbuf = ctypes.create_string_buffer(data, len(data) + 1)
    outbuf = ctypes.create_string_buffer(4 * len(data) + 16)
    src = ctypes.c_void_p(ctypes.addressof(inbuf))
    left = ctypes.c_size_t(len(data))
    out = b""
    while left.value > 0:
        dst = ctypes.c_void_p(ctypes.addressof(outbuf))
        room = ctypes.c_size_t(len(outbuf))
        rc = libc.iconv(cd, ctypes.byref(src), ctypes.byref(left), ctypes.byref(dst), ctypes.byref(room))
        out += outbuf.raw[: len(outbuf) - room.value]
        if rc == FAILED:
            out += replacement
            src.value += 1
            left.value -= 1
            if frm == "UTF-8":
                while left.value > 0 and (inbuf.raw[src.value - ctypes.addressof(inbuf)] & 0xC0) == 0x80:
                    src.value += 1
                    left.value -= 1
    return out


def decode(code):
    """The one character of `code`, or None."""
    out = convert("UTF-32BE", "CP932", code, b"\0\0\xff\xfd")
    if len(out) != 4 or out == b"\0\0\xff\xfd":
        return None
    return int.from_bytes(out, "big")


def is_lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


singles = [decode(bytes([b])) if not is_lead(b) else None for b in range(256)]
pairs = {}
for lead in range(256):
    if not is_lead(lead):
        continue
    for trail in range(256):
        c = decode(bytes([lead, trail]))
        if c is not None:
            pairs[(lead, trail)] = c
assert all(0x40 <= t <= 0xFC and t != 0x7F for (_, t) in pairs)

print("# Shift_JIS (CP932) as glibc's iconv converts it; written by cp932_glibc.py.")
print("# \"single\": the characters of the bytes 00..FF (UTF-16, \"-\": none).")
print("# \"lead LL\": the characters of LL 40..LL FC without LL 7F, in UTF-8;")
print("#   U+FFFD where the pair is no character.")
print("# \"encode U CODE\": the code of a character that more than one code or no")
print("#   code decodes to; \"drop U V\": the characters U..V that have no code and")
print("#   give no \"?\" either. Every other character has the one code that decodes")
print("#   to it, or none.")
print("# \"sjis B.. = B..\", \"utf8 B.. = B..\": byte strings and what they convert to.")
print("single " + " ".join("-" if c is None else "%04X" % c for c in singles))
for lead in range(256):
    if not is_lead(lead):
        continue
    row = "".join(chr(pairs.get((lead, t), 0xFFFD)) for t in range(0x40, 0xFD) if t != 0x7F)
    print("lead %02X %s" % (lead, row))

decoded = {}
for b, c in enumerate(singles):
    if c is not None:
        decoded.setdefault(c, []).append(bytes([b]))
for (lead, trail), c in pairs.items():
    decoded.setdefault(c, []).append(bytes([lead, trail]))
dropped = []
for c in range(0x110000):
    if 0xD800 <= c <= 0xDFFF:
        continue
    # Through UTF-8, as the program converts: "?" for a character without a code.
    out = convert("CP932", "UTF-8", chr(c).encode("utf-8", "surrogatepass"), b"?")
    codes = decoded.get(c, [])
    if out == b"":
        dropped.append(c)
    elif (len(codes) > 1 or not codes) and out != b"?":
        print("encode %04X %s" % (c, out.hex().upper()))
    elif len(codes) == 1:
        assert out == codes[0], (hex(c), out, codes)
    else:
        assert out == b"?" and not codes
assert dropped == list(range(dropped[0], dropped[-1] + 1))
print("drop %04X %04X" % (dropped[0], dropped[-1]))

sjis_strings = ["81", "41 81", "81 20", "81 7F", "81 FD", "85 40", "80", "A0", "FD", "FE", "FF",
                "81 81 40", "85 81 40", "82 A0 A0", "EF 40", "F0 40", "F9 FC", "FA 40", "FC 4B",
                "FC 4C", "ED 40", "87 40", "5C", "7E", "83 5C 95 5C", "00 41"]
utf8_strings = ["41", "C1 81", "C0 80", "E0 80 80", "ED A0 80", "F4 90 80 80", "F8 88 80 80 80",
                "FE", "FF", "80", "41 80 80 42", "E3 81", "E3 81 41", "F3 A0 80 81", "F3 A0 81 BF",
                "F3 A0 82 80", "F0 9F 98 80", "C3 A9", "C3 A9 80 41", "EF BB BF", "EF BF BD",
                "C2 80", "C2 A5", "E2 80 BE", "E3 80 9C", "EF BD 9E", "E2 88 92", "E2 80 94",
                "E2 80 95", "E2 85 B0", "EF BF A2", "C2 AC", "E6 9D B1 41", "00"]
for s in sjis_strings:
    out = convert("UTF-8", "CP932", bytes.fromhex(s), b"\xef\xbf\xbd")
    print("sjis %s = %s" % (s, " ".join("%02X" % b for b in out)))
for s in utf8_strings:
    out = convert("CP932", "UTF-8", bytes.fromhex(s), b"?")
    print("utf8 %s = %s" % (s, " ".join("%02X" % b for b in out)))
