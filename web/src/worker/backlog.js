// Output not yet handed to the terminal, and fast-forward through it: when
// a program writes faster than the terminal draws, the part that could only
// scroll out of the scrollback before anyone saw it is dropped rather than
// drawn. Plain data, no DOM, so Node tests it against a headless xterm.js.
//
// Why the terminal ends exactly as if every byte had been drawn: only plain
// bytes are dropped (printable ASCII and \n, which the terminal turns into
// a new line's start), and only where the plain bytes after them make at
// least `scrollback + rows` rows on their own, all the buffer holds. A line
// of n plain characters takes max(1, ceil(n / cols)) rows. The newline
// before the kept part stays, so that part starts on a line of its own
// either way, and that line is blank either way: plain bytes, \r, \b and
// tabs never write below the cursor. So the kept part's rows are the
// buffer's every row, screen and scrollback, wrapped rows and cursor alike.
// Any other byte (escape sequences, \r, \b, tabs, UTF-8) is drawn as it
// comes; after an escape, or a C1 control in UTF-8, which could move the
// cursor or start a sequence of any length, nothing more is dropped in the
// run. A resize while output is pending may reflow rows differently.
const newline = 0x0a;
const plain = (byte) => byte === newline || (byte >= 0x20 && byte < 0x7f);
const escapes = (byte) => byte === 0x1b || byte === 0xc2; // 0xc2 leads U+0080..U+00BF, the C1 controls among them

const leastTaken = 16384; // the page's piece (runner.js)
const chunkSize = 1 << 18;
const mostFree = 16; // chunks kept for reuse

// The index of the last byte of `bytes` that is not plain, or -1; and
// whether any of them is an escape.
function scan(bytes) {
  let odd = -1;
  let escaped = false;
  const look = (from, to) => {
    for (let at = from; at < to; at++) {
      if (!plain(bytes[at])) {
        odd = at;
        escaped ||= escapes(bytes[at]);
      }
    }
  };
  // Four bytes at a time where all are plain: a word with a byte under 0x20
  // or over 0x7e (a newline, say) is looked at closer.
  const head = Math.min(bytes.length, -bytes.byteOffset & 3);
  const count = (bytes.length - head) >> 2; // where there is a word, head ends on a word's start
  const words = count > 0 ? new Int32Array(bytes.buffer, bytes.byteOffset + head, count) : [];
  look(0, head);
  for (let i = 0; i < words.length; i++) {
    const word = words[i];
    if ((((word - 0x20202020) & ~word) | (word + 0x01010101) | word) & 0x80808080) {
      look(head + 4 * i, head + 4 * i + 4);
    }
  }
  look(head + 4 * words.length, bytes.length);
  return { odd, escaped };
}

export class Backlog {
  constructor() {
    this.pieces = []; // Uint8Arrays in the chunks below, oldest first
    this.odd = []; // for each piece, the index of its last byte that is not plain, or -1
    this.size = 0;
    this.escaped = false;
    this.fresh = 0; // bytes pushed since the last fast-forward
    // The bytes are copied into chunks of memory that are used again once
    // free: a fresh buffer for each write costs a browser more than the
    // copy, in page faults.
    this.users = new Map(); // chunk => pieces in it
    this.free = [];
    this.chunk = null;
    this.used = 0;
  }

  // A copy of `bytes` goes in; the caller may reuse them.
  push(bytes) {
    for (let at = 0; at < bytes.length;) {
      if (this.chunk === null || this.used === chunkSize) {
        if (this.chunk !== null && !this.users.has(this.chunk) && this.free.length < mostFree) {
          this.free.push(this.chunk);
        }
        this.chunk = this.free.pop() ?? new ArrayBuffer(chunkSize);
        this.used = 0;
      }
      const piece = new Uint8Array(this.chunk, this.used, Math.min(chunkSize - this.used, bytes.length - at));
      piece.set(bytes.subarray(at, at + piece.length));
      at += piece.length;
      this.used += piece.length;
      const { odd, escaped } = scan(piece);
      this.escaped ||= escaped;
      this.hold(piece);
      this.pieces.push(piece);
      this.odd.push(odd);
    }
    this.size += bytes.length;
    this.fresh += bytes.length;
  }

  hold(piece) {
    this.users.set(piece.buffer, (this.users.get(piece.buffer) ?? 0) + 1);
  }

  release(piece) {
    const users = this.users.get(piece.buffer) - 1;
    if (users > 0) {
      this.users.set(piece.buffer, users);
      return;
    }
    this.users.delete(piece.buffer);
    if (piece.buffer !== this.chunk && this.free.length < mostFree) {
      this.free.push(piece.buffer);
    }
  }

  // A copy of at most `most` bytes from the front, gathered from as many
  // pieces as that takes; null when there is none, or when `most` is under
  // leastTaken while more waits. Else the page, told as much as it has
  // just shown, would get ever smaller messages, thousands a second, each
  // cut where a write, a fast-forward or the page's last piece ended.
  take(most) {
    if (this.size === 0 || most < Math.min(leastTaken, this.size)) {
      return null;
    }
    const taken = new Uint8Array(Math.min(most, this.size));
    for (let at = 0; at < taken.length;) {
      const bytes = this.pieces[0];
      const part = bytes.subarray(0, taken.length - at);
      taken.set(part, at);
      at += part.length;
      if (part.length === bytes.length) {
        this.release(this.pieces.shift());
        this.odd.shift();
      } else {
        this.pieces[0] = bytes.subarray(part.length);
        this.odd[0] = Math.max(-1, this.odd[0] - part.length);
      }
    }
    this.size -= taken.length;
    return taken;
  }

  // Drops what a terminal of this size would only scroll past; returns the
  // number of bytes dropped. Unless `now`, only once at least half the
  // backlog came since the last time, so each byte is looked at a few times
  // at most, however often this is asked.
  fastForward({ cols, rows, scrollback }, now = false) {
    if (this.escaped || this.fresh === 0 || (!now && 2 * this.fresh < this.size)) {
      return 0;
    }
    this.fresh = 0;
    const needed = scrollback + rows;
    let counted = 0;
    let line = 0; // characters seen of the line being counted, from its end
    for (let index = this.pieces.length - 1; index >= 0; index--) {
      const bytes = this.pieces[index];
      const floor = this.odd[index] + 1; // the plain bytes of this piece start here
      let end = bytes.length;
      for (;;) {
        const found = bytes.subarray(floor, end).lastIndexOf(newline);
        if (found < 0) {
          line += end - floor;
          break;
        }
        const at = floor + found;
        line += end - at - 1;
        counted += Math.max(1, Math.ceil(line / cols));
        line = 0;
        if (counted >= needed) {
          return this.drop(index, at);
        }
        end = at;
      }
      if (floor > 0) {
        return 0; // a byte that must be drawn, before enough rows
      }
    }
    return 0;
  }

  // Drops the plain bytes from just after the last byte that is not plain
  // up to the newline at pieces[index][at], which stays.
  drop(index, at) {
    let first = index;
    while (first > 0 && this.odd[first] < 0) {
      first--;
    }
    const from = this.odd[first] + 1;
    const head = this.pieces[first].subarray(0, from);
    const tail = this.pieces[index].subarray(at);
    let dropped = -head.length - tail.length;
    for (let i = first; i <= index; i++) {
      dropped += this.pieces[i].length;
    }
    const kept = [[head, this.odd[first]], [tail, -1]].filter(([bytes]) => bytes.length > 0);
    kept.forEach(([bytes]) => this.hold(bytes));
    const removed = this.pieces.splice(first, index - first + 1, ...kept.map(([bytes]) => bytes));
    removed.forEach((bytes) => this.release(bytes));
    this.odd.splice(first, index - first + 1, ...kept.map(([, odd]) => odd));
    this.size -= dropped;
    return dropped;
  }
}
