"""Reading a VS_VERSIONINFO resource (as extracted raw from an executable)."""
import struct


class VersionError(ValueError):
    pass


def _align4(n):
    return (n + 3) & ~3


def _node(data, offset):
    """(key, value bytes, is_text, children, end) of the node at offset."""
    if offset + 6 > len(data):
        raise VersionError('node at %d runs past the end' % offset)
    length, value_length, value_type = struct.unpack_from('<HHH', data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise VersionError('node at %d has length %d, resource is %d bytes' % (offset, length, len(data)))
    pos = offset + 6
    key_end = pos
    while key_end + 1 < end and data[key_end:key_end + 2] != b'\0\0':
        key_end += 2
    key = data[pos:key_end].decode('utf-16-le')
    pos = _align4(key_end + 2)
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[pos:min(pos + value_bytes, end)]
    pos = _align4(pos + value_bytes)
    children = []
    while pos + 6 <= end:
        child = _node(data, pos)
        children.append(child)
        pos = _align4(child[4])
    return key, value, value_type == 1, children, end


def _text(value):
    text = value.decode('utf-16-le', errors='replace')
    return text.split('\0', 1)[0]


def parse_version(data):
    """{'file_version': (a,b,c,d), 'product_version': ..., 'tables': {block: {key: text}},
    'translations': [(language, code page), ...]}"""
    key, value, _, children, _ = _node(data, 0)
    if key != 'VS_VERSION_INFO':
        raise VersionError('root key is %r, expected VS_VERSION_INFO' % key)
    if len(value) < 52:
        raise VersionError('fixed file info is %d bytes, expected 52' % len(value))
    signature, _, fms, fls, pms, pls = struct.unpack_from('<6I', value, 0)
    if signature != 0xFEEF04BD:
        raise VersionError('fixed file info signature is %#x' % signature)
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    info = {'file_version': split(fms, fls), 'product_version': split(pms, pls),
            'tables': {}, 'translations': []}
    for ckey, _, _, grandchildren, _ in children:
        if ckey == 'StringFileInfo':
            for tkey, _, _, strings, _ in grandchildren:
                info['tables'][tkey] = {skey: _text(svalue) for skey, svalue, _, _, _ in strings}
        elif ckey == 'VarFileInfo':
            for vkey, vvalue, _, _, _ in grandchildren:
                if vkey == 'Translation':
                    words = struct.unpack_from('<%dH' % (len(vvalue) // 2), vvalue, 0)
                    info['translations'] += list(zip(words[0::2], words[1::2]))
    return info
