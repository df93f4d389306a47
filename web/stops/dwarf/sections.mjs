// The debug sections of a WebAssembly module: clang writes each as a custom
// section named as in ELF (.debug_info, .debug_line...). Views, not copies.

import { readUnsigned as uleb } from '../insert.mjs';

const customSection = 0;

// { '.debug_info': Uint8Array, ... } of the module's bytes.
export function debugSections(bytes) {
  const found = {};
  if (bytes[0] !== 0 || bytes[1] !== 0x61 || bytes[2] !== 0x73 || bytes[3] !== 0x6d) {
    throw new Error('not a WebAssembly module');
  }
  let at = 8;
  while (at < bytes.length) {
    const id = bytes[at];
    const { value: size, next: start } = uleb(bytes, at + 1);
    const end = start + size;
    if (id === customSection) {
      const { value: length, next } = uleb(bytes, start);
      const name = new TextDecoder().decode(bytes.subarray(next, next + length));
      if (name.startsWith('.debug_')) found[name] = bytes.subarray(next + length, end);
    }
    at = end;
  }
  return found;
}
