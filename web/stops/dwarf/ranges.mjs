// Address ranges and location lists: DWARF 4's .debug_ranges and .debug_loc,
// DWARF 5's .debug_rnglists and .debug_loclists. Addresses come out as the
// lists give them, tombstones included (wasm-ld's -1 and -2 for dropped
// code): which ranges count is the reader's to say.
import { Bytes } from './bytes.mjs';
import { Form } from './forms.mjs';

const largest = (unit) => 2 ** (8 * unit.addressSize) - 1; // a base address selection in DWARF 4

const addressAt = (unit, index) => unit.address({ form: Form.addrx, value: index });

// Walks one list, calling `entry(low, high, bytes)` for each range; `located` lists have an expression after each.
function walkList(unit, offset, located, entry) {
  let base = unit.baseAddress;
  if (unit.version < 5) {
    const bytes = new Bytes(unit.sections[located ? '.debug_loc' : '.debug_ranges'], offset);
    for (;;) {
      const start = bytes.sized(unit.addressSize);
      const end = bytes.sized(unit.addressSize);
      if (start === 0 && end === 0) return;
      if (start === largest(unit)) { base = end; continue; }
      entry(base + start, base + end, located ? bytes.take(bytes.u16()) : null);
    }
  }
  const bytes = new Bytes(unit.sections[located ? '.debug_loclists' : '.debug_rnglists'], offset);
  // The kinds that loclists number one higher, past DW_LLE_default_location.
  const shift = (kind) => (located && kind >= 6 ? kind - 1 : kind);
  for (;;) {
    const kind = bytes.u8();
    const expression = () => (located ? bytes.take(bytes.uleb()) : null);
    if (kind === 0) return;
    if (located && kind === 5) { entry(0, largest(unit), expression()); continue; } // default location
    switch (shift(kind)) {
      case 1: base = addressAt(unit, bytes.uleb()); break;
      case 2: { const low = addressAt(unit, bytes.uleb()); entry(low, addressAt(unit, bytes.uleb()), expression()); break; }
      case 3: { const low = addressAt(unit, bytes.uleb()); entry(low, low + bytes.uleb(), expression()); break; }
      case 4: { const low = base + bytes.uleb(); entry(low, base + bytes.uleb(), expression()); break; }
      case 5: base = bytes.sized(unit.addressSize); break;
      case 6: { const low = bytes.sized(unit.addressSize); entry(low, bytes.sized(unit.addressSize), expression()); break; }
      case 7: { const low = bytes.sized(unit.addressSize); entry(low, low + bytes.uleb(), expression()); break; }
      default: throw new Error(`list entry kind ${kind} at ${bytes.at - 1} is not one DWARF 5 has`);
    }
  }
}

export function rangeList(unit, offset) {
  const found = [];
  walkList(unit, offset, false, (low, high) => found.push([low, high]));
  return found;
}

export function locationList(unit, offset) {
  const found = [];
  walkList(unit, offset, true, (low, high, expression) => found.push({ low, high, expression }));
  return found;
}
