// The entries of .debug_info in the shape stops/debug-info.mjs reads them
// from llvm-dwarfdump's text: { entries: Map(offset → entry), units: [entry] },
// each entry { offset: '0x0000002a', tag, attributes, children, parent },
// each attribute's value as llvm-dwarfdump prints it between its parentheses.
// So one reading of what the entries mean serves both this reader and the
// text, which the tests hold it to. Only what that reading looks at is
// printed faithfully; other values keep their form's plain printing.
import { encodingName } from './constants.mjs';
import { decodeExpression, signedOperands } from './expression.mjs';
import { Form, blockForms, constantForms, stringForms } from './forms.mjs';
import { shownFile } from '../lines.mjs';
import { typeName } from './type-names.mjs';
import { units as unitsOf } from './units.mjs';

const hex = (value, digits = 8) => `0x${value.toString(16).padStart(digits, '0')}`;
const dataDigits = { [Form.data1]: 2, [Form.data2]: 4, [Form.data4]: 8, [Form.data8]: 16 };
const expressions = new Set(['DW_AT_location', 'DW_AT_frame_base', 'DW_AT_data_member_location',
  'DW_AT_string_length', 'DW_AT_use_location', 'DW_AT_vtable_elem_location', 'DW_AT_return_addr',
  'DW_AT_static_link', 'DW_AT_data_location', 'DW_AT_call_value', 'DW_AT_call_target']);
const lists = new Set([Form.secOffset, Form.loclistx]);

// As LLVM's write_escaped: \\ \" \t \n, and any other byte not printable in octal.
function escaped(bytes) {
  let out = '';
  for (const byte of bytes) {
    if (byte === 0x5c) out += '\\\\';
    else if (byte === 0x22) out += '\\"';
    else if (byte === 0x09) out += '\\t';
    else if (byte === 0x0a) out += '\\n';
    else if (byte >= 0x20 && byte < 0x7f) out += String.fromCharCode(byte);
    else out += `\\${byte.toString(8).padStart(3, '0')}`;
  }
  return out;
}

export function expressionText(block, unit) {
  return decodeExpression(block, unit).map(({ op, operands, kinds }) => [op, ...operands.map((value, at) => {
    if (value instanceof Uint8Array) return [value.length, ...value].map((byte, i) => hex(byte, i && 2)).join(' ');
    return signedOperands.has(kinds[at]) ? `${value < 0 ? '' : '+'}${value}` : `0x${value.toString(16)}`;
  })].join(' ')).join(', ');
}

function constantText(attribute) {
  const { form, value } = attribute;
  if (form in dataDigits) return hex(value, dataDigits[form]);
  return value.toString(); // sdata, udata, implicit_const in decimal
}

function valueText(name, attribute, entry, entryAt) {
  const { unit } = entry;
  const { form, value } = attribute;
  if (stringForms.has(form)) return `"${escaped(unit.stringBytes(attribute))}"`;
  if ((name === 'DW_AT_decl_file' || name === 'DW_AT_call_file') && constantForms.has(form)) {
    const path = unit.file(Number(value));
    return path === null ? value.toString() : `"${path}"`;
  }
  if (name === 'DW_AT_decl_line' || name === 'DW_AT_call_line') return value.toString();
  if (name === 'DW_AT_encoding') return encodingName(Number(value));
  if (name === 'DW_AT_ranges') {
    const offset = hex(unit.listOffset(attribute, 'DW_AT_rnglists_base'));
    return [form === Form.rnglistx ? `indexed (0x${value.toString(16)}) rangelist = ${offset}` : offset,
      ...unit.ranges(attribute).filter(([from, to]) => from !== to).map(([from, to]) => `[${hex(from)}, ${hex(to)})`)]
      .join('\n');
  }
  if (expressions.has(name) && lists.has(form)) {
    return [`${hex(unit.listOffset(attribute, 'DW_AT_loclists_base'))}: `, ...unit.locations(attribute)
      .map(({ low, high, expression }) => `[${hex(low)}, ${hex(high)}): ${expressionText(expression, unit)}`)]
      .join('\n');
  }
  const tombstone = 2 ** (8 * unit.addressSize) - 1; // wasm-ld's for code it dropped
  const low = entry.attributes.DW_AT_low_pc === undefined ? null : unit.address(entry.attributes.DW_AT_low_pc);
  if (name === 'DW_AT_low_pc' || (name === 'DW_AT_high_pc' && !constantForms.has(form))) {
    const address = unit.address(attribute) ?? 0;
    return address === tombstone ? 'dead code' : hex(address);
  }
  if (name === 'DW_AT_high_pc') { // an offset from low_pc, printed as the address it ends at
    return low === null || low === tombstone ? constantText(attribute) : hex(low + Number(value));
  }
  const target = unit.reference(attribute);
  if (target !== null) {
    const type = name === 'DW_AT_type' || name === 'DW_AT_containing_type' ? entryAt(target) : undefined;
    return type === undefined ? hex(target) : `${hex(target)} "${typeName(type, entryAt)}"`;
  }
  if (form === Form.exprloc || (expressions.has(name) && blockForms.has(form))) return expressionText(value, unit);
  if (blockForms.has(form)) return `<${hex(value.length, 2)}> ${[...value].map((b) => hex(b, 2).slice(2)).join(' ')}`;
  if (form === Form.flagPresent) return 'true';
  if (form === Form.flag) return value ? 'true' : 'false';
  if (constantForms.has(form)) return constantText(attribute);
  return hex(Number(value));
}

// A unit that can hold a function of the files shown: one whose line table names one, or that refers
// into another unit (DW_FORM_ref_addr), where a declaration may be.
function mayHold(unit, root, shownFiles) {
  if (unit.files().some((path) => path !== null && shownFile(path, shownFiles) !== null)) return true;
  const refersOut = (entry) => Object.values(entry.attributes).some(({ form }) => form === Form.refAddr)
    || entry.children.some(refersOut);
  return refersOut(root);
}

// The units' entries, read from the module's debug sections: with `shownFiles`, only the units that may
// hold their functions are walked, and another unit is printed only when an entry of it is looked up.
export function dumpedEntries(sections, shownFiles = null) {
  const all = [...unitsOf(sections)];
  const index = new Map();
  const roots = all.map((unit) => unit.entries(index));
  const entryAt = (offset) => index.get(offset);
  const printed = new Set();
  const entries = new Map();
  const convert = (entry, parent) => {
    const attributes = {};
    const shown = { offset: hex(entry.offset), tag: entry.tag, attributes, children: [], parent };
    for (const [name, attribute] of Object.entries(entry.attributes)) {
      attributes[name] = valueText(name, attribute, entry, entryAt);
    }
    entries.set(shown.offset, shown);
    for (const child of entry.children) shown.children.push(convert(child, shown));
    return shown;
  };
  const print = (at) => {
    printed.add(at);
    return convert(roots[at], null);
  };
  const get = entries.get.bind(entries);
  entries.get = (key) => {
    if (!entries.has(key)) {
      const at = all.findIndex((unit) => unit.offset <= parseInt(key, 16) && parseInt(key, 16) < unit.end);
      if (at >= 0 && !printed.has(at)) print(at);
    }
    return get(key);
  };
  const walked = all.flatMap((unit, at) => (shownFiles === null || mayHold(unit, roots[at], shownFiles) ? [at] : []));
  return { entries, units: walked.map(print) };
}
