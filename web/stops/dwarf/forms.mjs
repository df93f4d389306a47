// An attribute's value as its form encodes it, read in the context of its
// unit (address size, 32- or 64-bit offsets, where its string offsets,
// addresses and lists start). Indexed forms (strx, addrx, rnglistx,
// loclistx) are resolved when asked for, since the bases they need are
// attributes of the unit's own entry, which may come after them.
//
// A value: { form, value }, with value a Number (addresses, offsets, data1-4,
// flags), a BigInt (data8, sdata, udata, implicit_const), a Uint8Array
// (blocks, exprloc, a string's bytes) or true (flag_present).

export const Form = {
  addr: 0x01, block2: 0x03, block4: 0x04, data2: 0x05, data4: 0x06, data8: 0x07, string: 0x08, block: 0x09,
  block1: 0x0a, data1: 0x0b, flag: 0x0c, sdata: 0x0d, strp: 0x0e, udata: 0x0f, refAddr: 0x10, ref1: 0x11,
  ref2: 0x12, ref4: 0x13, ref8: 0x14, refUdata: 0x15, indirect: 0x16, secOffset: 0x17, exprloc: 0x18,
  flagPresent: 0x19, strx: 0x1a, addrx: 0x1b, refSup4: 0x1c, strpSup: 0x1d, data16: 0x1e, lineStrp: 0x1f,
  refSig8: 0x20, implicitConst: 0x21, loclistx: 0x22, rnglistx: 0x23, refSup8: 0x24, strx1: 0x25,
  strx2: 0x26, strx3: 0x27, strx4: 0x28, addrx1: 0x29, addrx2: 0x2a, addrx3: 0x2b, addrx4: 0x2c,
  gnuAddrIndex: 0x1f01, gnuStrIndex: 0x1f02,
};

const u24 = (bytes) => bytes.u16() + bytes.u8() * 0x10000;

// Reads one value at the cursor; `unit`: { offset, version, addressSize, offsetSize }.
export function readForm(bytes, form, unit, implicit) {
  switch (form) {
    case Form.addr: return bytes.sized(unit.addressSize);
    case Form.data1: case Form.ref1: case Form.flag: case Form.strx1: case Form.addrx1: return bytes.u8();
    case Form.data2: case Form.ref2: case Form.strx2: case Form.addrx2: return bytes.u16();
    case Form.strx3: case Form.addrx3: return u24(bytes);
    case Form.data4: case Form.ref4: case Form.refSup4: case Form.strx4: case Form.addrx4: return bytes.u32();
    case Form.data8: case Form.refSig8: return bytes.u64();
    case Form.ref8: case Form.refSup8: return Number(bytes.u64());
    case Form.data16: return bytes.take(16);
    case Form.sdata: return bytes.slebBig();
    case Form.udata: return bytes.ulebBig();
    case Form.refUdata: case Form.strx: case Form.addrx: case Form.loclistx: case Form.rnglistx:
    case Form.gnuAddrIndex: case Form.gnuStrIndex: return bytes.uleb();
    case Form.string: return bytes.cstringBytes();
    case Form.strp: case Form.lineStrp: case Form.secOffset: case Form.strpSup: return bytes.sized(unit.offsetSize);
    // DWARF 2 wrote a reference to another unit in an address's size.
    case Form.refAddr: return bytes.sized(unit.version <= 2 ? unit.addressSize : unit.offsetSize);
    case Form.block1: return bytes.take(bytes.u8());
    case Form.block2: return bytes.take(bytes.u16());
    case Form.block4: return bytes.take(bytes.u32());
    case Form.block: case Form.exprloc: return bytes.take(bytes.uleb());
    case Form.flagPresent: return true;
    case Form.implicitConst: return implicit;
    default: throw new Error(`form 0x${form.toString(16)} is not one DWARF 4 or 5 has`);
  }
}

// The references, unit-relative or not, that an entry's value resolves to the entry referred to.
export const unitRelative = new Set([Form.ref1, Form.ref2, Form.ref4, Form.ref8, Form.refUdata]);
export const references = new Set([...unitRelative, Form.refAddr]);
export const stringForms = new Set([Form.string, Form.strp, Form.lineStrp, Form.strx, Form.strx1, Form.strx2,
  Form.strx3, Form.strx4, Form.gnuStrIndex]);
export const addressForms = new Set([Form.addr, Form.addrx, Form.addrx1, Form.addrx2, Form.addrx3, Form.addrx4,
  Form.gnuAddrIndex]);
export const constantForms = new Set([Form.data1, Form.data2, Form.data4, Form.data8, Form.sdata, Form.udata,
  Form.implicitConst]);
