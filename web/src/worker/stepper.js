// Where a stepped run is, from the stops it reaches (web/stops puts one
// before every statement of the files Source shows), and whether it should
// stop there: the call stack, read at each stop from the frame base it
// tells and the callers' table in the program's memory, and the step asked
// for. Plain data, no DOM.

// What a program tells on descriptor 3 when it reaches a stop, "stop ROW
// FRAME FIRST SECOND\n": those four numbers, or null for any other line.
const stopLine = /^stop (-?\d+) (-?\d+) (-?\d+) (-?\d+)\n$/;

export function stopTold(bytes) {
  const told = bytes[0] === 0x73 ? stopLine.exec(new TextDecoder().decode(bytes)) : null;
  return told === null ? null : told.slice(1).map(Number);
}

// The callers' table (web/stops/insert.mjs): before each call of a shown
// function by another, the caller writes at `table + (its frame base &
// mask)` its row << 16 | (callee + 1), then the two locals it passes.
const entryMask = 0xfff0;
const mostFrames = 4096;

// debug: what the build read from the debug information, { stops:
// [{ address, file, line, function }], functions: [{ name, passed, ... }],
// table }; without it, a program that tells no stops. `memory`: the
// program's, once it runs.
export class Stepper {
  constructor(debug = { stops: [], functions: [] }) {
    this.debug = debug;
    this.memory = null;
    this.frames = []; // outermost first: { function, frame, row, locals }
    this.last = null; // the frames of the stop reached last, while every stop is told
    this.how = null; // null: run freely; 'into', 'over' or 'out'
    this.depth = 0; // the frames there were when the step began
    this.from = null; // the frames where the step began, if it began at a stop
    this.stopped = false; // the run waits at the last stop reached
    this.breaks = new Set(); // 'file:line'
  }

  // Whether the program must tell its stops at all.
  get armed() {
    return this.how !== null || this.breaks.size > 0;
  }

  // The program is at stop `row` of a function whose frame base is `frame`,
  // `first` and `second` the values of the locals it passes: whether to stop.
  reached(row, frame, first, second) {
    const stop = this.debug.stops[row];
    const here = (frames) => frames?.find((f) => f.frame === frame && f.function === stop.function);
    const before = here(this.last);
    this.frames = [...this.callers(stop.function, frame).reverse(),
      { function: stop.function, frame, row, locals: this.locals(stop.function, first, second) }];
    this.last = this.frames;
    const depth = this.frames.length;
    // As a debugger steps: a line is one step however many stops the compiler split it into,
    // and a breakpoint stops where its line is come to, not again at each of its stops.
    const onLine = (f) => f !== undefined && this.debug.stops[f.row].line === stop.line
      && this.debug.stops[f.row].file === stop.file;
    const sameLine = (this.how === 'into' || this.how === 'over') && onLine(here(this.from));
    const broken = this.breaks.has(`${stop.file}:${stop.line}`) && !onLine(before);
    const stops = !sameLine && (this.how === 'into' || (this.how === 'over' && depth <= this.depth)
      || (this.how === 'out' && depth < this.depth) || broken);
    if (stops) {
      this.how = null;
    }
    this.stopped = stops;
    return stops;
  }

  // The frames that called the one at `frame`, innermost first: each lies
  // just above its callee's (the stack grows down), and noted there which it
  // called; a frame the table does not hold ends them.
  callers(function_, frame) {
    const { table, functions, stops } = this.debug;
    const found = [];
    if (table === undefined || this.memory === null) {
      return found;
    }
    const words = new DataView(this.memory.buffer);
    for (let callee = function_, base = frame; found.length < mostFrames;) {
      const above = base + (functions[callee].frameSize ?? 0);
      const at = table + (above & entryMask);
      const word = words.getUint32(at, true);
      const row = word >>> 16;
      if ((word & 0xffff) !== callee + 1 || row >= stops.length) {
        break;
      }
      const caller = stops[row].function;
      found.push({ function: caller, frame: above, row,
        locals: this.locals(caller, words.getInt32(at + 8, true), words.getInt32(at + 12, true)) });
      [callee, base] = [caller, above];
    }
    return found;
  }

  locals(function_, first, second) {
    const passed = this.debug.functions[function_].passed ?? [];
    return { [passed[0]]: first, [passed[1]]: second };
  }

  // Runs to the next stop (into), the next in this function or its caller
  // (over), the next in its caller (out), or the next breakpoint (null).
  // From a free run, where the stack is not known, each goes to the next stop.
  go(how) {
    this.how = how;
    this.depth = this.stopped ? this.frames.length : Infinity;
    this.from = this.stopped ? this.frames : null;
    this.stopped = false;
  }

  // The call stack, innermost first, as variables.js reads it.
  get stack() {
    return this.frames.map(({ function: index, frame, row, locals }) => {
      const { address, line } = this.debug.stops[row];
      return { function: index, pc: address, line, frame, locals };
    }).reverse();
  }
}
