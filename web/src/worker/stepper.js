// Where a stepped run is, from the stops it reaches (web/stops puts one
// before every statement of the files Source shows), and whether it should
// stop there: the call stack, kept from each stop's frame base (the stack
// grows down, so a frame above the one reached has returned), and the step
// asked for. Plain data, no DOM.

// What a program tells on descriptor 3 when it reaches a stop, "stop ROW
// FRAME FIRST SECOND\n": those four numbers, or null for any other line.
const stopLine = /^stop (-?\d+) (-?\d+) (-?\d+) (-?\d+)\n$/;

export function stopTold(bytes) {
  const told = bytes[0] === 0x73 ? stopLine.exec(new TextDecoder().decode(bytes)) : null;
  return told === null ? null : told.slice(1).map(Number);
}

// debug: what the build read from the debug information, { stops:
// [{ address, file, line, function }], functions: [{ name, passed, ... }] };
// without it, a program that tells no stops.
export class Stepper {
  constructor(debug = { stops: [], functions: [] }) {
    this.debug = debug;
    this.frames = []; // outermost first: { function, frame, row, locals }
    this.how = null; // null: run freely; 'into', 'over' or 'out'
    this.depth = 0; // the frames there were when the step began
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
    const { frames } = this;
    // Each frame lies below its caller's, `frameSize` under the stack as it
    // was at the call: a frame it does not lie below has returned.
    const top = frame + (this.debug.functions[stop.function].frameSize ?? 0);
    const same = (f) => f.frame === frame && f.function === stop.function;
    while (frames.length > 0 && !same(frames.at(-1)) && top > frames.at(-1).frame) {
      frames.pop();
    }
    if (frames.length === 0 || !same(frames.at(-1))) {
      frames.push({ function: stop.function, frame });
    }
    const passed = this.debug.functions[stop.function].passed ?? [];
    Object.assign(frames.at(-1), { row, locals: { [passed[0]]: first, [passed[1]]: second } });
    const depth = frames.length;
    const stops = this.how === 'into' || (this.how === 'over' && depth <= this.depth)
      || (this.how === 'out' && depth < this.depth) || this.breaks.has(`${stop.file}:${stop.line}`);
    if (stops) {
      this.how = null;
    }
    return stops;
  }

  // Runs to the next stop (into), the next in this function or its caller
  // (over), the next in its caller (out), or the next breakpoint (null).
  go(how) {
    this.how = how;
    this.depth = this.frames.length;
  }

  // The call stack, innermost first, as variables.js reads it.
  get stack() {
    return this.frames.map(({ function: index, frame, row, locals }) => {
      const { address, line } = this.debug.stops[row];
      return { function: index, pc: address, line, frame, locals };
    }).reverse();
  }
}
