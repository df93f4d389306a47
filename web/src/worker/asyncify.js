// Runs a program built with binaryen's Asyncify so that an import may wait:
// when the import returns a Promise, the program's stack is unwound into a
// scratch region of its memory and the program returns; once the promise
// settles, the stack is rewound, and the import, called again with the same
// arguments, stops the rewind and returns what the promise gave. Nothing
// else runs the program meanwhile, so the page stays responsive and no
// SharedArrayBuffer is needed.

import { Exit } from './wasi.js';

const unwinding = 1;
const rewinding = 2;
const scratchSize = 65536; // one page of memory, for the saved stack

export class Asyncify {
  constructor() {
    this.exports = null;
    this.scratch = 0;
    this.pending = null;
    this.value = undefined;
  }

  // The same imports, with those of `module` that may wait made able to.
  wrap(imports, module, names) {
    const wrapped = { ...imports };
    const calls = imports[module];
    const waiting = {};
    for (const name of names) {
      waiting[name] = (...args) => {
        if (this.exports.asyncify_get_state() === rewinding) {
          this.exports.asyncify_stop_rewind();
          return this.value;
        }
        const result = calls[name](...args);
        if (!(result instanceof Promise)) {
          return result;
        }
        this.pending = result;
        this.exports.asyncify_start_unwind(this.scratch);
        return 0; // unused: the program unwinds
      };
    }
    wrapped[module] = new Proxy(calls, { get: (target, name) => waiting[name] ?? target[name] });
    return wrapped;
  }

  // Takes the instance, and a page of its memory for the saved stack (the
  // programs have no allocator to ask): [start, end] of the region, then the region.
  attach(instance) {
    this.exports = instance.exports;
    const memory = instance.exports.memory;
    this.scratch = memory.grow(1) * 65536;
    const view = new DataView(memory.buffer);
    view.setUint32(this.scratch, this.scratch + 8, true);
    view.setUint32(this.scratch + 4, this.scratch + scratchSize, true);
  }

  // Calls the export `name` until it has really returned (or thrown).
  async run(name) {
    for (;;) {
      this.exports[name]();
      if (this.exports.asyncify_get_state() !== unwinding) {
        return;
      }
      this.exports.asyncify_stop_unwind();
      this.value = await this.pending;
      this.pending = null;
      this.exports.asyncify_start_rewind(this.scratch);
    }
  }
}

// Instantiates an Asyncify-built WASI program with `wasi` (wasi.js) and runs
// it to its end; resolves to its exit status. fd_read and fd_write may wait.
// `ready` has the instance before the program starts.
export async function runProgram(module, wasi, ready = () => {}) {
  const asyncify = new Asyncify();
  const imports = asyncify.wrap(wasi.imports(), 'wasi_snapshot_preview1', ['fd_read', 'fd_write']);
  const instance = await WebAssembly.instantiate(module, imports);
  wasi.memory = instance.exports.memory;
  asyncify.attach(instance);
  ready(instance);
  try {
    await asyncify.run('_start');
    return 0;
  } catch (error) {
    if (error instanceof Exit) {
      return error.code;
    }
    throw error;
  }
}
