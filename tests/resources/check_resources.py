#!/usr/bin/env python3
"""Checks resources extracted from one of the programs (used by check_exe.sh).

  check_resources.py version RAW_VERSION_RESOURCE
  check_resources.py icon EXTRACTED_ICO [REFERENCE_ICO]

Prints what it found; exits 1 with a message on the first failure.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from icofile import IconError, check_icon_set, parse_ico  # noqa: E402
from versioninfo import VersionError, parse_version  # noqa: E402

VERSION = (1, 0, 0, 0)
BLOCK = '080404B0'
TRANSLATION = (0x0804, 1200)
STRING_FIELDS = ('CompanyName', 'FileDescription', 'FileVersion', 'InternalName',
                 'LegalCopyright', 'OriginalFilename', 'ProductName', 'ProductVersion')


def check_version(path):
    with open(path, 'rb') as f:
        info = parse_version(f.read())
    dotted = lambda v: '.'.join(map(str, v))
    print('version: file %s, product %s' % (dotted(info['file_version']), dotted(info['product_version'])))
    for block, strings in sorted(info['tables'].items()):
        print('version: string table %s' % block)
        for key, text in strings.items():
            print('version:   %-16s %s' % (key, text))
    print('version: translations %s' % ', '.join('0x%04X/%d' % t for t in info['translations']))

    failures = []
    for what in ('file_version', 'product_version'):
        if info[what] != VERSION:
            failures.append('%s is %s, expected %s' % (what.replace('_', ' '), dotted(info[what]), dotted(VERSION)))
    if list(info['tables']) != [BLOCK]:
        failures.append('string tables %s, expected exactly one: %s' % (sorted(info['tables']) or 'none', BLOCK))
    if BLOCK in info['tables']:
        strings = info['tables'][BLOCK]
        for key in STRING_FIELDS:
            if not strings.get(key):
                failures.append('string %s is missing or empty' % key)
        for key in ('FileVersion', 'ProductVersion'):
            if key in strings and strings[key] != dotted(VERSION):
                failures.append('string %s is %r, expected %r' % (key, strings[key], dotted(VERSION)))
    if info['translations'] != [TRANSLATION]:
        failures.append('translations %s, expected 0x%04X/%d' % (info['translations'], *TRANSLATION))
    return failures


def check_icon(path, reference=None):
    with open(path, 'rb') as f:
        images = parse_ico(f.read())
    print('icon: %s' % ', '.join('%dx%d %d bpp' % (i.width, i.height, i.bpp) for i in images))
    check_icon_set(images)
    if reference:
        with open(reference, 'rb') as f:
            expected = parse_ico(f.read())
        for got, want in zip(images, expected):
            if got.data != want.data:
                return ['the %dx%d image differs from %s' % (got.width, got.height, reference)]
        print('icon: the images are those of %s' % reference)
    return []


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == 'version':
            failures = check_version(argv[2])
        elif len(argv) in (3, 4) and argv[1] == 'icon':
            failures = check_icon(*argv[2:])
        else:
            sys.stderr.write(__doc__)
            return 2
    except (IconError, VersionError, OSError) as e:
        failures = [str(e)]
    for failure in failures:
        print('FAIL: %s: %s' % (argv[1], failure))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
