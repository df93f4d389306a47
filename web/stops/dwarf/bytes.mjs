// A cursor over the bytes of one debug section: DWARF's little-endian
// integers, LEB128 numbers and C strings. Sizes and offsets come back as
// Numbers; the values a program may hold in full 64 bits (udata, sdata,
// data8) as BigInts, so that none is rounded.

const utf8 = new TextDecoder();

export class Bytes {
  constructor(bytes, at = 0) {
    this.bytes = bytes;
    this.view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    this.at = at;
  }

  get done() {
    return this.at >= this.bytes.length;
  }

  u8() { return this.view.getUint8(this.at++); }

  u16() { const value = this.view.getUint16(this.at, true); this.at += 2; return value; }

  u32() { const value = this.view.getUint32(this.at, true); this.at += 4; return value; }

  u64() { const value = this.view.getBigUint64(this.at, true); this.at += 8; return value; }

  // An unsigned number of `size` bytes (an address, an offset, a sized form), as a Number.
  sized(size) {
    switch (size) {
      case 1: return this.u8();
      case 2: return this.u16();
      case 4: return this.u32();
      case 8: return Number(this.u64());
      default: throw new Error(`no ${size}-byte integer in DWARF`);
    }
  }

  uleb() {
    return this.leb().value;
  }

  sleb() {
    const { value, scale, last } = this.leb();
    return (last & 0x40) !== 0 ? value - scale : value;
  }

  // A LEB128's bits as unsigned, the scale past them and its last byte, for either reading.
  leb() {
    let value = 0;
    let scale = 1;
    for (;;) {
      const byte = this.u8();
      value += (byte & 0x7f) * scale;
      scale *= 128;
      if (byte < 0x80) return { value, scale, last: byte };
    }
  }

  ulebBig() {
    return this.lebBig().value;
  }

  slebBig() {
    const { value, shift, last } = this.lebBig();
    return (last & 0x40) !== 0 ? value - (1n << shift) : value;
  }

  lebBig() {
    let value = 0n;
    let shift = 0n;
    for (;;) {
      const byte = this.u8();
      value |= BigInt(byte & 0x7f) << shift;
      shift += 7n;
      if (byte < 0x80) return { value, shift, last: byte };
    }
  }

  // The bytes of a C string, a view; then the string they spell.
  cstringBytes() {
    const end = this.bytes.indexOf(0, this.at);
    if (end < 0) throw new Error('a string runs past its section');
    const raw = this.bytes.subarray(this.at, end);
    this.at = end + 1;
    return raw;
  }

  cstring() { return utf8.decode(this.cstringBytes()); }

  take(length) {
    const raw = this.bytes.subarray(this.at, this.at + length);
    if (raw.length !== length) throw new Error('a block runs past its section');
    this.at += length;
    return raw;
  }

  // A unit's length, which also says whether its offsets are 4 or 8 bytes (DWARF32, DWARF64).
  unitLength() {
    const length = this.u32();
    if (length !== 0xffffffff) return { length, offsetSize: 4 };
    return { length: Number(this.u64()), offsetSize: 8 };
  }
}
