#!/usr/bin/env python3
# Writes the built seed sections of the fuzz corpus (run from fuzz/corpus).
import struct

def crc32(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc

def section(tid, ext, body, version=0):
    head = bytes([tid]) + struct.pack('>HHBBB', 0xB000 | (len(body) + 9), ext, 0xC1 | (version << 1), 0, 0)
    s = head + body
    return s + struct.pack('>I', crc32(s))

def loop(b):
    return struct.pack('>H', 0xF000 | len(b)) + b

def desc(tag, payload):
    return bytes([tag, len(payload)]) + payload

pat = section(0x00, 0x1001, struct.pack('>HHHHHH', 0, 0xE010, 1, 0xE100, 2, 0xE101))
pmt = section(0x02, 1, struct.pack('>H', 0xE100) + loop(b'') +
              bytes([0x1B]) + struct.pack('>H', 0xE101) + loop(b'') +
              bytes([0x03]) + struct.pack('>H', 0xE102) + loop(desc(0x0A, b'eng\x00')) +
              bytes([0x06]) + struct.pack('>H', 0xE103) + loop(desc(0x6A, b'\x00') + desc(0x0A, b'fra\x00')) +
              bytes([0x06]) + struct.pack('>H', 0xE104) + loop(desc(0x56, b'eng\x09\x00')))
sdt = section(0x42, 0x1001, struct.pack('>HB', 0x233A, 0xFF) +
              struct.pack('>HB', 1, 0xFC) +
              struct.pack('>H', 0x9000 | 12) + desc(0x48, b'\x01\x04Prov\x03One') +
              struct.pack('>HBH', 2, 0xFC, 0x8000))
ts_desc = (desc(0x5A, struct.pack('>I', 53000000) + b'\x1f\x92\x42\xff\xff\xff\xff') +
           desc(0x62, b'\x03' + struct.pack('>I', 53800000)) + desc(0x83, struct.pack('>HH', 1, 0xFC01)))
nit = section(0x40, 0x3001, loop(desc(0x40, b'Hilltop')) +
              loop(struct.pack('>HH', 0x1001, 0x233A) + loop(ts_desc)))

def record(sel, s):
    return bytes([sel]) + struct.pack('>H', len(s)) + s

seeds = {'pat_pmt': record(1, pmt), 'sdt': record(4, sdt), 'nit': record(2, nit),
         'all': record(0, pat) + record(2, nit) + record(4, sdt) + record(1, pmt)}
for name, data in seeds.items():
    open('sections/' + name, 'wb').write(data)

def packets(pid, s):
    out = b''
    payload = b'\x00' + s
    cc = 0
    first = True
    while payload:
        chunk, payload = payload[:184], payload[184:]
        out += bytes([0x47, (0x40 if first else 0) | (pid >> 8), pid & 0xFF, 0x10 | cc]) + chunk + b'\xff' * (184 - len(chunk))
        cc = (cc + 1) & 15
        first = False
    return out

open('transport_stream/built.ts', 'wb').write(packets(0, pat) + packets(0x10, nit) + packets(0x11, sdt) + packets(0x100, pmt))
