// What the compiler's debug information says of the functions of the files
// Source shows: their code, frame base and variables, where each variable
// lives, and the types those variables reach. Plain JSON-able data, from
// which src/worker/variables.js shows the variables in memory. Type keys are
// the offsets of the type entries in .debug_info.
//
// Read from entries (dwarf/units.mjs): { offset, tag, parent, children,
// has(attribute), value(attribute) }, values typed (a string, a number, the
// entry referred to, an expression's operations...).
import { Attribute, Encoding, Tag } from './dwarf/constants.mjs';
import { Op } from './dwarf/expression.mjs';
import { shownFile } from './lines.mjs';

const dynamicExtents = new Set([2n ** 32n - 1n, 2n ** 64n - 1n, -1n]);
const classTags = new Set([Tag.structureType, Tag.classType, Tag.unionType]);
const qualifierTags = new Set([Tag.typedef, Tag.constType, Tag.volatileType, Tag.restrictType, Tag.atomicType]);
const hex = (offset) => `0x${offset.toString(16).padStart(8, '0')}`;
const number = (value) => (typeof value === 'number' || typeof value === 'bigint' ? Number(value) : null);
const text = (value) => (typeof value === 'string' ? value : null);

// `source`: { subprograms(), the entries to look among; typeName(entry), a type's name as C++ writes it }.
export function describeEntries(source, shownFiles) {
  const reader = { types: {}, typeName: source.typeName };
  const functions = [];
  for (const entry of source.subprograms()) {
    if (entry.has(Attribute.declarationOnly)) continue;
    const file = declaredIn(inherited(entry, Attribute.declFile), shownFiles);
    const ranges = codeRanges(entry);
    if (file !== null && ranges.length > 0) functions.push(readFunction(reader, entry, file, ranges));
  }
  return { functions, types: reader.types };
}

// A definition names what it defines through the entry that declared it.
const origin = (entry) => entry.value(Attribute.declaration) ?? entry.value(Attribute.abstractOrigin) ?? null;

function inherited(entry, attribute) {
  for (let at = entry, hops = 0; at !== null && hops < 8; at = origin(at), hops += 1) {
    if (at.has(attribute)) return at.value(attribute);
  }
  return undefined;
}

function declaration(entry) {
  let at = entry;
  for (let hops = 0; origin(at) !== null && hops < 8; hops += 1) at = origin(at);
  return at;
}

// A decl_file path is the build's: match the shown path at a '/'.
function declaredIn(path, shownFiles) {
  return typeof path === 'string' ? shownFile(path, shownFiles) : null;
}

// wasm-ld leaves the copies it dropped at 0 or a tombstone address.
function codeRanges(entry) {
  const pairs = entry.value(Attribute.ranges)
    ?? [[number(entry.value(Attribute.lowPc)), number(entry.value(Attribute.highPc))]];
  return pairs.filter(([a, b]) => a !== null && b !== null && a > 0 && a < b && a < 0xfffffffe);
}

function readFunction(reader, entry, file, ranges) {
  const variables = [];
  const lambda = closureOf(entry);
  const base = frameBase(entry.value(Attribute.frameBase));
  const visit = (parent, scope) => {
    for (const child of parent.children) {
      if (child.tag === Tag.lexicalBlock) {
        const own = codeRanges(child);
        visit(child, own.length > 0 ? own : scope);
      } else if (child.tag === Tag.formalParameter || child.tag === Tag.variable) {
        variables.push(...readVariable(reader, child, scope, base, lambda));
      }
    }
  };
  visit(entry, null);
  // Declaration order, parameters first (a block's variables come after the function's in the tree).
  variables.sort((a, b) => Number(b.parameter) - Number(a.parameter) || (a.line ?? 0) - (b.line ?? 0));
  return {
    name: learnerName(functionName(entry)),
    file,
    line: number(inherited(entry, Attribute.declLine)),
    ranges,
    frameBase: base,
    variables,
  };
}

function readVariable(reader, entry, scope, base, lambda) {
  const name = text(inherited(entry, Attribute.name));
  const location = readLocation(entry.value(Attribute.location), base);
  const type = inherited(entry, Attribute.type);
  if (name === null || location === null || type === undefined) return [];
  const parameter = entry.tag === Tag.formalParameter;
  const artificial = entry.has(Attribute.artificial);
  if (artificial && name !== 'this') return []; // a range-for's __range1, __begin1 and __end1
  if (lambda !== null && artificial) {
    // A lambda's captures are its closure's members, reached through `this`.
    return memberEntries(lambda).map((member) => ({
      name: text(member.value(Attribute.name)),
      type: typeKey(reader, member.value(Attribute.type)),
      location: { ...location, via: memberOffset(member) },
      line: number(member.value(Attribute.declLine)),
      scope,
      parameter: false,
    }));
  }
  const line = number(inherited(entry, Attribute.declLine));
  return [{ name, type: typeKey(reader, type), location, line, scope, parameter }];
}

// An expression of one operation, or of two: [op, operands, op, operands], else null.
function operations(expression, count) {
  if (!Array.isArray(expression) || expression.length !== count || 'low' in expression[0]) return null;
  return expression.flatMap(({ op, operands }) => [op, operands]);
}

// Its first operation: DW_OP_WASM_location 0 N (a local) or 1-3 N (a global).
function frameBase(expression) {
  const [first] = Array.isArray(expression) ? expression : [];
  const [kind, index] = first?.operands ?? [];
  if (first?.op !== Op.wasmLocation || kind > 3) return null;
  return kind === 0 ? { local: index } : { global: index };
}

// { frame } from the frame base, { local } that holds the variable's address,
// or { address } for a static one; null for what a stop cannot read.
function readLocation(expression, base) {
  const [op, [first, second] = []] = operations(expression, 1) ?? [];
  if (op === Op.fbreg) return { frame: first };
  if (op === Op.wasmLocation && first === 0) return { local: second };
  if (op === Op.addr) return { address: first };
  const [wasm, [kind, index] = [], plus, [offset] = []] = operations(expression, 2) ?? [];
  if (wasm === Op.wasmLocation && (kind === 1 || kind === 3) && plus === Op.plusUconst && base?.global === index) {
    return { frame: offset };
  }
  return null;
}

function closureOf(entry) {
  const owner = declaration(entry).parent;
  return owner !== null && classTags.has(owner.tag) && !owner.has(Attribute.name) ? owner : null;
}

function functionName(entry) {
  const name = text(inherited(entry, Attribute.name)) ?? '?';
  const owner = declaration(entry).parent;
  if (owner === null || !classTags.has(owner.tag)) return name;
  if (closureOf(entry) === null) return `${scopeName(owner)}::${name}`;
  const around = owner.parent;
  if (around?.tag === Tag.subprogram) return `${functionName(around)}'s lambda`;
  return around !== null && classTags.has(around.tag) ? `${scopeName(around)}'s lambda` : 'lambda';
}

// The classes around a class, by name: what a learner calls a member function by.
function scopeName(entry) {
  const names = [];
  for (let at = entry; at !== null && classTags.has(at.tag); at = at.parent) {
    names.unshift(text(at.value(Attribute.name)) ?? 'lambda');
  }
  return names.join('::');
}

function qualifiedName(entry) {
  const names = [];
  for (let at = entry; at !== null && at.tag !== Tag.compileUnit; at = at.parent) {
    const anonymous = at.tag === Tag.namespace ? '(anonymous namespace)' : '';
    names.unshift(text(at.value(Attribute.name)) ?? anonymous);
  }
  return names.join('::');
}

// The name a learner knows a type or function by: without the standard library's inline
// namespace, the anonymous one, or a span's dynamic extent.
function learnerName(name) {
  return name.replace(/std::__\d+::/g, 'std::').replace(/\(anonymous namespace\)::/g, '')
    .replace(/, 4294967295UL>/g, '>').replace(/(\d+)UL\b/g, '$1').replace(/^class $/, 'lambda');
}

// The type behind a type's const and volatile.
function unqualified(entry) {
  let found = entry;
  for (let hops = 0; (found.tag === Tag.constType || found.tag === Tag.volatileType) && hops < 8; hops += 1) {
    const inner = found.value(Attribute.type);
    if (!inner) break;
    found = inner;
  }
  return found;
}

// The key of the type entry given, described in reader.types with all it reaches.
function typeKey(reader, entry) {
  if (!entry) return null;
  const key = hex(entry.offset);
  if (!(key in reader.types)) {
    reader.types[key] = null; // taken, so that a type that reaches itself ends
    reader.types[key] = { ...describeType(reader, entry), name: learnerName(reader.typeName(unqualified(entry))) };
  }
  return key;
}

function describeType(reader, found) {
  let entry = found;
  for (let hops = 0; entry && qualifierTags.has(entry.tag) && hops < 16; hops += 1) entry = entry.value(Attribute.type);
  if (!entry) return { kind: 'unknown' }; // void
  const size = number(entry.value(Attribute.byteSize));
  const type = () => typeKey(reader, entry.value(Attribute.type));
  switch (entry.tag) {
    case Tag.baseType: return baseType(number(entry.value(Attribute.encoding)), size);
    case Tag.enumerationType: return enumType(reader, entry, size);
    case Tag.pointerType: return { kind: 'pointer', to: type() };
    case Tag.referenceType:
    case Tag.rvalueReferenceType: return { kind: 'reference', to: type() };
    case Tag.arrayType: return {
      kind: 'array',
      of: type(),
      counts: entry.children.filter((child) => child.tag === Tag.subrangeType).map(subrangeCount),
    };
    default: return classTags.has(entry.tag) && !entry.has(Attribute.declarationOnly)
      ? classType(reader, entry, size) : { kind: 'unknown' };
  }
}

function baseType(encoding, size) {
  switch (encoding) {
    case Encoding.boolean: return { kind: 'bool' };
    case Encoding.float: return { kind: 'float', size };
    case Encoding.signed: return { kind: 'int', size, signed: true };
    case Encoding.unsigned: case Encoding.utf: return { kind: 'int', size, signed: false };
    case Encoding.signedChar: return { kind: 'int', size, signed: true, char: true };
    case Encoding.unsignedChar: return { kind: 'int', size, signed: false, char: true };
    default: return { kind: 'unknown' };
  }
}

function enumType(reader, entry, size) {
  const names = {};
  for (const child of entry.children.filter((each) => each.tag === Tag.enumerator)) {
    const value = child.value(Attribute.constValue);
    if (number(value) !== null) names[value.toString()] = text(child.value(Attribute.name));
  }
  const underlying = typeKey(reader, entry.value(Attribute.type));
  const signed = underlying === null ? Object.keys(names).some((value) => value.startsWith('-'))
    : reader.types[underlying]?.signed === true;
  return { kind: 'enum', size, signed, names };
}

function subrangeCount(entry) {
  const count = number(entry.value(Attribute.count));
  const upper = number(entry.value(Attribute.upperBound));
  return count ?? (upper === null ? 0 : upper + 1);
}

const memberEntries = (entry) => entry.children.filter((child) => (child.tag === Tag.member
  || child.tag === Tag.inheritance) && !child.has(Attribute.declarationOnly) && !child.has(Attribute.external)
  && !child.has(Attribute.bitSize));

// A member's offset: a constant, or an expression that adds it.
function memberOffset(member) {
  const location = member.value(Attribute.dataMemberLocation);
  return number(location) ?? (Array.isArray(location) ? location.at(-1)?.operands.at(-1) : 0) ?? 0;
}

function member(entry, name) {
  return memberEntries(entry).find((each) => text(each.value(Attribute.name)) === name);
}

function classType(reader, entry, size) {
  const name = qualifiedName(entry);
  // libc++'s containers as their pretty printers show them: their cells.
  if (/^std::(__\d+::)?array</.test(name)) {
    const cells = member(entry, '__elems_');
    if (cells === undefined) { // std::array<T, 0>
      return { kind: 'array', of: templateArgument(reader, entry), counts: [0], offset: 0, size };
    }
    const { of, counts } = describeType(reader, cells.value(Attribute.type));
    return { kind: 'array', of, counts, offset: memberOffset(cells), size };
  }
  const data = /^std::(__\d+::)?span</.test(name) ? member(entry, '__data_') : undefined;
  if (data !== undefined) {
    const pointer = describeType(reader, data.value(Attribute.type));
    const count = member(entry, '__size_');
    const extent = entry.children.find((child) => child.tag === Tag.templateValueParameter
      && text(child.value(Attribute.name)) === '_Extent')?.value(Attribute.constValue);
    return {
      kind: 'span',
      of: pointer.to ?? null,
      dataOffset: memberOffset(data),
      sizeOffset: count === undefined ? null : memberOffset(count),
      extent: number(extent) === null || dynamicExtents.has(BigInt(extent)) ? null : Number(extent),
      size,
    };
  }
  return {
    kind: 'struct',
    size,
    members: memberEntries(entry).map((each) => {
      const type = typeKey(reader, each.value(Attribute.type));
      const name = text(each.value(Attribute.name)) ?? reader.types[type]?.name ?? '';
      return { name, type, offset: memberOffset(each) };
    }),
  };
}

function templateArgument(reader, entry) {
  const parameter = entry.children.find((child) => child.tag === Tag.templateTypeParameter);
  return parameter === undefined ? null : typeKey(reader, parameter.value(Attribute.type));
}
