// The debug information of a WebAssembly module read from its own custom
// sections, as stops/main.mjs needs it: the line table's rows and what the
// functions of the files shown hold. No dependency and no Node-only API, so
// the page's worker can read a module it has just compiled.
import { describeEntries } from '../debug-info.mjs';
import { shownFile } from '../lines.mjs';
import { Tag } from './constants.mjs';
import { lineRows } from './line-program.mjs';
import { debugSections } from './sections.mjs';
import { typeName } from './type-names.mjs';
import { DebugInfo } from './units.mjs';

// Every row of every line program: { address, file, line, statement, prologueEnd, end }.
export const moduleLineTable = (bytes) => [...lineRows(debugSections(bytes))];

// A unit that can hold a function of the files shown: one whose line table names one, or that refers
// into another unit (DW_FORM_ref_addr), where a declaration may be. The others cost a header and no more.
const mayHold = (unit, shownFiles) => unit.files().some((path) => path !== null && shownFile(path, shownFiles) !== null)
  || unit.refersOut;

// { functions, types } of the files shown, as stops/debug-info.mjs describes them.
export function moduleDebugInfo(bytes, shownFiles) {
  const info = new DebugInfo(debugSections(bytes));
  function* subprograms() {
    for (const unit of info.units()) if (mayHold(unit, shownFiles)) yield* unit.withTag(Tag.subprogram);
  }
  return describeEntries({ subprograms, typeName }, shownFiles);
}
