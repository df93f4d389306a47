// A type's name as C++ writes it and llvm-dwarfdump prints it beside each
// DW_AT_type: "const char *", "int (&)[3][4]", "void (*)(int)",
// "std::__2::array<int, 5UL>" (the scopes around it, the template
// arguments as clang names them), "class " for a lambda's closure.
// `entryAt(offset)` gives the entry at an offset of .debug_info.

const pointerLike = { DW_TAG_pointer_type: '*', DW_TAG_reference_type: '&', DW_TAG_rvalue_reference_type: '&&' };
const unscoped = new Set(['DW_TAG_compile_unit', 'DW_TAG_type_unit', 'DW_TAG_skeleton_unit', 'DW_TAG_subprogram',
  'DW_TAG_lexical_block']);

export function typeName(entry, entryAt) {
  const printer = new Printer(entryAt);
  printer.qualified(entry);
  return printer.out;
}

class Printer {
  constructor(entryAt) {
    this.entryAt = entryAt;
    this.out = '';
    this.word = true; // the last thing written was a word, so a '*' or '(' after it needs a space
  }

  referenced(entry, name = 'DW_AT_type') {
    const attribute = entry?.attributes[name];
    return attribute === undefined ? null : this.entryAt(entry.unit.reference(attribute)) ?? null;
  }

  // A pointer to a function or an array, const or not, is written (*).
  needsParentheses(entry) {
    let inner = entry;
    while (inner !== null && qualifiers.has(inner.tag)) inner = this.referenced(inner);
    return inner?.tag === 'DW_TAG_subroutine_type' || inner?.tag === 'DW_TAG_array_type';
  }

  name(entry) {
    return entry.unit.string(entry.attributes.DW_AT_name);
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
    } else if (tag === 'DW_TAG_subroutine_type') {
      this.qualifiedBefore(inner);
      if (this.word) this.out += ' ';
      this.word = false;
    } else if (tag === 'DW_TAG_array_type') {
      this.qualifiedBefore(inner);
    } else if (tag === 'DW_TAG_ptr_to_member_type') {
      this.qualifiedBefore(inner);
      if (this.needsParentheses(inner)) this.out += '(';
      else if (this.word) this.out += ' ';
      const owner = this.referenced(entry, 'DW_AT_containing_type');
      if (owner !== null) { this.qualified(owner); this.out += '::'; }
      this.out += '*';
      this.word = false;
    } else if (tag === 'DW_TAG_const_type' || tag === 'DW_TAG_volatile_type') {
      this.qualifiersBefore(entry);
    } else if (tag === 'DW_TAG_namespace') {
      this.out += this.name(entry) ?? '(anonymous namespace)';
    } else if (tag === 'DW_TAG_unspecified_type') {
      const name = this.name(entry) ?? '';
      this.out += name === 'decltype(nullptr)' ? 'std::nullptr_t' : name;
    } else {
      const name = this.name(entry);
      // An unnamed type by its tag: "class " for DW_TAG_class_type.
      if (name !== null) this.out += name;
      else if (tag.endsWith('_type')) this.out += `${tag.slice('DW_TAG_'.length, -'_type'.length)} `;
    }
    return inner;
  }

  // What comes after it (the [3] of an array, a function's parameters).
  after(entry, inner) {
    if (entry === null) return;
    const { tag } = entry;
    if (tag === 'DW_TAG_subroutine_type') this.parameters(entry, inner, false, false);
    else if (tag === 'DW_TAG_array_type') this.bounds(entry);
    else if (tag === 'DW_TAG_const_type' || tag === 'DW_TAG_volatile_type') this.qualifiersAfter(entry);
    else if (tag in pointerLike || tag === 'DW_TAG_ptr_to_member_type') {
      if (this.needsParentheses(inner)) this.out += ')';
      this.after(inner, this.referenced(inner));
    }
  }

  // A const volatile pair counts as one: [type inside, const, volatile].
  qualifiers(entry) {
    let [type, constant, volatile] = [this.referenced(entry), entry.tag === 'DW_TAG_const_type',
      entry.tag === 'DW_TAG_volatile_type'];
    if (type?.tag === 'DW_TAG_const_type' || type?.tag === 'DW_TAG_volatile_type') {
      if (type.tag === 'DW_TAG_const_type') constant = true; else volatile = true;
      type = this.referenced(type);
    }
    return [type, constant, volatile];
  }

  qualifiersBefore(entry) {
    const [type, constant, volatile] = this.qualifiers(entry);
    const subroutine = type?.tag === 'DW_TAG_subroutine_type';
    let element = type;
    while (element?.tag === 'DW_TAG_array_type') element = this.referenced(element);
    // "const int", but "int *const": after a pointer, the qualifier comes last.
    const leading = (element === null || (element.tag !== 'DW_TAG_pointer_type'
      && element.tag !== 'DW_TAG_ptr_to_member_type')) && !subroutine;
    if (leading) this.out += `${constant ? 'const ' : ''}${volatile ? 'volatile ' : ''}`;
    this.qualifiedBefore(type);
    if (!leading && !subroutine) {
      this.word = true;
      this.out += [constant ? 'const' : '', volatile ? 'volatile' : ''].filter(Boolean).join(' ');
    }
  }

  qualifiersAfter(entry) {
    const [type, constant, volatile] = this.qualifiers(entry);
    if (type?.tag === 'DW_TAG_subroutine_type') this.parameters(type, this.referenced(type), constant, volatile);
    else this.after(type, this.referenced(type));
  }

  parameters(entry, inner, constant, volatile) {
    this.out += '(';
    let first = true;
    for (const child of entry.children) {
      if (child.tag !== 'DW_TAG_formal_parameter' && child.tag !== 'DW_TAG_unspecified_parameters') return;
      if (!first) this.out += ', ';
      first = false;
      if (child.tag === 'DW_TAG_unspecified_parameters') this.out += '...';
      else this.qualified(this.referenced(child));
    }
    this.out += ')';
    if (constant) this.out += ' const';
    if (volatile) this.out += ' volatile';
    if ('DW_AT_reference' in entry.attributes) this.out += ' &';
    if ('DW_AT_rvalue_reference' in entry.attributes) this.out += ' &&';
    this.after(inner, this.referenced(inner));
  }

  // [N] for each dimension: C and C++ count from 0.
  bounds(entry) {
    for (const child of entry.children) {
      if (child.tag !== 'DW_TAG_subrange_type') continue;
      const constant = (name) => {
        const attribute = child.attributes[name];
        return attribute === undefined ? null : child.unit.constant(attribute);
      };
      let lower = constant('DW_AT_lower_bound');
      const count = constant('DW_AT_count');
      const upper = constant('DW_AT_upper_bound');
      if (lower === 0n) lower = null;
      if (lower === null && count === null && upper === null) this.out += '[]';
      else if (lower === null) this.out += `[${count ?? upper + 1n}]`;
      else this.out += `[[${lower}, ${count !== null ? lower + count : upper !== null ? upper + 1n : '?'})]`;
    }
  }
}

const qualifiers = new Set(['DW_TAG_const_type', 'DW_TAG_volatile_type']);
