// The DWARF codes this reader and its callers look at, by what they mean
// here: the tags of entries, their attributes, base types' encodings.

export const Tag = {
  arrayType: 0x01, classType: 0x02, enumerationType: 0x04, formalParameter: 0x05, lexicalBlock: 0x0b,
  member: 0x0d, pointerType: 0x0f, referenceType: 0x10, compileUnit: 0x11, structureType: 0x13,
  subroutineType: 0x15, typedef: 0x16, unionType: 0x17, unspecifiedParameters: 0x18, inheritance: 0x1c,
  ptrToMemberType: 0x1f, subrangeType: 0x21, baseType: 0x24, constType: 0x26, enumerator: 0x28,
  subprogram: 0x2e, templateTypeParameter: 0x2f, templateValueParameter: 0x30, variable: 0x34,
  volatileType: 0x35, restrictType: 0x37, namespace: 0x39, unspecifiedType: 0x3b, typeUnit: 0x41,
  rvalueReferenceType: 0x42, atomicType: 0x47, skeletonUnit: 0x4a,
};

export const Attribute = {
  location: 0x02, name: 0x03, byteSize: 0x0b, bitSize: 0x0d, stmtList: 0x10, lowPc: 0x11, highPc: 0x12,
  compDir: 0x1b, constValue: 0x1c, containingType: 0x1d, lowerBound: 0x22, upperBound: 0x2f,
  abstractOrigin: 0x31, artificial: 0x34, count: 0x37, dataMemberLocation: 0x38, declFile: 0x3a, declLine: 0x3b,
  declarationOnly: 0x3c, encoding: 0x3e, external: 0x3f, frameBase: 0x40,
  declaration: 0x47, // the entry that declared what this one defines
  type: 0x49, ranges: 0x55, reference: 0x77, rvalueReference: 0x78,
  strOffsetsBase: 0x72, addrBase: 0x73, rnglistsBase: 0x74, loclistsBase: 0x8c,
};

export const Encoding = {
  boolean: 0x02, float: 0x04, signed: 0x05, signedChar: 0x06, unsigned: 0x07, unsignedChar: 0x08, utf: 0x10,
};

// Attributes whose block is a DWARF expression (a location, a frame base, a member's offset).
export const expressions = new Set([Attribute.location, Attribute.frameBase, Attribute.dataMemberLocation]);
