// The debug information of a WebAssembly module read from its own custom
// sections, as stops/main.mjs needs it: the line table's rows and what the
// functions of the files shown hold. No dependency and no Node-only API, so
// the page's worker can read a module it has just compiled.
import { describeEntries } from '../debug-info.mjs';
import { dumpedEntries } from './dumped.mjs';
import { readLineRows } from './line-program.mjs';
import { debugSections } from './sections.mjs';

// As readLineTable gives them from `llvm-dwarfdump --debug-line`.
export const moduleLineTable = (bytes) => readLineRows(debugSections(bytes));

// As readDebugInfo gives it from `llvm-dwarfdump --debug-info`.
export const moduleDebugInfo = (bytes, shownFiles) => describeEntries(dumpedEntries(debugSections(bytes), shownFiles),
  shownFiles);
