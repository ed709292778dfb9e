#!/usr/bin/python3
# A folder that behaves like a troubled network share, as a FUSE file system
# (python3-pyfuse3):
#
#   slow_folder.py MOUNTPOINT SOURCES COUNTS
#
# SOURCES/NAME is served as MOUNTPOINT/NAME as it is, and SOURCES/HOW@NAME
# as NAME, the way HOW says:
#   hung-open    opening it takes a minute
#   slow-read    each read takes two seconds (slow-read-N: N milliseconds)
#   eio          every read fails with EIO
#   endless-N    it reports N bytes and never ends: after its own bytes come
#                JPEG comment segments, forever
#   growing      it reports 100 KiB and serves all of its bytes
# COUNTS/NAME holds the number of bytes served from NAME since it was last
# removed. Requests are
# answered concurrently: one hung file does not hold up the others.
import errno, os, stat, sys, time

import pyfuse3
import trio

mountpoint, sources, counts = sys.argv[1:4]
COMMENT = b'\xff\xfe\xff\xff' + b'c' * 0xfffd  # one whole comment segment


class SlowFolder(pyfuse3.Operations):
    def __init__(self):
        super().__init__()
        self.inodes, self.names = {}, {}

    def source(self, name):
        for entry in os.listdir(sources):
            how, _, served = entry.rpartition('@')
            if served == name:
                return how, os.path.join(sources, entry)
        raise pyfuse3.FUSEError(errno.ENOENT)

    def inode(self, name):
        if name not in self.inodes:
            self.inodes[name] = pyfuse3.ROOT_INODE + 1 + len(self.inodes)
            self.names[self.inodes[name]] = name
        return self.inodes[name]

    def attributes(self, inode):
        entry = pyfuse3.EntryAttributes()
        entry.st_ino = inode
        entry.st_atime_ns = entry.st_mtime_ns = entry.st_ctime_ns = time.time_ns()
        entry.st_uid, entry.st_gid = os.getuid(), os.getgid()
        if inode == pyfuse3.ROOT_INODE:
            entry.st_mode, entry.st_nlink = stat.S_IFDIR | 0o755, 2
            return entry
        how, path = self.source(self.names[inode])
        entry.st_mode, entry.st_nlink = stat.S_IFREG | 0o644, 1
        entry.st_size = (int(how[len('endless-'):]) if how.startswith('endless-') else
                         100 << 10 if how == 'growing' else os.path.getsize(path))
        return entry

    async def getattr(self, inode, ctx=None):
        return self.attributes(inode)

    async def lookup(self, parent_inode, name, ctx=None):
        if parent_inode != pyfuse3.ROOT_INODE:
            raise pyfuse3.FUSEError(errno.ENOENT)
        return self.attributes(self.inode(os.fsdecode(name)))

    async def open(self, inode, flags, ctx):
        how, _ = self.source(self.names[inode])
        if how == 'hung-open':
            await trio.sleep(60)
        info = pyfuse3.FileInfo(fh=inode)
        info.direct_io = True
        return info

    async def read(self, fh, off, size):
        name = self.names[fh]
        how, path = self.source(name)
        if how == 'eio':
            raise pyfuse3.FUSEError(errno.EIO)
        if how.startswith('slow-read'):
            await trio.sleep(int(how[len('slow-read-'):] or 2000) / 1000)
        with open(path, 'rb') as f:
            own = f.read()
        data = bytearray(own[off:off + size])
        if how.startswith('endless-'):
            at = max(off, len(own)) - len(own)
            while len(data) < size:
                start = at % len(COMMENT)
                piece = COMMENT[start:start + size - len(data)]
                data += piece
                at += len(piece)
        count = os.path.join(counts, name)
        served = int(open(count).read()) if os.path.exists(count) else 0
        with open(count, 'w') as f:
            f.write(str(served + len(data)))
        return bytes(data)


options = set(pyfuse3.default_options)
options.add('fsname=slow_folder')
pyfuse3.init(SlowFolder(), mountpoint, options)
try:
    trio.run(pyfuse3.main)
finally:
    pyfuse3.close(unmount=False)
