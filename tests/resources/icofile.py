"""Reading and checking the programs' icon set: an .ico file, or one extracted from an executable.

The icon set is five images, 64, 48, 32, 24 and 16 pixels square in that order, each a 32 bpp
BGRA DIB with an AND mask that is set exactly where the alpha channel is zero.
"""
import struct

ICON_SIZES = (64, 48, 32, 24, 16)


class IconError(ValueError):
    pass


class Image:
    def __init__(self, width, height, bpp, data):
        self.width, self.height, self.bpp, self.data = width, height, bpp, data


def parse_ico(data):
    """The images of an .ico file in directory order. Bytes after the last image are ignored."""
    if len(data) < 6:
        raise IconError('too short for an icon directory (%d bytes)' % len(data))
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1:
        raise IconError('not an icon file (reserved %d, type %d)' % (reserved, kind))
    if len(data) < 6 + 16 * count:
        raise IconError('directory of %d entries does not fit in %d bytes' % (count, len(data)))
    images = []
    for i in range(count):
        w, h, colours, _, planes, bpp, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        if offset + size > len(data):
            raise IconError('entry %d: image at %d+%d runs past the end (%d bytes)'
                            % (i, offset, size, len(data)))
        images.append(Image(w or 256, h or 256, bpp, data[offset:offset + size]))
    return images


def check_dib(image):
    """Checks one image's DIB against its directory entry; returns its (b, g, r, a) rows bottom-up."""
    w, h = image.width, image.height
    name = '%dx%d image' % (w, h)
    if image.data[:8] == b'\x89PNG\r\n\x1a\n':
        raise IconError('%s is PNG-compressed, expected a DIB' % name)
    if len(image.data) < 40:
        raise IconError('%s: %d bytes, too short for a BITMAPINFOHEADER' % (name, len(image.data)))
    hsize, dw, dh, planes, bpp, compression = struct.unpack_from('<IiiHHI', image.data, 0)
    if hsize != 40 or dw != w or dh != 2 * h or planes != 1 or compression != 0:
        raise IconError('%s: header says size %d, %dx%d, %d planes, compression %d; expected 40, '
                        '%dx%d, 1 plane, none' % (name, hsize, dw, dh, planes, compression, w, 2 * h))
    if bpp != 32 or image.bpp != 32:
        raise IconError('%s: %d bpp in the header, %d in the directory; expected 32'
                        % (name, bpp, image.bpp))
    mask_stride = (w + 31) // 32 * 4
    expected = 40 + 4 * w * h + mask_stride * h
    if len(image.data) != expected:
        raise IconError('%s: %d bytes, expected %d (header, BGRA pixels, AND mask)'
                        % (name, len(image.data), expected))
    rows = []
    for y in range(h):
        start = 40 + 4 * w * y
        rows.append([tuple(image.data[start + 4 * x:start + 4 * x + 4]) for x in range(w)])
    mask_base = 40 + 4 * w * h
    for y in range(h):
        for x in range(w):
            bit = image.data[mask_base + y * mask_stride + x // 8] >> (7 - x % 8) & 1
            if bit != (rows[y][x][3] == 0):
                raise IconError('%s: AND mask bit at (%d, %d) is %d but alpha is %d'
                                % (name, x, h - 1 - y, bit, rows[y][x][3]))
    return rows


def check_icon_set(images):
    """Raises IconError unless the images are the programs' icon set; returns their pixel rows."""
    sizes = [(i.width, i.height) for i in images]
    if sizes != [(s, s) for s in ICON_SIZES]:
        raise IconError('image sizes %s, expected %s in that order'
                        % (', '.join('%dx%d' % s for s in sizes),
                           ', '.join('%dx%d' % (s, s) for s in ICON_SIZES)))
    return [check_dib(image) for image in images]
