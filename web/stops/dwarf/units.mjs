// The units of .debug_info, one at a time: each header is read as it is
// reached, and a unit's tree of entries only when it is asked for, as
// gimli does; an entry's attributes stay as their forms have them until
// read through the unit (unit.string, unit.address, unit.reference...).
import { readAbbreviations } from './abbrev.mjs';
import { Bytes } from './bytes.mjs';
import { Form, addressForms, constantForms, readForm, references, unitRelative } from './forms.mjs';
import { locationList, rangeList } from './ranges.mjs';
import { lineHeader, filePath } from './line-program.mjs';

const utf8 = new TextDecoder();
const skeletonOrSplit = new Set([0x04, 0x05]); // DW_UT_skeleton, DW_UT_split_compile
const typeUnits = new Set([0x02, 0x06]); // DW_UT_type, DW_UT_split_type

export class Entry {
  constructor(offset, tag, unit, parent) {
    this.offset = offset;
    this.tag = tag;
    this.unit = unit;
    this.parent = parent;
    this.children = [];
    this.attributes = {}; // name: { form, value }
  }
}

export class Unit {
  constructor(sections, offset, abbreviations) {
    const bytes = new Bytes(sections['.debug_info'], offset);
    const { length, offsetSize } = bytes.unitLength();
    this.sections = sections;
    this.offset = offset;
    this.end = bytes.at + length;
    this.offsetSize = offsetSize;
    this.version = bytes.u16();
    if (this.version >= 5) {
      this.type = bytes.u8();
      this.addressSize = bytes.u8();
      this.abbrevOffset = bytes.sized(offsetSize);
      if (skeletonOrSplit.has(this.type)) bytes.u64();
      if (typeUnits.has(this.type)) { bytes.u64(); bytes.sized(offsetSize); }
    } else {
      this.type = 0x01; // DW_UT_compile
      this.abbrevOffset = bytes.sized(offsetSize);
      this.addressSize = bytes.u8();
    }
    this.first = bytes.at;
    this.abbreviations = abbreviations(this.abbrevOffset);
    this.root = null;
  }

  // The unit's tree, read once: its first entry, the unit's own, with all below it.
  entries(index) {
    if (this.root !== null) return this.root;
    const bytes = new Bytes(this.sections['.debug_info'], this.first);
    const open = [];
    while (bytes.at < this.end) {
      const offset = bytes.at;
      const code = bytes.uleb();
      if (code === 0) { open.pop(); continue; }
      const abbreviation = this.abbreviations.get(code);
      if (abbreviation === undefined) throw new Error(`no abbreviation ${code} for the entry at ${offset}`);
      const parent = open.at(-1) ?? null;
      const entry = new Entry(offset, abbreviation.tag, this, parent);
      for (const { name, form: given, value: implicit } of abbreviation.specs) {
        const form = given === Form.indirect ? bytes.uleb() : given;
        const value = readForm(bytes, form, this, implicit);
        entry.attributes[name] = { form, value: unitRelative.has(form) ? value + this.offset : value };
      }
      index?.set(offset, entry);
      if (parent === null) this.root ??= entry;
      else parent.children.push(entry);
      if (abbreviation.children) open.push(entry);
    }
    return this.root;
  }

  base(name) {
    const found = this.root?.attributes[name];
    return found === undefined ? null : Number(found.value);
  }

  // The bytes of a string-valued attribute, wherever its form keeps them.
  stringBytes({ form, value }) {
    const { sections } = this;
    switch (form) {
      case Form.string: return value;
      case Form.strp: return new Bytes(sections['.debug_str'], value).cstringBytes();
      case Form.lineStrp: return new Bytes(sections['.debug_line_str'], value).cstringBytes();
      case Form.strx: case Form.strx1: case Form.strx2: case Form.strx3: case Form.strx4: case Form.gnuStrIndex: {
        const at = (this.base('DW_AT_str_offsets_base') ?? 8) + value * this.offsetSize;
        const offset = new Bytes(sections['.debug_str_offsets'], at).sized(this.offsetSize);
        return new Bytes(sections['.debug_str'], offset).cstringBytes();
      }
      default: return null;
    }
  }

  string(attribute) {
    const bytes = attribute === undefined ? null : this.stringBytes(attribute);
    return bytes === null ? null : utf8.decode(bytes);
  }

  // The .debug_info offset an attribute refers to (a type unit's signature is not followed).
  reference({ form, value }) {
    return references.has(form) ? value : null;
  }

  // A constant's value as a BigInt, signed for sdata and implicit_const; null for any other form.
  constant({ form, value }) {
    return constantForms.has(form) ? BigInt(value) : null;
  }

  address({ form, value }) {
    if (form === Form.addr) return value;
    if (!addressForms.has(form)) return null;
    const at = (this.base('DW_AT_addr_base') ?? 8) + value * this.addressSize;
    return new Bytes(this.sections['.debug_addr'], at).sized(this.addressSize);
  }

  // The offset of a range or location list: a section offset, or an index into the unit's table of them.
  listOffset({ form, value }, baseName) {
    if (form === Form.secOffset || (this.version < 5 && (form === Form.data4 || form === Form.data8))) {
      return Number(value);
    }
    const base = this.base(baseName) ?? (this.offsetSize === 8 ? 20 : 12);
    const section = this.sections[baseName === 'DW_AT_rnglists_base' ? '.debug_rnglists' : '.debug_loclists'];
    return base + new Bytes(section, base + value * this.offsetSize).sized(this.offsetSize);
  }

  // [[low, high], ...] of DW_AT_ranges, from the unit's base address.
  ranges(attribute) {
    return rangeList(this, this.listOffset(attribute, 'DW_AT_rnglists_base'));
  }

  // [{ low, high, expression }, ...] of a location that is a list.
  locations(attribute) {
    return locationList(this, this.listOffset(attribute, 'DW_AT_loclists_base'));
  }

  get baseAddress() {
    const low = this.root?.attributes.DW_AT_low_pc;
    return low === undefined ? 0 : this.address(low) ?? 0;
  }

  // The path of file `index` of the unit's line table, as llvm-dwarfdump gives a DW_AT_decl_file.
  file(index) {
    const list = this.root?.attributes.DW_AT_stmt_list;
    if (list === undefined) return null;
    this.header ??= lineHeader(this.sections, Number(list.value), this);
    return filePath(this.header, index, this.string(this.root.attributes.DW_AT_comp_dir) ?? '');
  }

  // Every file a DW_AT_decl_file of the unit can name.
  files() {
    if (this.file(0) === null && this.header === undefined) return [];
    return this.header.files.map((_, at) => this.file(at + this.header.firstIndex));
  }
}

// Every unit of the module's .debug_info, each header read as it is reached.
export function* units(sections) {
  const info = sections['.debug_info'];
  if (info === undefined) return;
  const tables = new Map();
  const abbreviations = (offset) => {
    if (!tables.has(offset)) tables.set(offset, readAbbreviations(sections['.debug_abbrev'], offset));
    return tables.get(offset);
  };
  for (let offset = 0; offset < info.length;) {
    const unit = new Unit(sections, offset, abbreviations);
    yield unit;
    offset = unit.end;
  }
}
