// A type's name as C++ writes it, from its entry and those it refers to:
// "const char *", "int (&)[3][4]", "void (*)(int)",
// "std::__2::array<int, 5UL>" (the scopes around it, the template
// arguments as clang names them), "class " for a lambda's closure, as
// llvm-dwarfdump names them too.
import { Attribute, Tag } from './constants.mjs';

const pointerLike = { [Tag.pointerType]: '*', [Tag.referenceType]: '&', [Tag.rvalueReferenceType]: '&&' };
const unscoped = new Set([Tag.compileUnit, Tag.typeUnit, Tag.skeletonUnit, Tag.subprogram, Tag.lexicalBlock]);
const qualifiers = new Set([Tag.constType, Tag.volatileType]);
// An unnamed type by its kind.
const kinds = { [Tag.classType]: 'class', [Tag.structureType]: 'structure', [Tag.unionType]: 'union',
  [Tag.enumerationType]: 'enumeration' };
const integer = (value) => (typeof value === 'number' || typeof value === 'bigint' ? BigInt(value) : null);

export function typeName(entry) {
  const printer = new Printer();
  printer.qualified(entry);
  return printer.out;
}

class Printer {
  constructor() {
    this.out = '';
    this.word = true; // the last thing written was a word, so a '*' or '(' after it needs a space
  }

  referenced(entry, attribute = Attribute.type) {
    return entry?.value(attribute) ?? null;
  }

  // A pointer to a function or an array, const or not, is written (*).
  needsParentheses(entry) {
    let inner = entry;
    while (inner !== null && qualifiers.has(inner.tag)) inner = this.referenced(inner);
    return inner?.tag === Tag.subroutineType || inner?.tag === Tag.arrayType;
  }

  name(entry) {
    return entry.value(Attribute.name) ?? null;
  }

  qualified(entry) {
    if (entry !== null) this.scopes(entry.parent);
    this.after(entry, this.before(entry));
  }

  qualifiedBefore(entry) {
    if (entry !== null) this.scopes(entry.parent);
    return this.before(entry);
  }

  scopes(entry) {
    if (entry === null || unscoped.has(entry.tag)) return;
    this.scopes(entry.parent);
    this.after(entry, this.before(entry));
    this.out += '::';
  }

  // What comes before the name a declaration would give (int in "int (*)[3]"); returns the type inside.
  before(entry) {
    this.word = true;
    if (entry === null) { this.out += 'void'; return null; }
    const inner = this.referenced(entry);
    const { tag } = entry;
    if (tag in pointerLike) {
      this.qualifiedBefore(inner);
      if (this.word) this.out += ' ';
      if (this.needsParentheses(inner)) this.out += '(';
      this.out += pointerLike[tag];
      this.word = false;
    } else if (tag === Tag.subroutineType) {
      this.qualifiedBefore(inner);
      if (this.word) this.out += ' ';
      this.word = false;
    } else if (tag === Tag.arrayType) {
      this.qualifiedBefore(inner);
    } else if (tag === Tag.ptrToMemberType) {
      this.qualifiedBefore(inner);
      if (this.needsParentheses(inner)) this.out += '(';
      else if (this.word) this.out += ' ';
      const owner = this.referenced(entry, Attribute.containingType);
      if (owner !== null) { this.qualified(owner); this.out += '::'; }
      this.out += '*';
      this.word = false;
    } else if (qualifiers.has(tag)) {
      this.qualifiersBefore(entry);
    } else if (tag === Tag.namespace) {
      this.out += this.name(entry) ?? '(anonymous namespace)';
    } else if (tag === Tag.unspecifiedType) {
      const name = this.name(entry) ?? '';
      this.out += name === 'decltype(nullptr)' ? 'std::nullptr_t' : name;
    } else {
      const name = this.name(entry);
      if (name !== null) this.out += name;
      else if (tag in kinds) this.out += `${kinds[tag]} `;
    }
    return inner;
  }

  // What comes after it (the [3] of an array, a function's parameters).
  after(entry, inner) {
    if (entry === null) return;
    const { tag } = entry;
    if (tag === Tag.subroutineType) this.parameters(entry, inner, false, false);
    else if (tag === Tag.arrayType) this.bounds(entry);
    else if (qualifiers.has(tag)) this.qualifiersAfter(entry);
    else if (tag in pointerLike || tag === Tag.ptrToMemberType) {
      if (this.needsParentheses(inner)) this.out += ')';
      this.after(inner, this.referenced(inner));
    }
  }

  // A const volatile pair counts as one: [type inside, const, volatile].
  qualifiers(entry) {
    let [type, constant, volatile] = [this.referenced(entry), entry.tag === Tag.constType,
      entry.tag === Tag.volatileType];
    if (qualifiers.has(type?.tag)) {
      if (type.tag === Tag.constType) constant = true; else volatile = true;
      type = this.referenced(type);
    }
    return [type, constant, volatile];
  }

  qualifiersBefore(entry) {
    const [type, constant, volatile] = this.qualifiers(entry);
    const subroutine = type?.tag === Tag.subroutineType;
    let element = type;
    while (element?.tag === Tag.arrayType) element = this.referenced(element);
    // "const int", but "int *const": after a pointer, the qualifier comes last.
    const leading = (element === null || (element.tag !== Tag.pointerType
      && element.tag !== Tag.ptrToMemberType)) && !subroutine;
    if (leading) this.out += `${constant ? 'const ' : ''}${volatile ? 'volatile ' : ''}`;
    this.qualifiedBefore(type);
    if (!leading && !subroutine) {
      this.word = true;
      this.out += [constant ? 'const' : '', volatile ? 'volatile' : ''].filter(Boolean).join(' ');
    }
  }

  qualifiersAfter(entry) {
    const [type, constant, volatile] = this.qualifiers(entry);
    if (type?.tag === Tag.subroutineType) this.parameters(type, this.referenced(type), constant, volatile);
    else this.after(type, this.referenced(type));
  }

  parameters(entry, inner, constant, volatile) {
    this.out += '(';
    let first = true;
    for (const child of entry.children) {
      if (child.tag !== Tag.formalParameter && child.tag !== Tag.unspecifiedParameters) return;
      if (!first) this.out += ', ';
      first = false;
      if (child.tag === Tag.unspecifiedParameters) this.out += '...';
      else this.qualified(this.referenced(child));
    }
    this.out += ')';
    if (constant) this.out += ' const';
    if (volatile) this.out += ' volatile';
    if (entry.has(Attribute.reference)) this.out += ' &';
    if (entry.has(Attribute.rvalueReference)) this.out += ' &&';
    this.after(inner, this.referenced(inner));
  }

  // [N] for each dimension: C and C++ count from 0.
  bounds(entry) {
    for (const child of entry.children) {
      if (child.tag !== Tag.subrangeType) continue;
      let lower = integer(child.value(Attribute.lowerBound));
      const count = integer(child.value(Attribute.count));
      const upper = integer(child.value(Attribute.upperBound));
      if (lower === 0n) lower = null;
      if (lower === null && count === null && upper === null) this.out += '[]';
      else if (lower === null) this.out += `[${count ?? upper + 1n}]`;
      else this.out += `[[${lower}, ${count !== null ? lower + count : upper !== null ? upper + 1n : '?'})]`;
    }
  }
}

