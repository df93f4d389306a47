// The variables of a stopped run's frames as C++ has them, one line each,
// `name = value`, read from the program's linear memory with what the build's
// debug information told of them (web/stops/debug-info.mjs); for an array, a
// span or a reference to either, its cells too, for the page to draw, and
// whose cells a span or reference views. Plain functions over plain data, no
// DOM: the worker uses them, and the Node tests. Memory may hold anything, so
// no read throws: what is out of bounds is unreadable.

export const mostCells = 100000; // of an array or a span
export const mostDrawn = 1000; // cells of one variable sent to be drawn
export const mostText = 100000; // characters of a variable's line
const mostDepth = 32; // references within structs within arrays...
const addressSize = 4; // wasm32

// `frames` innermost first, each { function, pc, line, frame, locals }.
export function describeFrames(info, frames, memory) {
  const reader = { types: info.types, view: new DataView(memory.buffer, memory.byteOffset, memory.byteLength) };
  const placed = frames.map((frame) => {
    const { variables = [] } = info.functions[frame.function] ?? {};
    return variables.filter((variable) => inScope(variable, frame.pc)).map((variable) => ({
      variable,
      address: addressOf(reader, variable.location, frame),
      set: variable.parameter || variable.setFrom === undefined || frame.pc > variable.setFrom,
    }));
  });
  // What a span may view: the arrays of every frame, by where they lie.
  reader.arrays = placed.flatMap((variables, at) => variables
    .filter(({ variable, address, set }) => set && address !== null && reader.types[variable.type]?.kind === 'array')
    .map(({ variable, address }) => {
      const type = reader.types[variable.type];
      const start = address + (type.offset ?? 0);
      const owner = `${info.functions[frames[at].function].name}'s ${variable.name}`;
      return { owner, frame: at, name: variable.name, start, end: start + sizeOf(reader, variable.type) };
    }));
  return frames.map((frame, at) => {
    const { name = '?', file = '' } = info.functions[frame.function] ?? {};
    const variables = placed[at].map(({ variable, address, set }) => {
      const out = new Text(`${variable.name} = `);
      if (set) write(reader, out, variable.type, address, 0);
      else out.add('not yet set');
      const described = { name: variable.name, text: out.text() };
      const string = set ? pointedText(reader, variable.type, address) : null;
      return Object.assign(described, string === null ? {} : { string }, set ? cellsOf(reader, variable.type, address)
        : {});
    });
    return { name, file, line: frame.line, variables };
  });
}

const inScope = ({ scope }, pc) => scope === null || scope.some(([low, high]) => pc >= low && pc < high);

// The variable's address; a { local } holds it, and `via` goes on from the address held there.
function addressOf(reader, location, frame) {
  let address = null;
  if (location.frame !== undefined) address = (frame.frame + location.frame) >>> 0;
  else if (location.local !== undefined) address = frame.locals?.[location.local] ?? null;
  else if (location.address !== undefined) address = location.address;
  if (address !== null && location.via !== undefined) {
    const closure = readInteger(reader, address >>> 0, addressSize, false);
    address = closure === null ? null : Number(closure) + location.via;
  }
  return address === null ? null : address >>> 0;
}

// A line that stops growing past mostText characters, so that no loop over garbage runs long.
class Text {
  constructor(start) {
    this.pieces = [start];
    this.length = start.length;
  }

  get full() {
    return this.length > mostText;
  }

  add(piece) {
    if (this.full) return;
    this.pieces.push(piece);
    this.length += piece.length;
  }

  text() {
    const whole = this.pieces.join('');
    return whole.length > mostText ? `${whole.slice(0, mostText)}…` : whole;
  }
}

function readInteger({ view }, address, size, signed) {
  if (address === null || address < 0 || address + size > view.byteLength) return null;
  let value = 0n;
  for (let at = size - 1; at >= 0; at -= 1) value = (value << 8n) | BigInt(view.getUint8(address + at));
  return signed ? BigInt.asIntN(size * 8, value) : value;
}

function sizeOf(reader, key, depth = 0) {
  const type = reader.types[key];
  if (type === undefined || type === null || depth > mostDepth) return 0;
  switch (type.kind) {
    case 'bool': return 1;
    case 'pointer': case 'reference': return addressSize;
    case 'array': return type.size ?? type.counts.reduce((product, count) => product * count, 1)
      * sizeOf(reader, type.of, depth + 1);
    default: return type.size ?? 0;
  }
}

function write(reader, out, key, address, depth) {
  const type = reader.types[key];
  if (type === undefined || type === null) return out.add('<unknown>');
  if (depth > mostDepth) return out.add('…');
  if (address === null) return out.add('<unreadable>');
  switch (type.kind) {
    case 'int': case 'enum': case 'bool': return writeNumber(reader, out, type, address);
    case 'float': {
      if (!(type.size === 4 || type.size === 8) || address + type.size > reader.view.byteLength) {
        return out.add('<unreadable>'); // long double too: 16 bytes, which JS has no number for
      }
      return out.add(String(type.size === 4 ? reader.view.getFloat32(address, true)
        : reader.view.getFloat64(address, true)));
    }
    case 'pointer': {
      const value = readInteger(reader, address, addressSize, false);
      if (value === null) return out.add('<unreadable>');
      if (value === 0n) return out.add('nullptr');
      out.add(`0x${value.toString(16).padStart(8, '0')}`);
      // A pointer to characters, as a debugger shows it: the string too.
      return reader.types[type.to]?.char ? out.add(` ${cString(reader, Number(value))}`) : out;
    }
    case 'reference': {
      const value = readInteger(reader, address, addressSize, false);
      return value === null ? out.add('<unreadable>') : write(reader, out, type.to, Number(value), depth + 1);
    }
    case 'array': return writeCells(reader, out, type.of, address + (type.offset ?? 0), type.counts, depth);
    case 'span': return writeSpan(reader, out, type, address, depth);
    case 'struct':
      if (isStringView(reader, type)) return out.add(viewedText(reader, type, address) ?? '<unreadable>');
      out.add('{');
      for (const [at, member] of type.members.entries()) {
        out.add(`${at > 0 ? ', ' : ''}${member.name} = `);
        write(reader, out, member.type, address + member.offset, depth + 1);
      }
      return out.add('}');
    default: return out.add('<unknown>');
  }
}

const mostString = 200; // characters of a string a pointer points to

// Up to a NUL or, given, `size` characters.
function cString(reader, address, size = Infinity) {
  let text = '';
  for (let at = address; at < reader.view.byteLength && text.length < Math.min(size, mostString); at++) {
    const byte = reader.view.getUint8(at);
    if (byte === 0 && size === Infinity) return JSON.stringify(text);
    text += String.fromCharCode(byte);
  }
  return text.length === size ? JSON.stringify(text) : `${JSON.stringify(text)}…`;
}

// libc++'s std::string_view, as its pretty printer shows it: its text, not its pointer and size.
function isStringView(reader, type) {
  const [data, size] = ['__data_', '__size_'].map((name) => type.members.find((member) => member.name === name));
  return /\bstring_view\b|basic_string_view</.test(type.name ?? '') && size !== undefined
    && reader.types[data?.type]?.kind === 'pointer' && reader.types[reader.types[data.type].to]?.char === true;
}

function viewedText(reader, type, address) {
  const member = (name) => type.members.find((each) => each.name === name);
  const data = readInteger(reader, address + member('__data_').offset, addressSize, false);
  const size = readInteger(reader, address + member('__size_').offset, addressSize, false);
  if (data === null || size === null) return null;
  return size === 0n ? '""' : data === 0n ? null : cString(reader, Number(data), Number(size));
}

// What a pointer to characters points to, as text, for the page to show alone; else null.
function pointedText(reader, key, address) {
  const type = reader.types[key];
  if (type?.kind !== 'pointer' || reader.types[type.to]?.char !== true) return null;
  const value = readInteger(reader, address, addressSize, false);
  return value === null || value === 0n ? null : cString(reader, Number(value));
}

function writeNumber(reader, out, type, address) {
  const value = readInteger(reader, address, type.kind === 'bool' ? 1 : type.size, type.signed === true);
  if (value === null) return out.add('<unreadable>');
  if (type.kind === 'bool') return out.add(value === 0n ? 'false' : 'true');
  if (type.kind === 'enum') return out.add(type.names[String(value)] ?? String(value));
  const printable = type.char && value >= 0x20n && value < 0x7fn;
  return out.add(printable ? `${value} '${String.fromCharCode(Number(value))}'` : String(value));
}

function writeCells(reader, out, of, address, [count, ...inner], depth) {
  const stride = inner.reduce((product, each) => product * each, 1) * sizeOf(reader, of);
  const shown = Math.min(count, mostCells);
  out.add('{');
  for (let at = 0; at < shown && !out.full; at += 1) {
    if (at > 0) out.add(', ');
    if (inner.length > 0) writeCells(reader, out, of, address + at * stride, inner, depth + 1);
    else write(reader, out, of, address + at * stride, depth + 1);
  }
  out.add(count > shown ? ', …}' : '}');
}

function writeSpan(reader, out, type, address, depth) {
  const data = readInteger(reader, address + type.dataOffset, addressSize, false);
  const size = type.sizeOffset === null ? BigInt(type.extent ?? 0)
    : readInteger(reader, address + type.sizeOffset, addressSize, false);
  const cell = sizeOf(reader, type.of);
  if (data === null || size === null) return out.add('<unreadable>');
  const [start, count] = [Number(data), Number(size)];
  if (count === 0) return out.add('{}');
  if (start + Math.min(count, mostCells) * cell > reader.view.byteLength) return out.add('<unreadable>');
  writeCells(reader, out, type.of, start, [count], depth);
  const viewed = reader.arrays.find((array) => start >= array.start && start < array.end
    && (start - array.start) % (cell || 1) === 0);
  if (viewed !== undefined) {
    const from = start === viewed.start ? '' : ` from [${(start - viewed.start) / (cell || 1)}]`;
    out.add(` (${viewed.owner}${from})`);
  }
}

// For an array, a span or a reference to one: { cells: { counts, values, total }, view }; counts one a
// dimension (a std::array of std::arrays a grid), values each cell's text, row by row, at most mostDrawn of
// `total`; view, for a span or reference: { frame, name, from }, the variable whose cells it views (the
// frame's index, innermost first) and from which of its cells.
function cellsOf(reader, key, address) {
  let type = reader.types[key];
  let at = address;
  const reference = type?.kind === 'reference';
  if (reference) {
    const value = readInteger(reader, address, addressSize, false);
    if (value === null) return {};
    [type, at] = [reader.types[type.to], Number(value)];
  }
  let of;
  let counts;
  if (type?.kind === 'array') {
    [of, counts, at] = [type.of, type.counts, at + (type.offset ?? 0)];
  } else if (type?.kind === 'span') {
    const data = readInteger(reader, at + type.dataOffset, addressSize, false);
    const size = type.sizeOffset === null ? BigInt(type.extent ?? 0)
      : readInteger(reader, at + type.sizeOffset, addressSize, false);
    if (data === null || size === null) return {};
    [of, counts, at] = [type.of, [Number(size)], Number(data)];
  } else {
    return {};
  }
  const values = [];
  const shape = [...counts];
  for (let inner = reader.types[of]; inner?.kind === 'array' && shape.length < 4; inner = reader.types[of]) {
    shape.push(...inner.counts); // a std::array's cells start where it does, as libc++ lays it out
    of = inner.of;
  }
  const total = shape.reduce((product, count) => product * count, 1);
  const cell = sizeOf(reader, of);
  if (at + Math.min(total, mostDrawn) * cell > reader.view.byteLength) return {};
  for (let index = 0; index < Math.min(total, mostDrawn); index += 1) {
    const out = new Text('');
    write(reader, out, of, at + index * cell, 1);
    values.push(out.text());
  }
  const described = { cells: { counts: shape, values, total } };
  const viewed = type.kind === 'span' || reference ? reader.arrays.find((array) => at >= array.start && at < array.end
    && (at - array.start) % (cell || 1) === 0) : undefined;
  if (viewed !== undefined) {
    described.view = { frame: viewed.frame, name: viewed.name, from: (at - viewed.start) / (cell || 1) };
  }
  return described;
}
