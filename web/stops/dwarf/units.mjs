// The units of .debug_info and their entries, read lazily as gimli does: a
// unit's header when it is reached; where its entries are (their offsets,
// parents and the ends of their subtrees, in arrays of numbers) in one pass
// the first time one is asked for; an entry itself, its attributes as
// values, only when the caller asks for it, and kept only if the caller
// keeps it.
import { readAbbreviations } from './abbrev.mjs';
import { Bytes } from './bytes.mjs';
import { Attribute, expressions } from './constants.mjs';
import { decodeExpression } from './expression.mjs';
import { Form, addressForms, constantForms, readForm, references, stringForms, unitRelative } from './forms.mjs';
import { locationList, rangeList } from './ranges.mjs';
import { lineHeader, filePath } from './line-program.mjs';

const utf8 = new TextDecoder();
const skeletonOrSplit = new Set([0x04, 0x05]); // DW_UT_skeleton, DW_UT_split_compile
const typeUnits = new Set([0x02, 0x06]); // DW_UT_type, DW_UT_split_type
const lists = new Set([Form.secOffset, Form.loclistx]);

// One entry: its tag, and its attributes read as their forms have them, made values by value().
export class Entry {
  constructor(unit, index) {
    const bytes = new Bytes(unit.sections['.debug_info'], index === 0 ? unit.first : unit.places.offsets[index]);
    this.unit = unit;
    this.index = index;
    this.offset = bytes.at;
    this.abbreviation = unit.abbreviation(bytes.uleb(), this.offset);
    this.tag = this.abbreviation.tag;
    this.forms = [];
    this.raw = this.abbreviation.specs.map(({ form: given, value: implicit }) => {
      const form = given === Form.indirect ? bytes.uleb() : given;
      this.forms.push(form);
      return readForm(bytes, form, unit, implicit);
    });
  }

  get parent() {
    const at = this.unit.places.parents[this.index];
    return at < 0 ? null : this.unit.entry(at);
  }

  get children() {
    const { ends } = this.unit.places;
    const found = [];
    for (let at = this.index + 1; at < ends[this.index]; at = ends[at]) found.push(this.unit.entry(at));
    return found;
  }

  has(attribute) {
    return this.abbreviation.positions.has(attribute);
  }

  // { form, value } as read: a unit-relative reference still relative.
  attribute(attribute) {
    const at = this.abbreviation.positions.get(attribute);
    return at === undefined ? undefined : { form: this.forms[at], value: this.raw[at] };
  }

  // The attribute's value: a string, a Number or BigInt, true or false, the entry a reference is to, an
  // address (high_pc's too), a file's path (decl_file), [[low, high], ...] (ranges), an expression's
  // operations, or [{ low, high, expression }, ...] for a location list.
  value(attribute) {
    const found = this.attribute(attribute);
    if (found === undefined) return undefined;
    const { unit } = this;
    const { form, value } = found;
    if (stringForms.has(form)) return unit.string(found);
    if (references.has(form)) return unit.info.entry(unitRelative.has(form) ? unit.offset + value : value) ?? null;
    if (addressForms.has(form)) return unit.address(found);
    if (attribute === Attribute.highPc && constantForms.has(form)) return this.value(Attribute.lowPc) + Number(value);
    if (attribute === Attribute.declFile && constantForms.has(form)) return unit.file(Number(value));
    if (attribute === Attribute.ranges) return unit.ranges(found);
    if (expressions.has(attribute) && lists.has(form)) {
      return unit.locations(found).map((range) => ({ ...range, expression: decodeExpression(range.expression, unit) }));
    }
    if (expressions.has(attribute) && value instanceof Uint8Array) return decodeExpression(value, unit);
    if (form === Form.flag) return value !== 0;
    return value;
  }
}

export class Unit {
  constructor(info, offset) {
    const bytes = new Bytes(info.sections['.debug_info'], offset);
    const { length, offsetSize } = bytes.unitLength();
    this.info = info;
    this.sections = info.sections;
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
    this.abbreviations = info.abbreviations(this.abbrevOffset);
    this.root = new Entry(this, 0);
  }

  abbreviation(code, offset) {
    const found = this.abbreviations.get(code);
    if (found === undefined) throw new Error(`no abbreviation ${code} for the entry at ${offset}`);
    return found;
  }

  // Where each entry is, in one pass that reads its attributes only to pass them.
  get places() {
    if (this.read !== undefined) return this.read;
    const places = { offsets: [], codes: [], parents: [], ends: [] };
    const bytes = new Bytes(this.sections['.debug_info'], this.first);
    const open = [];
    while (bytes.at < this.end) {
      const offset = bytes.at;
      const code = bytes.uleb();
      if (code === 0) {
        if (open.length > 0) places.ends[open.pop()] = places.offsets.length;
        continue;
      }
      const { children, specs } = this.abbreviation(code, offset);
      const index = places.offsets.length;
      places.offsets.push(offset);
      places.codes.push(code);
      places.parents.push(open.at(-1) ?? -1);
      places.ends.push(index + 1);
      for (const { form, value } of specs) readForm(bytes, form === Form.indirect ? bytes.uleb() : form, this, value);
      if (children) open.push(index);
    }
    for (const index of open) places.ends[index] = places.offsets.length; // a tree its unit's end closes
    this.read = places;
    return places;
  }

  entry(index) {
    return index === 0 ? this.root : new Entry(this, index);
  }

  // The entry at an offset of .debug_info, if one begins there.
  entryAt(offset) {
    const { offsets } = this.places;
    let [low, high] = [0, offsets.length];
    while (low < high) {
      const middle = (low + high) >> 1;
      if (offsets[middle] < offset) low = middle + 1; else high = middle;
    }
    return offsets[low] === offset ? this.entry(low) : undefined;
  }

  // The unit's entries of a tag, in the order of the tree.
  *withTag(tag) {
    const { codes } = this.places;
    for (let at = 0; at < codes.length; at += 1) {
      if (this.abbreviations.get(codes[at]).tag === tag) yield this.entry(at);
    }
  }

  // Whether an entry of the unit may refer into another (DW_FORM_ref_addr), as its abbreviations tell.
  get refersOut() {
    return [...this.abbreviations.values()].some(({ specs }) => specs.some(({ form }) => form === Form.refAddr));
  }

  base(attribute) {
    const found = this.root.attribute(attribute);
    return found === undefined ? null : Number(found.value);
  }

  // A string-valued attribute's string, wherever its form keeps it.
  string({ form, value }) {
    const { sections } = this;
    switch (form) {
      case Form.string: return utf8.decode(value);
      case Form.strp: return new Bytes(sections['.debug_str'], value).cstring();
      case Form.lineStrp: return new Bytes(sections['.debug_line_str'], value).cstring();
      default: { // strx and the others that index the unit's string offsets
        const at = (this.base(Attribute.strOffsetsBase) ?? 8) + value * this.offsetSize;
        const offset = new Bytes(sections['.debug_str_offsets'], at).sized(this.offsetSize);
        return new Bytes(sections['.debug_str'], offset).cstring();
      }
    }
  }

  address({ form, value }) {
    if (form === Form.addr) return value;
    const at = (this.base(Attribute.addrBase) ?? 8) + value * this.addressSize;
    return new Bytes(this.sections['.debug_addr'], at).sized(this.addressSize);
  }

  // The offset of a range or location list: a section offset, or an index into the unit's table of them.
  listOffset({ form, value }, ranges) {
    if (form === Form.secOffset || (this.version < 5 && (form === Form.data4 || form === Form.data8))) {
      return Number(value);
    }
    const base = this.base(ranges ? Attribute.rnglistsBase : Attribute.loclistsBase)
      ?? (this.offsetSize === 8 ? 20 : 12); // past the table's header
    const section = this.sections[ranges ? '.debug_rnglists' : '.debug_loclists'];
    return base + new Bytes(section, base + value * this.offsetSize).sized(this.offsetSize);
  }

  // [[low, high], ...] of DW_AT_ranges, from the unit's base address.
  ranges(attribute) {
    return rangeList(this, this.listOffset(attribute, true));
  }

  // [{ low, high, expression }, ...] of a location that is a list.
  locations(attribute) {
    return locationList(this, this.listOffset(attribute, false));
  }

  get baseAddress() {
    return this.root.value(Attribute.lowPc) ?? 0;
  }

  // The path of file `index` of the unit's line table, as llvm-dwarfdump gives a DW_AT_decl_file.
  file(index) {
    const list = this.root.attribute(Attribute.stmtList);
    if (list === undefined) return null;
    this.header ??= lineHeader(this.sections, Number(list.value), this);
    return filePath(this.header, index, this.root.value(Attribute.compDir) ?? '');
  }

  // Every file a DW_AT_decl_file of the unit can name.
  files() {
    if (this.file(0) === null && this.header === undefined) return [];
    return this.header.files.map((_, at) => this.file(at + this.header.firstIndex));
  }
}

// The module's .debug_info: its units, each header read as it is reached, and an entry by its offset.
export class DebugInfo {
  constructor(sections) {
    this.sections = sections;
    this.read = [];
    this.tables = new Map();
  }

  abbreviations(offset) {
    if (!this.tables.has(offset)) this.tables.set(offset, readAbbreviations(this.sections['.debug_abbrev'], offset));
    return this.tables.get(offset);
  }

  *units() {
    const size = this.sections['.debug_info']?.length ?? 0;
    for (let at = 0; ; at += 1) {
      if (at === this.read.length) {
        const offset = this.read.at(-1)?.end ?? 0;
        if (offset >= size) return;
        this.read.push(new Unit(this, offset));
      }
      yield this.read[at];
    }
  }

  entry(offset) {
    for (const unit of this.units()) {
      if (offset < unit.end) return offset < unit.first ? undefined : unit.entryAt(offset);
    }
    return undefined;
  }
}
