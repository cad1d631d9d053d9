// The chosen archive, read where it lies. The File is mounted in the
// module's file system (WORKERFS) and the core reads it as it reads a file
// on disk, a region at a time: the header, the list of contents and the one
// member, a tenth of a real game's archive. Browsers answer each read of a
// File after milliseconds, so a small read takes the 64 KiB after it along
// (the header and the list of contents come in one), and what was read is
// kept for the next open of the same File (a reload, an export). A read the
// browser refuses (the file was changed or removed since it was chosen)
// reaches the core as an I/O error, never as an exception through it.

const READ_AHEAD = 64 * 1024;
// Beyond this, regions are read again each time instead of kept.
const KEEP_LIMIT = 64 * 1024 * 1024;
// EIO in the module's numbering.
const EIO = 29;

// A Blob's bytes [start, end) as an ArrayBuffer, read synchronously (a
// worker may).
let reader = null;
export const readBlob = (blob, start, end) => (reader ??= new FileReaderSync()).readAsArrayBuffer(blob.slice(start, end));

// The bytes of a Blob, read through read(blob, start, end) in regions of at
// least READ_AHEAD bytes; regions read are kept up to KEEP_LIMIT bytes.
export class BlobRegions {
  constructor(blob, read = readBlob) {
    this.blob = blob;
    this.read = read;
    this.regions = [];
    this.kept = 0;
  }

  // Copies up to length bytes from position into target at offset and
  // returns how many; 0 at or after the end.
  copy(target, offset, length, position) {
    const size = this.blob.size;
    if (length <= 0 || position >= size) return 0;
    const end = Math.min(size, position + length);
    let region = this.regions.find(r => r.start <= position && end <= r.start + r.bytes.length);
    if (!region) {
      const readEnd = Math.min(size, Math.max(end, position + READ_AHEAD));
      region = { start: position, bytes: new Uint8Array(this.read(this.blob, position, readEnd)) };
      if (this.kept + region.bytes.length <= KEEP_LIMIT) {
        this.regions.push(region);
        this.kept += region.bytes.length;
      }
    }
    const count = Math.max(0, Math.min(end, region.start + region.bytes.length) - position);
    target.set(region.bytes.subarray(position - region.start, position - region.start + count), offset);
    return count;
  }
}

function removeLink(FS, path) {
  try {
    FS.unlink(path);
  } catch {
    // Nothing was there.
  }
}

// Makes path name file (a File or Blob): mounted at mountPoint (which it
// owns), linked from path; the previous file mounted there is let go.
export function placeFile(FS, path, mountPoint, file, read = readBlob) {
  removeLink(FS, path);
  try {
    FS.unmount(mountPoint);
  } catch {
    FS.mkdirTree(mountPoint);
  }
  FS.mount(FS.filesystems.WORKERFS, { blobs: [{ name: 'archive', data: file }] }, mountPoint);
  const target = mountPoint + '/archive';
  const { node } = FS.lookupPath(target);
  const regions = new BlobRegions(file, read);
  node.stream_ops = {
    ...node.stream_ops,
    read(stream, buffer, offset, length, position) {
      try {
        return regions.copy(buffer, offset, length, position);
      } catch {
        throw new FS.ErrnoError(EIO);
      }
    },
  };
  FS.symlink(target, path);
}
