#!/usr/bin/env python3
"""Writes the sample DBF files of this folder. The files are committed; run this only to
change them. Each file shows something the importer deals with: plain data, deleted records,
values that the field checks repair, and a Visual FoxPro style long header."""
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def dbf(path, fields, records, version=0x03, date=(124, 11, 30), area=0):
    """fields: (name, type, length, decimals); records: (deleted, [values]) with values
    already formatted to their field length."""
    header_len = 32 + 32 * len(fields) + 1 + area
    record_len = 1 + sum(f[2] for f in fields)
    out = bytearray(struct.pack('<BBBBIHH20x', version, *date, len(records), header_len,
                                record_len))
    for name, ftype, length, dec in fields:
        out += struct.pack('<11sc4xBB14x', name.encode('ascii'), ftype.encode('ascii'),
                           length, dec)
    out += b'\r' + bytes(area)
    for deleted, values in records:
        row = (b'*' if deleted else b' ') + b''.join(values)
        assert len(row) == record_len, (path, row)
        out += row
    out += b'\x1a'
    (HERE / path).write_bytes(bytes(out))


def c(text, n):
    return text.encode('cp1252').ljust(n)[:n]


def n(text, width):
    return text.encode('ascii').rjust(width)[:width]


customers = [
    (False, ['Ana Popescu', 'Bucuresti', '19700101', '1250.50', 'T', '1']),
    (False, ['John Smith', 'London', '19851231', '99.00', 'F', '2']),
    (True, ['Old Customer', 'Paris', '19600229', '0.00', 'F', '3']),
    (False, ['Maria Garcia', 'Madrid', '20050231', '12.5', 'Y', '4']),   # 31 February
    (False, ['Hans Muller', 'Berlin', '        ', '  ', 'N', '5']),     # blank date/number
    (False, ['Li Wei', 'Shanghai', '19991301', '1.2.3', 'x', '6']),     # month 13, bad number
]
dbf('customers.dbf',
    [('NAME', 'C', 20, 0), ('CITY', 'C', 15, 0), ('BORN', 'D', 8, 0),
     ('BALANCE', 'N', 10, 2), ('ACTIVE', 'L', 1, 0), ('CUST_ID', 'N', 5, 0)],
    [(d, [c(v[0], 20), c(v[1], 15), c(v[2], 8), n(v[3], 10), c(v[4], 1), n(v[5], 5)])
     for d, v in customers])

orders = []
for i in range(1, 41):
    orders.append((i % 13 == 0, [n(str(1000 + i), 6), n(str((i % 6) + 1), 5),
                                 c('2024%02d%02d' % ((i % 12) + 1, (i % 28) + 1), 8),
                                 n('%.2f' % (i * 17.25), 12), c('Order line %d' % i, 30)]))
dbf('orders.dbf',
    [('ORDER_NO', 'N', 6, 0), ('CUST_ID', 'N', 5, 0), ('ORDERED', 'D', 8, 0),
     ('AMOUNT', 'N', 12, 2), ('NOTE', 'C', 30, 0)], orders)

# A Visual FoxPro table: long header with the 263-byte area after the descriptors.
dbf('products_vfp.dbf',
    [('CODE', 'C', 8, 0), ('TITLE', 'C', 25, 0), ('PRICE', 'N', 9, 2)],
    [(False, [c('P-001', 8), c('Notebook', 25), n('3.75', 9)]),
     (False, [c('P-002', 8), c('Pencil, soft', 25), n('0.40', 9)]),
     (False, [c('P-003', 8), c("Ruler 30 cm", 25), n('1.10', 9)])],
    version=0x30, area=263)
