// The WebAssembly System Interface (preview 1), as far as the intkit
// programs use it: arguments, environment, clocks, random bytes, the three
// standard streams and exit. Every call returns a WASI errno; one that a
// stream does not support says so, and a call that is not here at all tells
// the program, on standard error, that it is not available.
//
// A stream's read(size) gives a Uint8Array (empty at the end of input), its
// write(bytes) an errno; either may instead give a Promise of it, which a
// program built for Asyncify (asyncify.js) waits for.

export const errno = { success: 0, badf: 8, inval: 28, nosys: 52, notsup: 58, spipe: 70 };

// Thrown by proc_exit: the program has ended with this status.
export class Exit extends Error {
  constructor(code) {
    super(`exit status ${code}`);
    this.code = code;
  }
}

// A file descriptor that supports nothing: each kind of stream overrides
// what it can do.
export class Descriptor {
  read() {
    return errno.notsup;
  }

  write() {
    return errno.notsup;
  }

  seek() {
    return errno.spipe; // a stream keeps no position
  }

  close() {
    return errno.success;
  }
}

// Bytes handed over in pieces of any size, then the end of input. What a
// read has no room for waits for the next.
export class Input extends Descriptor {
  constructor(next) {
    super();
    this.next = next; // () => Uint8Array or Promise of one; empty at the end
    this.rest = null;
  }

  read(size) {
    if (this.rest !== null) {
      return this.take(this.rest, size);
    }
    const got = this.next();
    return got instanceof Promise ? got.then((bytes) => this.take(bytes, size)) : this.take(got, size);
  }

  take(bytes, size) {
    if (typeof bytes === 'number') {
      return bytes; // an errno
    }
    this.rest = bytes.length > size ? bytes.subarray(size) : null;
    return bytes.subarray(0, size);
  }
}

export class Output extends Descriptor {
  constructor(put) {
    super();
    this.put = put; // (bytes) => errno or Promise of one; the bytes are lent for the call
  }

  write(bytes) {
    return this.put(bytes);
  }
}

const encoder = new TextEncoder();

// Each string as UTF-8 with a NUL after it, as args_get and environ_get give them.
function nulTerminated(strings) {
  return strings.map((s) => encoder.encode(`${s}\0`));
}

export class Wasi {
  // args[0] is the program's name; fds maps 0, 1 and 2 to Descriptors.
  constructor({ args, env = {}, fds }) {
    this.args = nulTerminated(args);
    this.env = nulTerminated(Object.entries(env).map(([k, v]) => `${k}=${v}`));
    this.fds = new Map(Object.entries(fds).map(([fd, d]) => [Number(fd), d]));
    this.memory = null; // the instance's, once it exists
    this.scratch = new Uint8Array(0); // what fd_write gathers, lent to the stream during the call
  }

  // The import object, wasi_snapshot_preview1 included.
  imports() {
    const calls = {};
    for (const name of Object.getOwnPropertyNames(Wasi.prototype)) {
      if (/^[a-z]+_[a-z_]+$/.test(name)) {
        calls[name] = this[name].bind(this);
      }
    }
    const unavailable = (name) => () => {
      this.fds.get(2)?.write(encoder.encode(`wasi: ${name} is not available here\n`));
      return errno.nosys;
    };
    const preview1 = new Proxy(calls, { get: (target, name) => target[name] ?? unavailable(String(name)) });
    return { wasi_snapshot_preview1: preview1 };
  }

  view() {
    return new DataView(this.memory.buffer);
  }

  bytes(at, length) {
    return new Uint8Array(this.memory.buffer, at, length);
  }

  // [address, length] of each piece of an iovec array.
  pieces(iovs, count) {
    const view = this.view();
    return Array.from({ length: count }, (_, i) => [
      view.getUint32(iovs + 8 * i, true),
      view.getUint32(iovs + 8 * i + 4, true),
    ]);
  }

  descriptor(fd) {
    return this.fds.get(fd);
  }

  putStrings(strings, pointers, buffer) {
    const view = this.view();
    for (const s of strings) {
      view.setUint32(pointers, buffer, true);
      this.bytes(buffer, s.length).set(s);
      pointers += 4;
      buffer += s.length;
    }
    return errno.success;
  }

  putSizes(strings, countAt, sizeAt) {
    const view = this.view();
    view.setUint32(countAt, strings.length, true);
    view.setUint32(sizeAt, strings.reduce((sum, s) => sum + s.length, 0), true);
    return errno.success;
  }

  args_sizes_get(countAt, sizeAt) {
    return this.putSizes(this.args, countAt, sizeAt);
  }

  args_get(pointers, buffer) {
    return this.putStrings(this.args, pointers, buffer);
  }

  environ_sizes_get(countAt, sizeAt) {
    return this.putSizes(this.env, countAt, sizeAt);
  }

  environ_get(pointers, buffer) {
    return this.putStrings(this.env, pointers, buffer);
  }

  clock_res_get(_id, resolutionAt) {
    this.view().setBigUint64(resolutionAt, 1000n, true);
    return errno.success;
  }

  clock_time_get(id, _precision, timeAt) {
    // 0: the time of day; the others count from an arbitrary start.
    const ms = id === 0 ? Date.now() : performance.now();
    this.view().setBigUint64(timeAt, BigInt(Math.round(ms * 1e6)), true);
    return errno.success;
  }

  random_get(at, length) {
    for (let done = 0; done < length; done += 65536) {
      crypto.getRandomValues(this.bytes(at + done, Math.min(65536, length - done)));
    }
    return errno.success;
  }

  fd_read(fd, iovs, count, readAt) {
    const stream = this.descriptor(fd);
    if (stream === undefined) {
      return errno.badf;
    }
    const size = this.pieces(iovs, count).reduce((sum, [, length]) => sum + length, 0);
    const scatter = (got) => {
      if (typeof got === 'number') {
        return got;
      }
      let taken = 0;
      for (const [at, length] of this.pieces(iovs, count)) {
        const part = got.subarray(taken, taken + length);
        this.bytes(at, part.length).set(part);
        taken += part.length;
      }
      this.view().setUint32(readAt, taken, true);
      return errno.success;
    };
    const got = stream.read(size);
    return got instanceof Promise ? got.then(scatter) : scatter(got);
  }

  fd_write(fd, iovs, count, writtenAt) {
    const stream = this.descriptor(fd);
    if (stream === undefined) {
      return errno.badf;
    }
    const pieces = this.pieces(iovs, count);
    const total = pieces.reduce((sum, [, length]) => sum + length, 0);
    if (this.scratch.length < total) {
      this.scratch = new Uint8Array(total);
    }
    // The same memory for every write: a fresh buffer each time costs a
    // browser more in page faults than the copy itself.
    const bytes = this.scratch.subarray(0, total);
    let size = 0;
    for (const [at, length] of pieces) {
      bytes.set(this.bytes(at, length), size);
      size += length;
    }
    const done = (error) => {
      if (error === errno.success) {
        this.view().setUint32(writtenAt, size, true);
      }
      return error;
    };
    const error = stream.write(bytes);
    return error instanceof Promise ? error.then(done) : done(error);
  }

  fd_seek(fd) {
    return this.descriptor(fd)?.seek() ?? errno.badf;
  }

  fd_close(fd) {
    const stream = this.descriptor(fd);
    this.fds.delete(fd);
    return stream?.close() ?? errno.badf;
  }

  fd_fdstat_get(fd, at) {
    if (this.descriptor(fd) === undefined) {
      return errno.badf;
    }
    const view = this.view();
    view.setUint8(at, 2); // a character device, as a terminal or a pipe looks
    view.setUint16(at + 2, 0, true);
    view.setBigUint64(at + 8, 0xffffffffffffffffn, true);
    view.setBigUint64(at + 16, 0xffffffffffffffffn, true);
    return errno.success;
  }

  fd_prestat_get() {
    return errno.badf; // no folders: the programs need none
  }

  // Every stream here is always ready, and no program here sleeps: each
  // subscription is answered at once.
  poll_oneoff(subscriptions, events, count, countAt) {
    const view = this.view();
    for (let i = 0; i < count; i++) {
      const from = subscriptions + 48 * i;
      const to = events + 32 * i;
      view.setBigUint64(to, view.getBigUint64(from, true), true);
      view.setUint16(to + 8, errno.success, true);
      view.setUint8(to + 10, view.getUint8(from + 8));
      view.setBigUint64(to + 16, 0n, true);
      view.setUint16(to + 24, 0, true);
    }
    view.setUint32(countAt, count, true);
    return errno.success;
  }

  sched_yield() {
    return errno.success;
  }

  proc_exit(code) {
    throw new Exit(code);
  }
}
