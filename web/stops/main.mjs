// The page's build tool for stepping: reads the debug information the
// compiler wrote into a program built with -g -O0 (dwarf/, from its own
// sections, as the page's worker can too), and
// writes the program with a stop before each statement of the files Source
// shows (insert.mjs), and beside it what the page needs to show where it
// stopped and every variable there (JSON). No Node.js module here: the
// compiler's worker steps the programs it links with it too (cli.mjs is the build's).
import { moduleDebugInfo, moduleLineTable } from './dwarf/index.mjs';
import { entry, frameSize, insertStops } from './insert.mjs';
import { addresses } from './module.mjs';
import { statementStops } from './lines.mjs';

const mostPassed = 2; // locals a stop passes beside the frame base

export function stepping(bytes, shown) {
  const { armed, table } = addresses(bytes);
  if (armed === undefined) { // a build that tells nothing: as it is
    return { program: bytes, debug: { functions: [], types: {}, stops: [] } };
  }
  const info = moduleDebugInfo(bytes, shown);
  const stops = statementStops(moduleLineTable(bytes), shown, info.functions);
  let sp = null;
  for (const [index, function_] of info.functions.entries()) {
    const own = stops.filter((stop) => stop.function === index);
    // How far below its caller's stack its frame lies, to tell a call from a return.
    const prologue = frameSize(bytes, Math.min(...function_.ranges.map(([low]) => low)));
    function_.frameSize = prologue.size;
    if (prologue.size % entry.size !== 0) { // the callers' table has an entry for each 16 bytes of the stack
      throw new Error(`${function_.name} takes ${prologue.size} bytes of the stack, not a multiple of ${entry.size}`);
    }
    sp ??= prologue.sp;
    // The locals some variables live behind (parameters passed by address).
    function_.passed = [...new Set(function_.variables.flatMap(({ location }) => location.local ?? []))].sort();
    if (function_.passed.length > mostPassed) {
      throw new Error(`${function_.name} has variables behind ${function_.passed.length} locals; a stop passes two`);
    }
    for (const variable of function_.variables.filter((v) => !v.parameter)) {
      const inScope = own.filter(({ address }) => variable.scope === null
        || variable.scope.some(([low, high]) => address >= low && address < high));
      const declared = inScope.find(({ line }) => line === variable.line);
      if (declared !== undefined) {
        variable.setFrom = declared.address; // it holds a value after its declaration's statement has run
      }
    }
  }
  if (sp == null) {
    throw new Error('no function of the files shown has a frame on the stack, as -O0 gives each');
  }
  const places = (function_) => ({ frame: function_.frameBase, first: local(function_.passed[0]),
    second: local(function_.passed[1]) });
  const program = insertStops(bytes, {
    stops: stops.map((stop, row) => ({ ...stop, row, ...places(info.functions[stop.function]) })),
    functions: info.functions.map((function_) => ({ low: Math.min(...function_.ranges.map(([low]) => low)),
      ...places(function_) })),
    sp,
    armed,
    table,
  });
  return { program, debug: { ...info, stops, table } };
}

const local = (index) => (index === undefined ? null : { local: index });
