// Puts a stop into a linked WebAssembly module before each given
// instruction: `i32.const row`, the function's frame base and two of its
// locals, and a call of the module's own exported stop function. The code
// pushes four values and the call takes them, so it leaves the stack as it
// was at any instruction boundary. Around the call the stack pointer is the
// frame base: a function that calls nothing keeps its frame below the stack
// pointer, where the stop's own frame would otherwise go. Only code is inserted, so no index of a
// function, global or type changes; the debug sections, which the insertion
// would make wrong, are left out.

const codeSection = 10;
const exportSection = 7;
const customSection = 0;

function readUnsigned(bytes, at) {
  let value = 0;
  let shift = 0;
  for (;;) {
    const byte = bytes[at++];
    value += (byte & 0x7f) * 2 ** shift;
    shift += 7;
    if ((byte & 0x80) === 0) {
      return { value, next: at };
    }
  }
}

export function unsigned(value) {
  const out = [];
  do {
    let byte = value % 128;
    value = Math.floor(value / 128);
    if (value > 0) {
      byte |= 0x80;
    }
    out.push(byte);
  } while (value > 0);
  return out;
}

export function signed(value) {
  const out = [];
  for (;;) {
    const byte = value & 0x7f;
    value >>= 7;
    if ((value === 0 && (byte & 0x40) === 0) || (value === -1 && (byte & 0x40) !== 0)) {
      out.push(byte);
      return out;
    }
    out.push(byte | 0x80);
  }
}

// The module's sections: [{ id, name, start, end }] (start: of the contents).
export function sections(bytes) {
  const found = [];
  let at = 8;
  while (at < bytes.length) {
    const id = bytes[at];
    const { value: size, next } = readUnsigned(bytes, at + 1);
    let name = null;
    if (id === customSection) {
      const length = readUnsigned(bytes, next);
      name = new TextDecoder().decode(bytes.subarray(length.next, length.next + length.value));
    }
    found.push({ id, name, header: at, start: next, end: next + size });
    at = next + size;
  }
  return found;
}

function exportedFunction(bytes, section, wanted) {
  let { value: count, next: at } = readUnsigned(bytes, section.start);
  for (; count > 0; count--) {
    const length = readUnsigned(bytes, at);
    const name = new TextDecoder().decode(bytes.subarray(length.next, length.next + length.value));
    const kind = bytes[length.next + length.value];
    const index = readUnsigned(bytes, length.next + length.value + 1);
    if (name === wanted && kind === 0) {
      return index.value;
    }
    at = index.next;
  }
  throw new Error(`the module exports no function ${wanted}`);
}

// The bytes of its frame a function built with -O0 takes from the stack,
// and the stack pointer's global: its prologue begins `global.get $sp;
// local.set; i32.const SIZE`. `low`: where its locals are declared, in the
// code section; { size: 0 } for another start.
export function frameSize(bytes, low) {
  const code = sections(bytes).find((section) => section.id === codeSection);
  let { value: groups, next: at } = readUnsigned(bytes, code.start + low);
  for (; groups > 0; groups--) {
    at = readUnsigned(bytes, at).next + 1;
  }
  if (bytes[at] !== 0x23) {
    return { size: 0 };
  }
  const sp = readUnsigned(bytes, at + 1);
  at = sp.next;
  if (bytes[at] !== 0x21) {
    return { size: 0 };
  }
  at = readUnsigned(bytes, at + 1).next;
  return bytes[at] === 0x41 ? { size: readSigned(bytes, at + 1), sp: sp.value } : { size: 0 };
}

function readSigned(bytes, at) {
  let value = 0;
  let shift = 0;
  let byte;
  do {
    byte = bytes[at++];
    value |= (byte & 0x7f) << shift;
    shift += 7;
  } while ((byte & 0x80) !== 0 && shift < 35);
  return shift < 32 && (byte & 0x40) !== 0 ? value | (-1 << shift) : value;
}

// `loop` and `block` (with their block type) that a stop goes after, so that
// it is inside a loop and runs at each turn.
function pastBlocks(bytes, at) {
  while (bytes[at] === 0x02 || bytes[at] === 0x03) {
    const type = bytes[at + 1];
    at = type === 0x40 || (type >= 0x6f && type <= 0x7f) ? at + 2 : readUnsigned(bytes, at + 1).next;
  }
  return at;
}

const get = (source) => (source === null ? [0x41, 0] : source.local !== undefined
  ? [0x20, ...unsigned(source.local)] : [0x23, ...unsigned(source.global)]);

// `stops`: [{ address, row, frame, first, second }], addresses into the code
// section's contents; frame, first, second: { local: n } or { global: n }
// or null; `sp`, the stack pointer's global. Gives the new module's bytes.
export function insertStops(bytes, stops, sp, stopFunction = 'intkit_stop') {
  const all = sections(bytes);
  const code = all.find((section) => section.id === codeSection);
  const call = [0x10, ...unsigned(exportedFunction(bytes, all.find((section) => section.id === exportSection),
    stopFunction))];
  const at = new Map(stops.map((stop) => [code.start + stop.address, stop]));
  const out = [bytes.subarray(0, 8)];
  for (const section of all) {
    if (section.id === customSection && section.name.startsWith('.debug_')) {
      continue;
    }
    if (section !== code) {
      out.push(bytes.subarray(section.header, section.end));
      continue;
    }
    const { value: count, next } = readUnsigned(bytes, code.start);
    const bodies = [Uint8Array.from(unsigned(count))];
    let body = next;
    for (let index = 0; index < count; index++) {
      const size = readUnsigned(bytes, body);
      const end = size.next + size.value;
      const pieces = [];
      let from = size.next;
      for (let offset = size.next; offset < end; offset++) {
        const stop = at.get(offset);
        if (stop !== undefined) {
          const inside = pastBlocks(bytes, offset);
          pieces.push(bytes.subarray(from, inside), Uint8Array.from([0x23, ...unsigned(sp), ...get(stop.frame), 0x24,
            ...unsigned(sp), 0x41, ...signed(stop.row), ...get(stop.frame), ...get(stop.first), ...get(stop.second),
            ...call, 0x24, ...unsigned(sp)]));
          at.delete(offset);
          from = inside;
        }
      }
      pieces.push(bytes.subarray(from, end));
      const length = pieces.reduce((sum, piece) => sum + piece.length, 0);
      bodies.push(Uint8Array.from(unsigned(length)), ...pieces);
      body = end;
    }
    if (at.size > 0) {
      throw new Error(`${at.size} stops lie outside every function`);
    }
    const size = bodies.reduce((sum, piece) => sum + piece.length, 0);
    out.push(Uint8Array.from([codeSection, ...unsigned(size)]), ...bodies);
  }
  const total = out.reduce((sum, piece) => sum + piece.length, 0);
  const result = new Uint8Array(total);
  let offset = 0;
  for (const piece of out) {
    result.set(piece, offset);
    offset += piece.length;
  }
  return result;
}
