#!/usr/bin/python3
# A folder that behaves like a troubled network share, as a FUSE file system
# (python3-fusepy):
#
#   slow_folder.py MOUNTPOINT SOURCES COUNTS
#
# Each file SOURCES/NAME is served as MOUNTPOINT/NAME, the way its name says:
#   hung-open*     opening it takes a minute
#   slow-read*     each read takes two seconds
#   eio*           every read fails with EIO
#   endless-N*     it reports N bytes and never ends: after its own bytes come
#                  JPEG comment segments, forever
#   growing*       it reports 100 KiB and serves all of its bytes
#   anything else  as it is
# COUNTS/NAME holds the number of bytes served from NAME so far.
import errno, os, re, stat, sys, threading, time

from fusepy import FUSE, FuseOSError, Operations

mountpoint, sources, counts = sys.argv[1:4]
COMMENT = b'\xff\xfe\xff\xff' + b'c' * 0xfffd  # one whole comment segment


class SlowFolder(Operations):
    def __init__(self):
        self.lock = threading.Lock()
        self.served = {}

    def source(self, path):
        name = path.lstrip('/')
        if '/' in name or not os.path.isfile(os.path.join(sources, name)):
            raise FuseOSError(errno.ENOENT)
        return name, os.path.join(sources, name)

    def getattr(self, path, fh=None):
        if path == '/':
            return {'st_mode': stat.S_IFDIR | 0o755, 'st_nlink': 2}
        name, source = self.source(path)
        size = os.path.getsize(source)
        if endless := re.match(r'endless-(\d+)', name):
            size = int(endless.group(1))
        elif name.startswith('growing'):
            size = 100 << 10
        now = time.time()
        return {'st_mode': stat.S_IFREG | 0o644, 'st_nlink': 1, 'st_size': size,
                'st_mtime': now, 'st_atime': now, 'st_ctime': now}

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(sources)

    def open(self, path, flags):
        name, _ = self.source(path)
        if name.startswith('hung-open'):
            time.sleep(60)
        return 0

    def read(self, path, size, offset, fh):
        name, source = self.source(path)
        if name.startswith('eio'):
            raise FuseOSError(errno.EIO)
        if name.startswith('slow-read'):
            time.sleep(2)
        with open(source, 'rb') as f:
            own = f.read()
        if name.startswith('endless'):
            data = bytearray(own[offset:offset + size])
            at = max(offset, len(own)) - len(own)
            while len(data) < size:
                start = at % len(COMMENT)
                piece = COMMENT[start:start + size - len(data)]
                data += piece
                at += len(piece)
            data = bytes(data)
        else:
            data = own[offset:offset + size]
        with self.lock:
            self.served[name] = self.served.get(name, 0) + len(data)
            with open(os.path.join(counts, name), 'w') as f:
                f.write(str(self.served[name]))
        return data


FUSE(SlowFolder(), mountpoint, foreground=True, nothreads=False, direct_io=True)
