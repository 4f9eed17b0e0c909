#!/usr/bin/env python3
"""Writes tests/data/accented-names.ts: a PAT and an SDT whose provider and
service names are not ASCII (ISO/IEC 8859-1 with its character-table prefix,
and the default ISO/IEC 6937 table with a non-spacing accent), so that the
Windows and Linux builds can be compared on the bytes of decoded broadcast text."""
import sys


def crc32_mpeg2(data):
    crc = 0xFFFFFFFF
    for byte in data:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc


def long_section(table_id, extension, body):
    length = 5 + len(body) + 4
    head = bytes([table_id, 0xB0 | (length >> 8), length & 0xFF, extension >> 8, extension & 0xFF, 0xC1, 0, 0])
    section = head + body
    return section + crc32_mpeg2(section).to_bytes(4, "big")


def packets(pid, section, counter):
    payload = b"\x00" + section  # pointer_field
    out = b""
    first = True
    while payload:
        chunk, payload = payload[:184], payload[184:]
        header = bytes([0x47, (0x40 if first else 0) | (pid >> 8), pid & 0xFF, 0x10 | (counter & 0x0F)])
        out += header + chunk + b"\xff" * (184 - len(chunk))
        first = False
        counter += 1
    return out


def service(service_id, service_type, provider, name):
    descriptor = bytes([service_type, len(provider)]) + provider + bytes([len(name)]) + name
    descriptors = bytes([0x48, len(descriptor)]) + descriptor
    return service_id.to_bytes(2, "big") + bytes([0xFC, 0x80 | (len(descriptors) >> 8), len(descriptors) & 0xFF]) + descriptors


tsid, onid = 0x0457, 0x20FA
pat = long_section(0x00, tsid, bytes([0x00, 0x01, 0xE1, 0x00, 0x00, 0x02, 0xE1, 0x01]))
latin1 = b"\x10\x00\x01"
sdt_body = onid.to_bytes(2, "big") + b"\xff"
sdt_body += service(1, 0x01, latin1 + "Télé Süd".encode("latin-1"), latin1 + "Chaîne Été".encode("latin-1"))
sdt_body += service(2, 0x01, b"Caf\xc2e Media", b"Caf\xc2e \xc8u")  # ISO/IEC 6937: accent, then the letter
sdt = long_section(0x42, tsid, sdt_body)
stream = packets(0x0000, pat, 0) + packets(0x0011, sdt, 0)
with open(sys.argv[1] if len(sys.argv) > 1 else "tests/data/accented-names.ts", "wb") as out:
    out.write(stream)
