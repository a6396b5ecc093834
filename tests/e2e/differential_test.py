#!/usr/bin/env python3
"""Differential test of tarvex-cli convert: a generated DBF file is converted into a data file
and an INSERT script, and every value in them is checked against the values that an independent
reader (the dbfread package) finds in the DBF file. Records that the checks reject are checked
the same way in the bad file, which dbfread must open.

Usage: differential_test.py TARVEX_CLI [RECORDS]"""
import datetime
import decimal
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

import dbfread

FIELDS = [('NAME', 'C', 24, 0), ('CITY', 'C', 12, 0), ('AMOUNT', 'N', 12, 2),
          ('QTY', 'N', 6, 0), ('BORN', 'D', 8, 0), ('OK', 'L', 1, 0), ('NOTE', 'C', 300, 0)]
WORDS = ['alpha', "O'Hara", 'Zoë', 'b', 'x y z', 'quote''s', 'comma, here', 'semi;colon']


class KeepBadDates(dbfread.FieldParser):
    """Leaves a date that names no calendar day as its text (those records are rejected)."""

    def parseD(self, field, data):
        try:
            return super().parseD(field, data)
        except ValueError:
            return data


def write_dbf(path, records):
    header_len = 32 + 32 * len(FIELDS) + 1
    record_len = 1 + sum(f[2] for f in FIELDS)
    out = bytearray(struct.pack('<BBBBIHH20x', 3, 124, 6, 1, len(records), header_len,
                                record_len))
    for name, ftype, length, dec in FIELDS:
        if ftype == 'C' and length > 255:
            out += struct.pack('<11sc4xH14x', name.encode(), ftype.encode(), length)
        else:
            out += struct.pack('<11sc4xBB14x', name.encode(), ftype.encode(), length, dec)
    out += b'\r'
    for deleted, values in records:
        row = b'*' if deleted else b' '
        for (name, ftype, length, dec), v in zip(FIELDS, values):
            row += v.ljust(length) if ftype in 'CDL' else v.rjust(length)
        assert len(row) == record_len
        out += row
    out += b'\x1a'
    with open(path, 'wb') as f:
        f.write(out)


def make_records(count, rng):
    records = []
    for k in range(count):
        name = ' '.join(rng.choice(WORDS) for _ in range(rng.randint(0, 3)))[:24]
        amount = '%.2f' % (rng.randint(-99999999, 99999999) / 100) if rng.random() > 0.05 else ''
        qty = str(rng.randint(0, 99999)) if rng.random() > 0.05 else ''
        born = '%04d%02d%02d' % (rng.randint(1901, 2098), rng.randint(1, 12), rng.randint(1, 28))
        if rng.random() < 0.05:
            born = ''
        bad = rng.random() < 0.03        # an invalid date: code 9, rejected
        if bad:
            born = '%04d13%02d' % (rng.randint(1901, 2098), rng.randint(1, 28))
        values = [name.encode('cp1252'), rng.choice(['Paris', 'Iasi', '']).encode(),
                  amount.encode(), qty.encode(), born.encode(), rng.choice([b'T', b'F', b' ']),
                  ('note %d ' % k * rng.randint(0, 20))[:300].encode()]
        records.append((rng.random() < 0.02, values))
    return records


def run_cli(cli, home, out, dbf, mode):
    cmd = [cli, 'convert', dbf, '--home', home, '--out', out, '--plain', '--table', 'T',
           '--prj', 'OWN=o', '--set', 'EnablSqlL=' + mode, '--set', 'ChkDtErr=Y',
           '--set', 'ErInDate=9', '--set', 'NrMaxAcEr=5', '--set', 'InclRDel=Y',
           '--set', 'ExclDelRec=N', '--set', 'RestDelRec=N', '--set', 'ChkDtLess=N',
           '--set', 'ChkDtMore=N', '--set', 'ChkDtNull=N', '--set', 'ChkNmErr2=N',
           '--set', 'ChkLgcEr=N', '--set', 'InfFmtNum=N', '--set', 'ifNisBlank=Y',
           '--set', 'TrLogicFld=2', '--set', 'NrToShowErr=0', '--set', 'LngRndSql=100000']
    done = subprocess.run(cmd, capture_output=True, text=True, errors='replace')
    if done.returncode != 0:
        sys.exit('convert failed: ' + done.stderr)
    return done.stdout


def generated(out, ext):
    names = [n for n in os.listdir(out) if n.endswith(ext) and '_BAD' not in n]
    assert len(names) == 1, (ext, os.listdir(out))
    return os.path.join(out, names[0])


def expected_text(field, value):
    """The value as the load file holds it (data file: fixed width)."""
    name, ftype, length, dec = field
    if value is None:
        return ''
    if ftype == 'C':
        return value
    if ftype == 'D':
        return value.strftime('%Y%m%d')
    if ftype == 'L':
        return 'T' if value else 'F'
    return value


def check_number(got, value, where):
    if value is None:
        assert got.strip() == '', (where, got)
    else:
        assert decimal.Decimal(got.strip()) == decimal.Decimal(str(value)), (where, got, value)


def main():
    cli = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 3000
    rng = random.Random(20261211)
    with tempfile.TemporaryDirectory() as tmp:
        home, out = os.path.join(tmp, 'home'), os.path.join(tmp, 'out')
        os.mkdir(out)
        dbf = os.path.join(tmp, 'DIFF.DBF')
        write_dbf(dbf, make_records(count, rng))
        table = dbfread.DBF(dbf, encoding='cp1252', load=True, parserclass=KeepBadDates)
        # dbfread lists live and deleted records apart; put them back in file order.
        order = []
        with open(dbf, 'rb') as f:
            raw = f.read()
        hdr_len, rec_len = struct.unpack('<HH', raw[8:12])
        live = iter(table.records)
        dead = iter(table.deleted)
        for k in range(count):
            flag = raw[hdr_len + k * rec_len:hdr_len + k * rec_len + 1]
            order.append(next(dead) if flag == b'*' else next(live))
        invalid = set()
        for k in range(count):
            born = raw[hdr_len + k * rec_len + 1 + 24 + 12 + 12 + 6:][:8]
            if re.fullmatch(rb'\d{4}13\d\d', born):
                invalid.add(k)

        # Data file.
        summary = run_cli(cli, home, out, dbf, 'Y')
        lines = open(generated(out, '.Dbl'), 'rb').read().split(b'\r\n')
        assert lines[-1] == b''
        lines = lines[:-1]
        kept = [k for k in range(count) if k not in invalid]
        assert len(lines) == len(kept), (len(lines), len(kept))
        for line, k in zip(lines, kept):
            rec = order[k]
            pos = 0
            text = line.decode('cp1252')
            for field in FIELDS:
                name, ftype, length, dec = field
                got = text[pos:pos + length]
                pos += length
                where = (k + 1, name)
                if ftype in 'NF':
                    check_number(got, rec[name], where)
                else:
                    assert got.rstrip() == expected_text(field, rec[name]).rstrip(), (where, got)
        assert f'RnrOra={len(kept)} RnrErr={len(invalid)} RnrRej={len(invalid)}' in summary

        # The bad file: dbfread opens it and finds the rejected records.
        bad = [n for n in os.listdir(out) if n.endswith('_BAD.DBF')]
        assert len(bad) == (1 if invalid else 0), bad
        if invalid:
            with open(os.path.join(out, bad[0]), 'rb') as f:
                bad_raw = f.read()
            bad_hdr, bad_len = struct.unpack('<HH', bad_raw[8:12])
            assert bad_len == rec_len
            bad_table = dbfread.DBF(os.path.join(out, bad[0]), encoding='cp1252', raw=True,
                                    load=True)
            assert len(bad_table.records) + len(bad_table.deleted) == len(invalid)
            for j, k in enumerate(sorted(invalid)):
                source = raw[hdr_len + k * rec_len:hdr_len + (k + 1) * rec_len]
                assert bad_raw[bad_hdr + j * rec_len:bad_hdr + (j + 1) * rec_len] == source, k

        # INSERT script: one statement per kept record, values in field order.
        run_cli(cli, home, out, dbf, 'N')
        script = open(generated(out, '.Sql'), 'rb').read().decode('cp1252')
        values = re.findall(r"Values\r\n   \((.*)\);\r\n", script)
        assert len(values) == len(kept), (len(values), len(kept))
        token = re.compile(r"'(?:[^']|'')*'|TO_DATE\('(\d{8})', 'YYYYMMDD'\)|NULL|-?[0-9.]+")
        for text, k in zip(values, kept):
            rec = order[k]
            items = [m.group(0) for m in token.finditer(text)]
            assert len(items) == len(FIELDS), (k + 1, text)
            for field, item in zip(FIELDS, items):
                name, ftype, length, dec = field
                where = (k + 1, name)
                if ftype in 'NF':
                    if rec[name] is None:
                        assert item == 'NULL', where
                    else:
                        check_number(item, rec[name], where)
                elif ftype == 'D':
                    expected = 'NULL' if rec[name] is None else \
                        "TO_DATE('%s', 'YYYYMMDD')" % rec[name].strftime('%Y%m%d')
                    assert item == expected, (where, item)
                else:
                    expected = expected_text(field, rec[name]).strip().replace("'", "''")
                    assert item == "'%s'" % expected, (where, item, expected)
        print('%d records checked in both load files, %d rejected into the bad file'
              % (count, len(invalid)))


if __name__ == '__main__':
    main()
