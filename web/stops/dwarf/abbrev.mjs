// A unit's abbreviations (.debug_abbrev): for each code, the entry's tag,
// whether it has children, its attributes' codes and forms, and where each
// attribute is among them. Units that share a table share one reading of it.
import { Bytes } from './bytes.mjs';
import { Form } from './forms.mjs';

export function readAbbreviations(section, offset) {
  const bytes = new Bytes(section, offset);
  const table = new Map();
  for (;;) {
    const code = bytes.uleb();
    if (code === 0) return table;
    const tag = bytes.uleb();
    const children = bytes.u8() !== 0;
    const specs = [];
    const positions = new Map();
    for (;;) {
      const attribute = bytes.uleb();
      const form = bytes.uleb();
      if (attribute === 0 && form === 0) break;
      // An implicit constant's value is in the abbreviation, not in each entry.
      const value = form === Form.implicitConst ? bytes.slebBig() : undefined;
      positions.set(attribute, specs.length);
      specs.push({ attribute, form, value });
    }
    table.set(code, { tag, children, specs, positions });
  }
}
