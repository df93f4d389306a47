// A unit's abbreviations (.debug_abbrev): for each code, the entry's tag,
// whether it has children, and its attributes' names and forms. Units that
// share a table share one reading of it.
import { Bytes } from './bytes.mjs';
import { attributeName, tagName } from './constants.mjs';

const implicitConst = 0x21;

export function readAbbreviations(section, offset) {
  const bytes = new Bytes(section, offset);
  const table = new Map();
  for (;;) {
    const code = bytes.uleb();
    if (code === 0) return table;
    const tag = tagName(bytes.uleb());
    const children = bytes.u8() !== 0;
    const specs = [];
    for (;;) {
      const name = bytes.uleb();
      const form = bytes.uleb();
      if (name === 0 && form === 0) break;
      // An implicit constant's value is in the abbreviation, not in each entry.
      const value = form === implicitConst ? bytes.slebBig() : undefined;
      specs.push({ name: attributeName(name), form, value });
    }
    table.set(code, { tag, children, specs });
  }
}
