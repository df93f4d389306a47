// What the compiler's debug information says of the functions of the files
// Source shows: their code, frame base and variables, where each variable
// lives, and the types those variables reach, read from the text of
// `llvm-dwarfdump --debug-info` (it has no machine-readable output). Plain
// JSON-able data, from which src/variables.js shows the variables in memory.
// Type keys are the offsets of the type entries in .debug_info.

import { shownFile } from './lines.mjs';

const entryLine = /^(0x[0-9a-f]+):( +)(DW_TAG_\w+|NULL)/;
const attributeLine = /^\s+(DW_AT_\w+)\t\((.*)$/;
const reference = /^(0x[0-9a-f]+)(?: "(.*)")?/s;
const codeRange = /\[(0x[0-9a-f]+), (0x[0-9a-f]+)\)/g;
const dynamicExtents = new Set(['4294967295', '18446744073709551615', '-1']);
const classTags = new Set(['DW_TAG_structure_type', 'DW_TAG_class_type', 'DW_TAG_union_type']);
const qualifierTags = new Set(['DW_TAG_typedef', 'DW_TAG_const_type', 'DW_TAG_volatile_type',
  'DW_TAG_restrict_type', 'DW_TAG_atomic_type']);

export function readDebugInfo(text, shownFiles) {
  return describeEntries(readEntries(text), shownFiles);
}

// The same from entries read otherwise (dwarf/dumped.mjs), with values as the text has them.
export function describeEntries({ entries, units }, shownFiles) {
  const types = {};
  const reader = { entries, types };
  const functions = [];
  for (const unit of units) {
    walk(unit, (entry) => {
      if (entry.tag !== 'DW_TAG_subprogram' || 'DW_AT_declaration' in entry.attributes) return;
      const file = declaredIn(inherited(reader, entry, 'DW_AT_decl_file'), shownFiles);
      const ranges = codeRanges(entry);
      if (file !== null && ranges.length > 0) functions.push(readFunction(reader, entry, file, ranges));
    });
  }
  return { functions, types };
}

// The tree of entries; each attribute's value is its text between the parentheses.
function readEntries(text) {
  const entries = new Map();
  const units = [];
  const open = []; // the entry last begun at each depth
  let attributes = null;
  let last = null;
  for (const line of text.split('\n')) {
    const begun = entryLine.exec(line);
    const attribute = begun ? null : attributeLine.exec(line);
    if (begun) {
      const depth = (begun[2].length - 1) / 2;
      last = null;
      attributes = null;
      if (begun[3] === 'NULL') continue;
      const entry = { offset: begun[1], tag: begun[3], attributes: {}, children: [], parent: open[depth - 1] ?? null };
      (entry.parent?.children ?? units).push(entry);
      open.length = depth;
      open[depth] = entry;
      attributes = entry.attributes;
      entries.set(entry.offset, entry);
    } else if (attribute && attributes) {
      last = attribute[1];
      attributes[last] = attribute[2];
    } else if (last !== null && line.trim() !== '') {
      attributes[last] += `\n${line.trim()}`; // a range or location list goes on over lines
    }
  }
  for (const entry of entries.values()) {
    for (const [name, value] of Object.entries(entry.attributes)) entry.attributes[name] = value.replace(/\)$/, '');
  }
  return { entries, units };
}

function walk(entry, visit) {
  visit(entry);
  for (const child of entry.children) walk(child, visit);
}

const text = (value) => /^"(.*)"$/s.exec(value)?.[1] ?? null;
const number = (value) => (value === undefined || !/^[+-]?(0x[0-9a-f]+|\d+)$/.test(value) ? null : Number(value));

// A definition names what it defines through the entry that declared it.
function origin(reader, entry) {
  const link = entry.attributes.DW_AT_specification ?? entry.attributes.DW_AT_abstract_origin;
  return link === undefined ? null : reader.entries.get(reference.exec(link)?.[1]) ?? null;
}

function inherited(reader, entry, name) {
  for (let at = entry, hops = 0; at !== null && hops < 8; at = origin(reader, at), hops += 1) {
    if (name in at.attributes) return at.attributes[name];
  }
  return undefined;
}

function declaration(reader, entry) {
  let at = entry;
  for (let hops = 0; origin(reader, at) !== null && hops < 8; hops += 1) at = origin(reader, at);
  return at;
}

// A decl_file path is the build's: match the shown path at a '/'.
function declaredIn(value, shownFiles) {
  const path = text(value ?? '');
  return path === null ? null : shownFile(path, shownFiles);
}

// wasm-ld leaves the copies it dropped at 0 or a tombstone address.
function codeRanges(entry) {
  const { DW_AT_low_pc: low, DW_AT_high_pc: high, DW_AT_ranges: ranges } = entry.attributes;
  const pairs = ranges !== undefined ? [...ranges.matchAll(codeRange)].map(([, a, b]) => [Number(a), Number(b)])
    : [[number(low), number(high)]];
  return pairs.filter(([a, b]) => a !== null && b !== null && a > 0 && a < b && a < 0xfffffffe);
}

function readFunction(reader, entry, file, ranges) {
  const variables = [];
  const lambda = closureOf(reader, entry);
  const visit = (parent, scope) => {
    for (const child of parent.children) {
      if (child.tag === 'DW_TAG_lexical_block') {
        const own = codeRanges(child);
        visit(child, own.length > 0 ? own : scope);
      } else if (child.tag === 'DW_TAG_formal_parameter' || child.tag === 'DW_TAG_variable') {
        variables.push(...readVariable(reader, child, scope, entry, lambda));
      }
    }
  };
  visit(entry, null);
  // Declaration order, parameters first (a block's variables come after the function's in the tree).
  variables.sort((a, b) => Number(b.parameter) - Number(a.parameter) || (a.line ?? 0) - (b.line ?? 0));
  return {
    name: learnerName(functionName(reader, entry)),
    file,
    line: number(inherited(reader, entry, 'DW_AT_decl_line')),
    ranges,
    frameBase: frameBase(entry.attributes.DW_AT_frame_base),
    variables,
  };
}

function readVariable(reader, entry, scope, function_, lambda) {
  const name = text(inherited(reader, entry, 'DW_AT_name') ?? '');
  const location = readLocation(entry.attributes.DW_AT_location, frameBase(function_.attributes.DW_AT_frame_base));
  const typeLink = inherited(reader, entry, 'DW_AT_type');
  if (name === null || location === null || typeLink === undefined) return [];
  const parameter = entry.tag === 'DW_TAG_formal_parameter';
  const artificial = 'DW_AT_artificial' in entry.attributes;
  if (artificial && name !== 'this') return []; // a range-for's __range1, __begin1 and __end1
  if (lambda !== null && artificial) {
    // A lambda's captures are its closure's members, reached through `this`.
    return memberEntries(lambda).map((member) => ({
      name: text(member.attributes.DW_AT_name),
      type: typeKey(reader, member.attributes.DW_AT_type),
      location: { ...location, via: memberOffset(member) },
      line: number(member.attributes.DW_AT_decl_line),
      scope,
      parameter: false,
    }));
  }
  const line = number(inherited(reader, entry, 'DW_AT_decl_line'));
  return [{ name, type: typeKey(reader, typeLink), location, line, scope, parameter }];
}

function frameBase(value = '') {
  const [, kind, index] = /^DW_OP_WASM_location (0x[0-3]) (0x[0-9a-f]+|\d+)/.exec(value) ?? [];
  if (kind === undefined) return null;
  return kind === '0x0' ? { local: Number(index) } : { global: Number(index) };
}

// { frame } from the frame base, { local } that holds the variable's address,
// or { address } for a static one; null for what a stop cannot read.
function readLocation(value = '', base) {
  let found = /^DW_OP_fbreg ([+-]?\d+)$/.exec(value);
  if (found) return { frame: Number(found[1]) };
  found = /^DW_OP_WASM_location 0x0 (0x[0-9a-f]+|\d+)$/.exec(value);
  if (found) return { local: Number(found[1]) };
  found = /^DW_OP_addr (0x[0-9a-f]+)$/.exec(value);
  if (found) return { address: Number(found[1]) };
  found = /^DW_OP_WASM_location 0x[13] (0x[0-9a-f]+|\d+), DW_OP_plus_uconst (0x[0-9a-f]+|\d+)$/.exec(value);
  if (found && base?.global === Number(found[1])) return { frame: Number(found[2]) };
  return null;
}

function closureOf(reader, entry) {
  const owner = declaration(reader, entry).parent;
  return owner !== null && classTags.has(owner.tag) && !('DW_AT_name' in owner.attributes) ? owner : null;
}

function functionName(reader, entry) {
  const declared = declaration(reader, entry);
  const name = text(inherited(reader, entry, 'DW_AT_name') ?? '') ?? '?';
  const owner = declared.parent;
  if (owner === null || !classTags.has(owner.tag)) return name;
  if (closureOf(reader, entry) === null) return `${scopeName(reader, owner)}::${name}`;
  const around = owner.parent;
  if (around?.tag === 'DW_TAG_subprogram') return `${functionName(reader, around)}'s lambda`;
  return around !== null && classTags.has(around.tag) ? `${scopeName(reader, around)}'s lambda` : 'lambda';
}

// The classes around a class, by name: what a learner calls a member function by.
function scopeName(reader, entry) {
  const names = [];
  for (let at = entry; at !== null && classTags.has(at.tag); at = at.parent) {
    names.unshift(text(at.attributes.DW_AT_name ?? '') ?? 'lambda');
  }
  return names.join('::');
}

function qualifiedName(entry) {
  const names = [];
  for (let at = entry; at !== null && at.tag !== 'DW_TAG_compile_unit'; at = at.parent) {
    const anonymous = at.tag === 'DW_TAG_namespace' ? '(anonymous namespace)' : '';
    names.unshift(text(at.attributes.DW_AT_name ?? '') ?? anonymous);
  }
  return names.join('::');
}

// The name a learner knows a type or function by: without the standard library's inline
// namespace, the anonymous one, or a span's dynamic extent.
function learnerName(name) {
  return name.replace(/std::__2::/g, 'std::').replace(/\(anonymous namespace\)::/g, '')
    .replace(/, 4294967295UL>/g, '>').replace(/(\d+)UL\b/g, '$1').replace(/^class $/, 'lambda');
}

// The name of the type behind a variable's const or volatile, as the reference to it gives it.
function typeName(reader, key, given) {
  let [entry, name] = [reader.entries.get(key), given];
  for (let hops = 0; (entry?.tag === 'DW_TAG_const_type' || entry?.tag === 'DW_TAG_volatile_type') && hops < 8;
    hops += 1) {
    const [, next, inner] = reference.exec(entry.attributes.DW_AT_type ?? '') ?? [];
    if (next === undefined) break;
    [entry, name] = [reader.entries.get(next), inner];
  }
  return learnerName(name ?? '');
}

// The key of the type a DW_AT_type value refers to, described in reader.types with all it reaches.
function typeKey(reader, link) {
  const [, key, name] = reference.exec(link ?? '') ?? [];
  if (key === undefined) return null;
  if (!(key in reader.types)) {
    reader.types[key] = null; // taken, so that a type that reaches itself ends
    reader.types[key] = { ...describeType(reader, reader.entries.get(key)), name: typeName(reader, key, name) };
  }
  return key;
}

function describeType(reader, found) {
  let entry = found;
  for (let hops = 0; entry !== undefined && qualifierTags.has(entry.tag) && hops < 16; hops += 1) {
    const next = reference.exec(entry.attributes.DW_AT_type ?? '')?.[1];
    entry = next === undefined ? undefined : reader.entries.get(next);
  }
  if (entry === undefined) return { kind: 'unknown' }; // void
  const { attributes } = entry;
  const size = number(attributes.DW_AT_byte_size);
  switch (entry.tag) {
    case 'DW_TAG_base_type': return baseType(attributes.DW_AT_encoding, size);
    case 'DW_TAG_enumeration_type': return enumType(reader, entry, size);
    case 'DW_TAG_pointer_type': return { kind: 'pointer', to: typeKey(reader, attributes.DW_AT_type) };
    case 'DW_TAG_reference_type':
    case 'DW_TAG_rvalue_reference_type': return { kind: 'reference', to: typeKey(reader, attributes.DW_AT_type) };
    case 'DW_TAG_array_type': return {
      kind: 'array',
      of: typeKey(reader, attributes.DW_AT_type),
      counts: entry.children.filter((child) => child.tag === 'DW_TAG_subrange_type').map(subrangeCount),
    };
    default: return classTags.has(entry.tag) && !('DW_AT_declaration' in attributes)
      ? classType(reader, entry, size) : { kind: 'unknown' };
  }
}

function baseType(encoding, size) {
  switch (encoding) {
    case 'DW_ATE_boolean': return { kind: 'bool' };
    case 'DW_ATE_float': return { kind: 'float', size };
    case 'DW_ATE_signed': return { kind: 'int', size, signed: true };
    case 'DW_ATE_unsigned': case 'DW_ATE_UTF': return { kind: 'int', size, signed: false };
    case 'DW_ATE_signed_char': return { kind: 'int', size, signed: true, char: true };
    case 'DW_ATE_unsigned_char': return { kind: 'int', size, signed: false, char: true };
    default: return { kind: 'unknown' };
  }
}

function enumType(reader, entry, size) {
  const names = {};
  for (const child of entry.children.filter((each) => each.tag === 'DW_TAG_enumerator')) {
    const value = child.attributes.DW_AT_const_value;
    if (number(value) !== null) names[BigInt(value).toString()] = text(child.attributes.DW_AT_name);
  }
  const underlying = typeKey(reader, entry.attributes.DW_AT_type);
  const signed = underlying === null ? Object.keys(names).some((value) => value.startsWith('-'))
    : reader.types[underlying]?.signed === true;
  return { kind: 'enum', size, signed, names };
}

function subrangeCount({ attributes }) {
  const count = number(attributes.DW_AT_count);
  const upper = number(attributes.DW_AT_upper_bound);
  return count ?? (upper === null ? 0 : upper + 1);
}

const memberEntries = (entry) => entry.children.filter(({ tag, attributes }) =>
  (tag === 'DW_TAG_member' || tag === 'DW_TAG_inheritance') && !('DW_AT_declaration' in attributes)
  && !('DW_AT_external' in attributes) && !('DW_AT_bit_size' in attributes));

const memberOffset = (member) => number(/(0x[0-9a-f]+|\d+)\)?$/.exec(member.attributes.DW_AT_data_member_location
  ?? '0')?.[1]) ?? 0;

function member(entry, name) {
  return memberEntries(entry).find((each) => text(each.attributes.DW_AT_name ?? '') === name);
}

function classType(reader, entry, size) {
  const name = qualifiedName(entry);
  // libc++'s containers as their pretty printers show them: their cells.
  if (/^std::(__2::)?array</.test(name)) {
    const cells = member(entry, '__elems_');
    if (cells === undefined) { // std::array<T, 0>
      return { kind: 'array', of: templateArgument(reader, entry), counts: [0], offset: 0, size };
    }
    const { of, counts } = describeType(reader, reader.entries.get(reference.exec(cells.attributes.DW_AT_type)[1]));
    return { kind: 'array', of, counts, offset: memberOffset(cells), size };
  }
  const data = /^std::(__2::)?span</.test(name) ? member(entry, '__data_') : undefined;
  if (data !== undefined) {
    const pointer = describeType(reader, reader.entries.get(reference.exec(data.attributes.DW_AT_type)[1]));
    const count = member(entry, '__size_');
    const extent = entry.children.find((child) => child.tag === 'DW_TAG_template_value_parameter'
      && text(child.attributes.DW_AT_name ?? '') === '_Extent')?.attributes.DW_AT_const_value;
    return {
      kind: 'span',
      of: pointer.to ?? null,
      dataOffset: memberOffset(data),
      sizeOffset: count === undefined ? null : memberOffset(count),
      extent: extent === undefined || dynamicExtents.has(extent) ? null : Number(extent),
      size,
    };
  }
  return {
    kind: 'struct',
    size,
    members: memberEntries(entry).map((each) => {
      const type = typeKey(reader, each.attributes.DW_AT_type);
      const name = text(each.attributes.DW_AT_name ?? '') ?? reader.types[type]?.name ?? '';
      return { name, type, offset: memberOffset(each) };
    }),
  };
}

function templateArgument(reader, entry) {
  const parameter = entry.children.find((child) => child.tag === 'DW_TAG_template_type_parameter');
  return parameter === undefined ? null : typeKey(reader, parameter.attributes.DW_AT_type);
}
