#!/usr/bin/python3
# A read-only passthrough of a disc folder whose chosen files fail reads with
# EIO, as a scratched or spinning-up disc does, for the end-to-end tests.
#   eio_disc.py <folder> <mount point> <file>=<offset>:<failures> ...
# A read of <file> (relative to the folder, '/' separated) that reaches
# <offset> fails with EIO <failures> times, then reads fine (-1: always).
# Every read goes to this program (direct_io): the kernel's cache and
# read-ahead would otherwise take up failures the reader never sees.
# Runs in the foreground, one request at a time, until unmounted; each EIO
# is reported on stderr.
import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations


class EioDisc(Operations):
    def __init__(self, root, faults):
        self.root = root
        self.faults = faults  # '/path' -> [offset, failures left]

    def _real(self, path):
        return os.path.join(self.root, path.lstrip('/'))

    def getattr(self, path, fh=None):
        st = os.lstat(self._real(path))
        # Read-only, as a disc is.
        return {key: getattr(st, key) for key in ('st_size', 'st_atime', 'st_mtime', 'st_ctime', 'st_nlink',
                                                    'st_uid', 'st_gid')} | {'st_mode': st.st_mode & ~0o222}

    def readdir(self, path, fh):
        return ['.', '..'] + os.listdir(self._real(path))

    def statfs(self, path):
        st = os.statvfs(self._real(path))
        return {key: getattr(st, key) for key in ('f_bsize', 'f_frsize', 'f_blocks', 'f_files', 'f_namemax')} | {
            'f_bfree': 0, 'f_bavail': 0, 'f_ffree': 0, 'f_favail': 0}

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self._real(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        fault = self.faults.get(path)
        if fault and offset + size > fault[0] and fault[1] != 0:
            if fault[1] > 0:
                fault[1] -= 1
            print(f'eio {path} at {offset}', file=sys.stderr, flush=True)
            raise FuseOSError(errno.EIO)
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)
        return 0


def main():
    if len(sys.argv) < 3:
        sys.exit('usage: eio_disc.py <folder> <mount point> <file>=<offset>:<failures> ...')
    faults = {}
    for spec in sys.argv[3:]:
        name, _, rule = spec.rpartition('=')
        offset, _, failures = rule.partition(':')
        faults['/' + name.lstrip('/')] = [int(offset), int(failures)]
    FUSE(EioDisc(os.path.abspath(sys.argv[1]), faults), sys.argv[2], foreground=True, ro=True, direct_io=True,
         nothreads=True)


if __name__ == '__main__':
    main()
