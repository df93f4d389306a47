// The oracle the tests hold stops/dwarf/ to: llvm-dwarfdump's text (it has
// no machine-readable output), read back into line rows, and into entries
// of the shape stops/debug-info.mjs describes, so that its description of
// the module's own entries can be compared with one of llvm-dwarfdump's.
import { Attribute, Encoding, Tag } from '../stops/dwarf/constants.mjs';
import { Op } from '../stops/dwarf/expression.mjs';

// `--debug-line`: each row of every table, { address, file, line, statement, prologueEnd, end }.
// Addresses are offsets into the code section, as WebAssembly's DWARF has them.
export function dumpedLineTable(text) {
  const rows = [];
  let directories = [];
  let files = [];
  let file = null; // the file entry being read
  for (const line of text.split('\n')) {
    let match;
    if (line.startsWith('debug_line[')) {
      directories = [];
      files = [];
    } else if ((match = /^include_directories\[\s*(\d+)\] = "(.*)"$/.exec(line)) !== null) {
      directories[Number(match[1])] = match[2];
    } else if ((match = /^file_names\[\s*(\d+)\]:$/.exec(line)) !== null) {
      file = { name: '', directory: 0 };
      files[Number(match[1])] = file;
    } else if ((match = /^\s+name: "(.*)"$/.exec(line)) !== null && file !== null) {
      file.name = match[1];
    } else if ((match = /^\s+dir_index: (\d+)$/.exec(line)) !== null && file !== null) {
      file.directory = Number(match[1]);
    } else if ((match = /^0x([0-9a-f]+)\s+(\d+)\s+\d+\s+(\d+)\s+\d+\s+\d+\s*(.*)$/.exec(line)) !== null) {
      file = null;
      const entry = files[Number(match[3])];
      const flags = match[4].split(/\s+/);
      rows.push({
        address: parseInt(match[1], 16),
        file: entry === undefined ? '' : joined(directories[entry.directory], entry.name),
        line: Number(match[2]),
        statement: flags.includes('is_stmt'),
        prologueEnd: flags.includes('prologue_end'),
        end: flags.includes('end_sequence'),
      });
    }
  }
  return rows;
}

function joined(directory, name) {
  const path = name.startsWith('/') || directory === undefined || directory === '' ? name : `${directory}/${name}`;
  return path.replace(/^(\.\/)+/, '');
}

const entryLine = /^(0x[0-9a-f]+):( +)(DW_TAG_\w+|NULL)/;
const attributeLine = /^\s+(DW_AT_\w+)\t\((.*)$/;
const reference = /^(0x[0-9a-f]+)(?: "(.*)")?/s;
const operation = /DW_OP_(\w+)((?: [+-]?(?:0x[0-9a-f]+|\d+))*)/g;
const camel = (name) => name.toLowerCase().replace(/_(\w)/g, (_, letter) => letter.toUpperCase());
// llvm-dwarfdump's names where this code has its own.
const renamed = { DW_AT_specification: 'declaration', DW_AT_declaration: 'declarationOnly' };
const referring = new Set([Attribute.type, Attribute.declaration, Attribute.abstractOrigin, Attribute.containingType]);
const escapes = { '\\': '\\', '"': '"', t: '\t', n: '\n' };
const unescaped = (value) => value.replace(/\\([\\"tn]|[0-7]{3})/g, (_, code) => escapes[code]
  ?? String.fromCharCode(parseInt(code, 8)));
const numbers = (operands) => operands.trim().split(' ').filter(Boolean).map(Number);

// An entry as dwarf/units.mjs gives one, from its lines of the dump.
class DumpedEntry {
  constructor(offset, tag, parent, dump) {
    Object.assign(this, { offset, tag, parent, dump, children: [], attributes: new Map() });
  }

  has(attribute) { return this.attributes.has(attribute); }

  value(attribute) {
    const text = this.attributes.get(attribute)?.replace(/\)$/, '');
    if (text === undefined) return undefined;
    if (referring.has(attribute)) return this.dump.entries.get(parseInt(reference.exec(text)[1], 16)) ?? null;
    if (text.startsWith('"')) return unescaped(text.slice(1, -1));
    if (text.startsWith('DW_ATE_')) return Encoding[camel(text.slice(7))];
    if (text.startsWith('DW_OP_')) {
      return [...text.matchAll(operation)].map(([, name, operands]) => ({ op: Op[camel(name)],
        operands: numbers(operands) }));
    }
    if (attribute === Attribute.ranges) {
      return [...text.matchAll(/\[(0x[0-9a-f]+), (0x[0-9a-f]+)\)/g)].map(([, ...pair]) => pair.map(Number));
    }
    if (text.includes('\n')) return [{ low: 0, high: 0, expression: [] }]; // a location list: one the page cannot read
    return /^[+-]?(0x[0-9a-f]+|\d+)$/.test(text) ? BigInt(text.replace(/^\+/, '')) : null;
  }
}

// `--debug-info`: { subprograms(), typeName(entry) }, a type's name as llvm-dwarfdump prints it beside a reference.
export function dumpedEntries(text) {
  const dump = { entries: new Map(), names: new Map() };
  const open = []; // the entry last begun at each depth
  let entry = null;
  let last; // the attribute that a line may go on
  for (const line of text.split('\n')) {
    const begun = entryLine.exec(line);
    const attribute = begun ? null : attributeLine.exec(line);
    if (begun) {
      const depth = (begun[2].length - 1) / 2;
      [entry, last] = [null, undefined];
      if (begun[3] === 'NULL') continue;
      entry = new DumpedEntry(parseInt(begun[1], 16), Tag[camel(begun[3].slice(7))], open[depth - 1] ?? null, dump);
      entry.parent?.children.push(entry);
      open.length = depth;
      open[depth] = entry;
      dump.entries.set(entry.offset, entry);
    } else if (attribute && entry) {
      last = Attribute[renamed[attribute[1]] ?? camel(attribute[1].slice(6))];
      if (last === undefined) continue; // one the description does not read
      entry.attributes.set(last, attribute[2]);
      const [, to, name] = referring.has(last) ? reference.exec(attribute[2]) : [];
      if (name !== undefined) dump.names.set(parseInt(to, 16), unescaped(name));
    } else if (entry && last !== undefined && line.trim() !== '') { // a range or location list goes on over lines
      entry.attributes.set(last, `${entry.attributes.get(last)}\n${line.trim()}`);
    }
  }
  return {
    subprograms: () => [...dump.entries.values()].filter(({ tag }) => tag === Tag.subprogram),
    typeName: (found) => dump.names.get(found.offset),
  };
}
