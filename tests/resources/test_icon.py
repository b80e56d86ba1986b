#!/usr/bin/env python3
"""The committed icon: draw_icon.py reproduces it byte for byte, it is the programs' icon set, and
the icon-set checker that check_exe.sh relies on rejects broken sets."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.join(HERE, '..', '..', 'common', 'resources')
ICO = os.path.join(RESOURCES, 'morvane.ico')
sys.path.insert(0, HERE)
from icofile import IconError, check_icon_set, parse_ico  # noqa: E402


def read_committed():
    with open(ICO, 'rb') as f:
        return f.read()


class DrawIconReproducesTheCommittedIcon(unittest.TestCase):
    def test_rerun_gives_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, 'morvane.ico')
            subprocess.run([sys.executable, os.path.join(RESOURCES, 'draw_icon.py'), out], check=True)
            with open(out, 'rb') as f:
                drawn = f.read()
        committed = read_committed()
        if drawn != committed:
            first = next((i for i, (a, b) in enumerate(zip(drawn, committed)) if a != b),
                         min(len(drawn), len(committed)))
            self.fail('draw_icon.py gives %d bytes, morvane.ico has %d, first difference at byte %d: '
                      'run common/resources/draw_icon.py and commit morvane.ico'
                      % (len(drawn), len(committed), first))


class CommittedIconIsTheIconSet(unittest.TestCase):
    def test_five_sizes_32_bpp_with_consistent_masks_and_a_visible_picture(self):
        images = parse_ico(read_committed())
        self.assertEqual([(i.width, i.height, i.bpp) for i in images],
                         [(s, s, 32) for s in (64, 48, 32, 24, 16)])
        for image, rows in zip(images, check_icon_set(images)):
            with self.subTest(size=image.width):
                n = image.width
                alphas = [pixel[3] for row in rows for pixel in row]
                # Rounded corners: the outermost corner pixels are transparent, the middle is opaque.
                for x, y in ((0, 0), (n - 1, 0), (0, n - 1), (n - 1, n - 1)):
                    self.assertEqual(rows[y][x][3], 0, 'corner (%d, %d)' % (x, y))
                self.assertEqual(rows[n // 2][n // 2][3], 255)
                # Anti-aliased edges: partly covered pixels exist.
                self.assertTrue(any(0 < a < 255 for a in alphas))
                # More than a flat tile: several distinct colours among the opaque pixels.
                colours = {pixel[:3] for row in rows for pixel in row if pixel[3] == 255}
                self.assertGreater(len(colours), 8)


def entry_field(data, index, fmt, offset, value):
    """Data with one field of directory entry `index` replaced."""
    data = bytearray(data)
    struct.pack_into(fmt, data, 6 + 16 * index + offset, value)
    return bytes(data)


def image_offset(data, index):
    return struct.unpack_from('<I', data, 6 + 16 * index + 12)[0]


def patch(data, offset, fmt, value):
    data = bytearray(data)
    struct.pack_into(fmt, data, offset, value)
    return bytes(data)


class CheckerRejectsBrokenIconSets(unittest.TestCase):
    def test_each_fault_is_reported(self):
        good = read_committed()
        first = image_offset(good, 0)
        last = image_offset(good, 4)
        mask_16 = last + 40 + 4 * 16 * 16             # the AND mask of the 16x16 image
        swapped = bytearray(good)                       # 48 listed before 64
        swapped[6:22], swapped[22:38] = good[22:38], good[6:22]
        cases = {
            'sizes out of order': bytes(swapped),
            'fewer images': patch(good, 4, '<H', 4),
            '8 bpp in the directory': entry_field(good, 2, '<H', 6, 8),
            '24 bpp in the DIB header': patch(good, first + 14, '<H', 24),
            'DIB height not doubled': patch(good, first + 8, '<i', 64),
            'DIB width differs from the entry': patch(good, first + 4, '<i', 63),
            'compressed DIB': patch(good, first + 16, '<I', 3),
            'mask opaque over a transparent corner': patch(good, mask_16, '<B', 0x00),
            'mask transparent over opaque pixels': patch(good, mask_16 + 8 * 4, '<B', 0xFF),
            'image cut short': entry_field(good, 4, '<I', 8, 1000),
            'image runs past the end': good[:-10],
            'PNG image': patch(good, first, '8s', b'\x89PNG\r\n\x1a\n'),
            'not an icon file': patch(good, 2, '<H', 2),
        }
        self.assertEqual(len(check_icon_set(parse_ico(good))), 5)
        for name, data in cases.items():
            with self.subTest(name):
                with self.assertRaises(IconError):
                    check_icon_set(parse_ico(data))


if __name__ == '__main__':
    unittest.main(verbosity=2)
