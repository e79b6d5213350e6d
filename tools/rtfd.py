"""The flattened RTFD form that card files keep rich text in, for the generators."""
import struct


def flatten(files):
    """A flattened RTFD of {name: bytes}, TXT.rtf first."""
    names = sorted(files, key=lambda n: (n != 'TXT.rtf', n))
    records = [struct.pack('<II', 1, len(files[n])) + files[n] for n in names]
    out = struct.pack('<I', len(names))
    for n in names:
        b = n.encode()
        out += struct.pack('<I', len(b)) + b
    for r in records:
        out += struct.pack('<I', len(r))
    return b'rtfd' + struct.pack('<II', 0, 3) + out + b''.join(records)
