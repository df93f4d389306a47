// The line programs of .debug_line: each one's header (DWARF 2 to 5: the
// directories and files, in DWARF 5 described by forms) and the rows its
// opcodes make. Rows are { address, file, line, statement, prologueEnd, end }
// with the file's path, as stops/lines.mjs reads them.
import { Bytes } from './bytes.mjs';
import { Form, readForm } from './forms.mjs';

const content = { path: 1, directoryIndex: 2 }; // DW_LNCT_path, DW_LNCT_directory_index

// A DWARF 5 table of directories or files: entries of the (content type, form) pairs given.
function entryTable(bytes, header, unit) {
  const formats = Array.from({ length: bytes.u8() }, () => [bytes.uleb(), bytes.uleb()]);
  return Array.from({ length: bytes.uleb() }, () => {
    const entry = { name: '', directory: 0 };
    for (const [type, form] of formats) {
      const value = readForm(bytes, form, header);
      if (type === content.path) entry.name = pathString(header.sections, form, value, unit);
      if (type === content.directoryIndex) entry.directory = Number(value);
    }
    return entry;
  });
}

function pathString(sections, form, value, unit) {
  if (form === Form.string) return new TextDecoder().decode(value);
  if (form === Form.lineStrp) return new Bytes(sections['.debug_line_str'], value).cstring();
  if (form === Form.strp) return new Bytes(sections['.debug_str'], value).cstring();
  return unit?.string({ form, value }) ?? '';
}

// The header of the program at `offset`; `unit` (optional) resolves a DWARF 5 path given by string index.
export function lineHeader(sections, offset, unit = null) {
  const bytes = new Bytes(sections['.debug_line'], offset);
  const { length, offsetSize } = bytes.unitLength();
  const end = bytes.at + length;
  const version = bytes.u16();
  const header = { sections, offset, end, offsetSize, version, addressSize: unit?.addressSize ?? 4 };
  if (version >= 5) {
    header.addressSize = bytes.u8();
    bytes.u8(); // segment selector size
  }
  const headerLength = bytes.sized(offsetSize);
  header.program = bytes.at + headerLength;
  header.minimumLength = bytes.u8();
  if (version >= 4) bytes.u8(); // maximum operations per instruction: 1 but on VLIW machines
  header.defaultStatement = bytes.u8() !== 0;
  header.lineBase = (bytes.u8() << 24) >> 24;
  header.lineRange = bytes.u8();
  header.opcodeBase = bytes.u8();
  header.opcodeLengths = Array.from({ length: header.opcodeBase - 1 }, () => bytes.u8());
  if (version >= 5) {
    header.directories = entryTable(bytes, header, unit).map(({ name }) => name);
    header.files = entryTable(bytes, header, unit);
    header.firstIndex = 0;
    return header;
  }
  // DWARF 4 and before: lists ended by an empty string, numbered from 1; directory 0 is the unit's.
  header.directories = [];
  for (let name = bytes.cstring(); name !== ''; name = bytes.cstring()) header.directories.push(name);
  header.files = [];
  for (let name = bytes.cstring(); name !== ''; name = bytes.cstring()) {
    header.files.push({ name, directory: bytes.uleb() });
    bytes.uleb(); // modification time
    bytes.uleb(); // length
  }
  header.firstIndex = 1;
  return header;
}

const directoryOf = (header, index) => (header.version >= 5 ? header.directories[index]
  : header.directories[index - 1]);

// A row's file: its directory (none for DWARF 4's 0) and name.
function rowPath(header, index) {
  const entry = header.files[index - header.firstIndex];
  if (entry === undefined) return '';
  const directory = directoryOf(header, entry.directory);
  const path = entry.name.startsWith('/') || directory === undefined || directory === '' ? entry.name
    : `${directory}/${entry.name}`;
  return path.replace(/^(\.\/)+/, '');
}

// Joins as LLVM's sys::path::append does: a '/' between, none doubled.
function append(path, part) {
  if (part === '') return path;
  if (path.endsWith('/')) return path + part.replace(/^\/+/, '');
  return path === '' || part.startsWith('/') ? path + part : `${path}/${part}`;
}

// A DW_AT_decl_file's path, as llvm-dwarfdump 14 prints it: from the unit's directory unless absolute,
// even where DWARF 5's directory 0 already is the unit's (build/dwarf/build/dwarf/grid/gridmath.cpp).
export function filePath(header, index, compDir) {
  const entry = header.files[index - header.firstIndex];
  if (entry === undefined || index < 0) return null;
  if (entry.name.startsWith('/')) return entry.name;
  const directory = header.version >= 5 || entry.directory > 0 ? directoryOf(header, entry.directory) ?? '' : '';
  return append(append(directory.startsWith('/') ? '' : compDir, directory), entry.name);
}

// The rows of the program whose header is given, one at a time, in the order its opcodes make them.
function* programRows(header) {
  const bytes = new Bytes(header.sections['.debug_line'], header.program);
  const paths = new Map();
  const path = (index) => {
    if (!paths.has(index)) paths.set(index, rowPath(header, index));
    return paths.get(index);
  };
  const fresh = () => ({ address: 0, file: 1, line: 1, statement: header.defaultStatement, prologueEnd: false });
  let state = fresh();
  // wasm-ld points what it dropped at the tombstone, the largest address: its sequence is left out.
  let dropped = false;
  const row = (end) => {
    const made = dropped ? null : { address: state.address, file: path(state.file), line: state.line,
      statement: state.statement, prologueEnd: state.prologueEnd, end };
    state.prologueEnd = false;
    return made;
  };
  let made;
  while (bytes.at < header.end) {
    const opcode = bytes.u8();
    if (opcode >= header.opcodeBase) {
      const adjusted = opcode - header.opcodeBase;
      state.address += Math.floor(adjusted / header.lineRange) * header.minimumLength;
      state.line = (state.line + header.lineBase + (adjusted % header.lineRange)) >>> 0;
      if ((made = row(false))) yield made;
      continue;
    }
    switch (opcode) {
      case 0: { // extended
        const length = bytes.uleb();
        const next = bytes.at + length;
        const sub = bytes.u8();
        if (sub === 1) {
          if ((made = row(true))) yield made;
          state = fresh();
          dropped = false;
        }
        if (sub === 2) {
          state.address = bytes.sized(length - 1);
          dropped ||= state.address === 2 ** (8 * (length - 1)) - 1;
        }
        bytes.at = next; // define_file, set_discriminator and the rest: nothing a row keeps
        break;
      }
      case 1: if ((made = row(false))) yield made; break; // copy
      case 2: state.address += bytes.uleb() * header.minimumLength; break;
      case 3: state.line = (state.line + bytes.sleb()) >>> 0; break;
      case 4: state.file = bytes.uleb(); break;
      case 5: bytes.uleb(); break; // column
      case 6: state.statement = !state.statement; break;
      case 7: break; // basic block
      case 8: state.address += Math.floor((255 - header.opcodeBase) / header.lineRange) * header.minimumLength; break;
      case 9: state.address += bytes.u16(); break;
      case 10: state.prologueEnd = true; break;
      case 11: break; // epilogue begin
      case 12: bytes.uleb(); break; // isa
      default: for (let n = header.opcodeLengths[opcode - 1]; n > 0; n -= 1) bytes.uleb();
    }
  }
}

// Every row of every program in the section, one program after another, each header read as it is reached.
export function* lineRows(sections) {
  const section = sections['.debug_line'];
  for (let offset = 0; section !== undefined && offset < section.length;) {
    const header = lineHeader(sections, offset);
    yield* programRows(header);
    offset = header.end;
  }
}
