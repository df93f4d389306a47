// DWARF expressions (locations, frame bases) decoded into their operations:
// [{ op: Op.fbreg, operands: [16] }, ...]. Every operation is decoded,
// so that one the page cannot use is seen as such, not misread; WebAssembly's
// DW_OP_WASM_location takes a kind (0 local, 1 global, 2 operand stack,
// 3 global by a fixed 4-byte index) and an index.
import { Bytes } from './bytes.mjs';

// [code, name, operands]: u1 s1 u2 s2 u4 s4 u8 s8 as sized, uleb, sleb, addr, offset, block (uleb length), wasm.
const table = `
  03 addr addr; 06 deref; 08 const1u u1; 09 const1s s1; 0a const2u u2; 0b const2s s2; 0c const4u u4;
  0d const4s s4; 0e const8u u8; 0f const8s s8; 10 constu uleb; 11 consts sleb; 12 dup; 13 drop; 14 over;
  15 pick u1; 16 swap; 17 rot; 18 xderef; 19 abs; 1a and; 1b div; 1c minus; 1d mod; 1e mul; 1f neg; 20 not;
  21 or; 22 plus; 23 plus_uconst uleb; 24 shl; 25 shr; 26 shra; 27 xor; 28 bra s2; 29 eq; 2a ge; 2b gt;
  2c le; 2d lt; 2e ne; 2f skip s2; 90 regx uleb; 91 fbreg sleb; 92 bregx uleb sleb; 93 piece uleb;
  94 deref_size u1; 95 xderef_size u1; 96 nop; 97 push_object_address; 98 call2 u2; 99 call4 u4;
  9a call_ref offset; 9b form_tls_address; 9c call_frame_cfa; 9d bit_piece uleb uleb; 9e implicit_value block;
  9f stack_value; a0 implicit_pointer offset sleb; a1 addrx uleb; a2 constx uleb; a3 entry_value block;
  a4 const_type uleb block1; a5 regval_type uleb uleb; a6 deref_type u1 uleb; a7 xderef_type u1 uleb;
  a8 convert uleb; a9 reinterpret uleb; e0 GNU_push_tls_address; ed WASM_location wasm;
  f0 GNU_addr_index uleb; f1 GNU_const_index uleb; f3 GNU_entry_value block`;

// Each operation's operands, by its code; and its code by its name: Op.plusUconst.
const operations = new Map();
export const Op = {};
for (const row of table.trim().split(/;\s*/)) {
  const [code, name, ...operands] = row.trim().split(/\s+/);
  operations.set(parseInt(code, 16), operands);
  Op[name.toLowerCase().replace(/_(\w)/g, (_, letter) => letter.toUpperCase())] = parseInt(code, 16);
}
for (let n = 0; n < 32; n += 1) {
  operations.set(0x30 + n, []); // lit0...
  operations.set(0x50 + n, []); // reg0...
  operations.set(0x70 + n, ['sleb']); // breg0...
}

// A Number where it is exact, else the BigInt (DW_OP_constu 0xfffffffffffffff0).
const small = (value) => (value <= BigInt(Number.MAX_SAFE_INTEGER) && value >= -BigInt(Number.MAX_SAFE_INTEGER)
  ? Number(value) : value);

function operand(bytes, kind, unit) {
  switch (kind) {
    case 'u1': return bytes.u8();
    case 's1': return (bytes.u8() << 24) >> 24;
    case 'u2': return bytes.u16();
    case 's2': return (bytes.u16() << 16) >> 16;
    case 'u4': return bytes.u32();
    case 's4': return bytes.u32() | 0;
    case 'u8': return bytes.u64();
    case 's8': return BigInt.asIntN(64, bytes.u64());
    case 'uleb': return small(bytes.ulebBig());
    case 'sleb': return small(bytes.slebBig());
    case 'addr': return bytes.sized(unit.addressSize);
    case 'offset': return bytes.sized(unit.offsetSize);
    case 'block': return bytes.take(bytes.uleb());
    case 'block1': return bytes.take(bytes.u8());
    default: throw new Error(`no operand kind ${kind}`);
  }
}

// `unit`: { addressSize, offsetSize }.
export function decodeExpression(block, unit) {
  const bytes = new Bytes(block);
  const ops = [];
  while (!bytes.done) {
    const op = bytes.u8();
    const kinds = operations.get(op);
    if (kinds === undefined) {
      ops.push({ op, operands: [] });
      break; // its operands' sizes are not known, so nothing after it can be read
    }
    if (kinds[0] === 'wasm') {
      const kind = bytes.u8();
      ops.push({ op, operands: [kind, operand(bytes, kind === 3 ? 'u4' : 'uleb', unit)] });
      continue;
    }
    ops.push({ op, operands: kinds.map((kind) => operand(bytes, kind, unit)) });
  }
  return ops;
}
