// Puts a stop into a linked WebAssembly module before each given
// instruction: a test of the arming byte and, only where it is set, a call
// of the module's own stop function with the row, the function's frame base
// and two of its locals, so that a free run pays a load and a branch a
// statement. Around the call the stack pointer is the frame base: a function
// that calls nothing keeps its frame below the stack pointer, where the
// stop's own frame would otherwise go. Before each call of one shown
// function by another, the caller notes in a table, at its frame base,
// where it is (the stepper reads it), so that a run stepped from a free one
// shows its callers. Only code is inserted, so no index of a function,
// global or type changes; the debug sections, which the insertion would
// make wrong, are left out.

const codeSection = 10;
const exportSection = 7;
const customSection = 0;

export function readUnsigned(bytes, at) {
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

export function exportedFunction(bytes, section, wanted) {
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
// local.set; i32.const SIZE` (clang 19) or `global.get $sp; i32.const SIZE;
// i32.sub` (clang 22). `low`: where its locals are declared, in the code
// section; { size: 0 } for another start.
export function frameSize(bytes, low) {
  const code = sections(bytes).find((section) => section.id === codeSection);
  let at = pastLocals(bytes, code.start + low);
  if (bytes[at] !== 0x23) {
    return { size: 0 };
  }
  const sp = readUnsigned(bytes, at + 1);
  at = sp.next;
  if (bytes[at] === 0x21) {
    at = readUnsigned(bytes, at + 1).next;
  } else if (bytes[at] !== 0x41 || bytes[skip(bytes, at + 1)] !== 0x6b) {
    return { size: 0 };
  }
  return bytes[at] === 0x41 ? { size: readSigned(bytes, at + 1), sp: sp.value } : { size: 0 };
}

function pastLocals(bytes, at) {
  let { value: groups, next } = readUnsigned(bytes, at);
  for (; groups > 0; groups--) {
    next = readUnsigned(bytes, next).next + 1;
  }
  return next;
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

const skip = (bytes, at) => {
  while ((bytes[at] & 0x80) !== 0) at++;
  return at + 1;
};
const memarg = (bytes, at) => skip(bytes, skip(bytes, at));

// Where the instruction at `at` ends, and the function it calls, if a call.
function instruction(bytes, at) {
  const op = bytes[at++];
  if (op === 0x10) {
    const { value, next } = readUnsigned(bytes, at);
    return { next, calls: value };
  }
  if (op === 0x02 || op === 0x03 || op === 0x04) {
    const type = bytes[at];
    return { next: type === 0x40 || (type >= 0x6f && type <= 0x7f) ? at + 1 : skip(bytes, at) };
  }
  if (op === 0x0e) { // br_table: its labels and the default
    let { value: count, next } = readUnsigned(bytes, at);
    for (; count >= 0; count--) next = skip(bytes, next);
    return { next };
  }
  if (op === 0x1c) { // select with its types
    const { value: count, next } = readUnsigned(bytes, at);
    return { next: next + count };
  }
  if (op === 0xfc) {
    const { value: sub, next } = readUnsigned(bytes, at);
    const immediates = [0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 1, 2, 1, 2, 1, 1, 1][sub];
    if (immediates === undefined) throw new Error(`unknown instruction 0xfc ${sub}`);
    let end = next;
    for (let n = 0; n < immediates; n++) end = skip(bytes, end);
    return { next: end };
  }
  if ([0x0c, 0x0d, 0x12, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x41, 0x42, 0xd2].includes(op)
    || op === 0x3f || op === 0x40 || op === 0xd0) {
    return { next: skip(bytes, at) };
  }
  if (op === 0x11 || op === 0x13) return { next: skip(bytes, skip(bytes, at)) };
  if (op >= 0x28 && op <= 0x3e) return { next: memarg(bytes, at) };
  if (op === 0x43) return { next: at + 4 };
  if (op === 0x44) return { next: at + 8 };
  if (op <= 0x1b || (op >= 0x45 && op <= 0xc4) || op === 0xd1) return { next: at };
  throw new Error(`unknown instruction 0x${op.toString(16)}`);
}

const get = (source) => (source === null ? [0x41, 0] : source.local !== undefined
  ? [0x20, ...unsigned(source.local)] : [0x23, ...unsigned(source.global)]);

const store = (op, offset) => [op, op === 0x36 ? 2 : 0, ...unsigned(offset)];

// What goes before a stop: `if (*armed) { sp = frame; stop(row, frame, first, second); sp = old }`.
function stopCode(stop, { sp, armed, call }) {
  return [0x41, 0, 0x2d, 0, ...unsigned(armed), 0x04, 0x40, 0x23, ...unsigned(sp), ...get(stop.frame), 0x24,
    ...unsigned(sp), 0x41, ...signed(stop.row), ...get(stop.frame), ...get(stop.first), ...get(stop.second),
    ...call, 0x24, ...unsigned(sp), 0x0b];
}

// What goes before a call of a shown function: the caller's row and callee,
// and the two locals it passes, in the table's entry for its frame base.
export const entry = { size: 16, mask: 0xfff0 };
function callerCode(caller, row, callee, table) {
  const slot = [...get(caller.frame), 0x41, ...signed(entry.mask), 0x71];
  if (row >= 65536 || callee >= 65535) throw new Error('a caller\'s table entry holds 65,535 rows and functions');
  const code = [...slot, 0x41, ...signed((row << 16) | (callee + 1)), ...store(0x36, table)];
  for (const [at, source] of [[8, caller.first], [12, caller.second]]) {
    if (source !== null) code.push(...slot, ...get(source), ...store(0x36, table + at));
  }
  return code;
}

// The function a command module's export wraps (wasm-ld's wrapper calls it,
// then the destructors): the one to call, that a stop runs no destructor.
function wrapped(bytes, bodies, index, imports) {
  let at = pastLocals(bytes, bodies[index - imports].start);
  while (bytes[at] === 0x20) at = skip(bytes, at + 1);
  return bytes[at] === 0x10 ? readUnsigned(bytes, at + 1).value : index;
}

function bodiesOf(bytes, code) {
  const { value: count, next } = readUnsigned(bytes, code.start);
  const bodies = [];
  for (let index = 0, at = next; index < count; index++) {
    const size = readUnsigned(bytes, at);
    bodies.push({ header: at, start: size.next, end: size.next + size.value });
    at = size.next + size.value;
  }
  return bodies;
}

const importedFunctions = (bytes, section) => {
  if (section === undefined) return 0;
  let { value: count, next: at } = readUnsigned(bytes, section.start);
  let functions = 0;
  for (; count > 0; count--) {
    for (let name = 0; name < 2; name++) {
      const length = readUnsigned(bytes, at);
      at = length.next + length.value;
    }
    const kind = bytes[at++];
    functions += Number(kind === 0);
    at = kind === 0 ? skip(bytes, at) : kind === 1 ? limits(bytes, at + 1) : kind === 2 ? limits(bytes, at) : at + 2;
  }
  return functions;
};
const limits = (bytes, at) => (bytes[at] & 1 ? skip(bytes, skip(bytes, at + 1)) : skip(bytes, at + 1));

// `stops`: [{ address, row, function, frame, first, second }], addresses into
// the code section's contents; `functions`: the shown ones, [{ low, frame,
// first, second }], low where its locals are declared; frame, first, second:
// { local: n } or { global: n } or null. `sp`: the stack pointer's global;
// `armed`, the arming byte's address; `table`, the callers' table's. Gives
// the new module's bytes.
export function insertStops(bytes, { stops, functions, sp, armed, table }, stopFunction = 'intkit_stop') {
  const all = sections(bytes);
  const code = all.find((section) => section.id === codeSection);
  const bodies = bodiesOf(bytes, code);
  const imports = importedFunctions(bytes, all.find((section) => section.id === 2));
  const exported = exportedFunction(bytes, all.find((section) => section.id === exportSection), stopFunction);
  const call = [0x10, ...unsigned(wrapped(bytes, bodies, exported, imports))];
  const at = new Map(stops.map((stop) => [code.start + stop.address, stop]));
  const shown = new Map(functions.map((function_, index) => [code.start + function_.low, index]));
  const out = [bytes.subarray(0, 8)];
  for (const section of all) {
    if (section.id === customSection && section.name.startsWith('.debug_')) {
      continue;
    }
    if (section !== code) {
      out.push(bytes.subarray(section.header, section.end));
      continue;
    }
    const pieces = [Uint8Array.from(unsigned(bodies.length))];
    for (const body of bodies) {
      const caller = shown.get(body.start);
      if (caller === undefined) {
        pieces.push(bytes.subarray(body.header, body.end));
        continue;
      }
      const own = [];
      let from = body.start;
      let row = null; // the last stop passed, by address
      for (let offset = pastLocals(bytes, body.start); offset < body.end;) {
        const stop = at.get(offset);
        if (stop !== undefined) {
          const inside = pastBlocks(bytes, offset);
          own.push(bytes.subarray(from, inside), Uint8Array.from(stopCode(stop, { sp, armed, call })));
          at.delete(offset);
          from = offset = inside;
          row = stop.row;
          continue;
        }
        const { next, calls } = instruction(bytes, offset);
        const callee = calls === undefined ? undefined : shown.get(bodies[calls - imports]?.start);
        if (callee !== undefined && row !== null) {
          own.push(bytes.subarray(from, offset), Uint8Array.from(callerCode(functions[caller], row, callee, table)));
          from = offset;
        }
        offset = next;
      }
      own.push(bytes.subarray(from, body.end));
      const length = own.reduce((sum, piece) => sum + piece.length, 0);
      pieces.push(Uint8Array.from(unsigned(length)), ...own);
    }
    if (at.size > 0) {
      throw new Error(`${at.size} stops lie outside every function or inside an instruction`);
    }
    const size = pieces.reduce((sum, piece) => sum + piece.length, 0);
    out.push(Uint8Array.from([codeSection, ...unsigned(size)]), ...pieces);
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
