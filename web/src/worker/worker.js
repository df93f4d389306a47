// One run of one program, in a Web Worker of its own. Messages from the page:
//   { kind: 'start', base64, compressed, name, debug, stepping, breaks }
//                                   the program's Asyncify-built bytes in
//                                   base64 (gzip-compressed, if so), its name, what the build read of
//                                   its debug information (web/stops), and
//                                   whether it stops before its first
//                                   statement, and its breakpoints
//   { kind: 'size', size }          the terminal's { cols, rows, scrollback },
//                                   for fast-forward; until then, none
//   { kind: 'input', bytes }        more of standard input (an ArrayBuffer)
//   { kind: 'end' }                 the end of standard input
//   { kind: 'ack', size }           the page has shown that many bytes of output
//   { kind: 'step', how }           run to the next statement: 'into' a call,
//                                   'over' it, or 'out' of the function
//   { kind: 'continue' }            run to the next breakpoint
//   { kind: 'breaks', breaks }      the breakpoints, as 'file:line'
// and to the page:
//   { kind: 'wrote', size, copies, calls, skipped }
//                                   the program wrote `size` more bytes to
//                                   standard output; `copies`, ArrayBuffers of
//                                   them while under 16 MiB in all; `calls`,
//                                   the last of the calls ended meanwhile
//                                   (trace.js), `skipped` earlier ones; sent
//                                   at most every 50 ms, and before any other
//                                   message but output
//   { kind: 'paused', stop }        stopped before a statement until a step:
//                                   { file, line, frames, written }, frames
//                                   innermost first (variables.js)
//   { kind: 'output', bytes }       what to draw (transferred), in order
//   { kind: 'read', call }          the program waits for input, in `call`
//   { kind: 'exit', code }          the program has ended and all is sent
//   { kind: 'crash', message }      the program failed in a way no program should
//
// What the program writes waits here, in a backlog, until the page has room
// for it; what the terminal would only scroll past unseen is dropped there
// (backlog.js), where the bytes are made, so that a flood costs the page
// only what it shows.
import { Input, Output, Wasi, errno } from './wasi.js';
import { runProgram } from './asyncify.js';
import { Backlog } from './backlog.js';
import { Stepper, stopTold } from './stepper.js';
import { Trace } from '../trace.js';
import { describeFrames } from './variables.js';

// Sent to the page and not yet shown, at most. While the backlog can be
// fast-forwarded, a little keeps the screen moving: the page then draws
// only now and then, and the program has the processor to itself.
const mostUnshown = 1 << 20;
const mostUnshownForward = 65536;
const mostSent = 65536; // in one message
const mostWaiting = 4 << 20; // in the backlog: past it, writes wait
const mostCopied = 16 << 20;
const mostBusy = 40; // ms between two returns to the event loop, at most
const reportEvery = 50; // ms
const mostCalls = 10000; // told at once

const typed = []; // input received and not yet read, in order
let typedEnded = false;
let wakeReader = null;
let unshown = 0;
let wakeWriter = null;
let size = null; // the terminal's; null: draw every byte
let copied = 0;
let whenSent = null;
let busySince = 0;
let unreported = 0; // bytes written to standard output and not yet told
let copies = [];
let reportedAt = 0;
const backlog = new Backlog();
const trace = new Trace();
let stepper = new Stepper();
let continues = 0; // Continues the page has asked for
let wakeStepper = null;
let written = 0; // bytes written to standard output
let memory = null;
let armedAt = null; // the byte in the program's memory that arms its stops

function read() {
  if (typed.length > 0 || typedEnded) {
    return typed.shift() ?? new Uint8Array(0);
  }
  report();
  self.postMessage({ kind: 'read', call: trace.current });
  return new Promise((resolve) => {
    wakeReader = () => {
      wakeReader = null;
      resolve(typed.shift() ?? new Uint8Array(0));
    };
  });
}

// Sends what the page has room for, and wakes a waiting writer once the
// backlog is small enough again.
function send() {
  if (size !== null) {
    backlog.fastForward(size);
  }
  const most = size === null || backlog.escaped ? mostUnshown : mostUnshownForward;
  while (unshown < most) {
    const piece = backlog.take(Math.min(mostSent, most - unshown));
    if (piece === null) {
      break;
    }
    unshown += piece.length;
    self.postMessage({ kind: 'output', bytes: piece.buffer }, [piece.buffer]);
  }
  if (backlog.size <= mostWaiting) {
    wakeWriter?.();
  }
  if (backlog.size === 0) {
    whenSent?.();
  }
}

function writer(fd) {
  return (bytes) => {
    if (fd === 1) {
      trace.wrote(bytes);
      written += bytes.length;
      unreported += bytes.length;
      if (copied < mostCopied) {
        copies.push(bytes.slice(0, mostCopied - copied).buffer);
        copied += copies.at(-1).byteLength;
      }
      if (performance.now() - reportedAt > reportEvery) {
        report();
      }
    }
    backlog.push(bytes);
    send();
    if (backlog.size <= mostWaiting) {
      return busy() ? errno.success : new Promise((resolve) => setTimeout(resolve, 0, errno.success));
    }
    report(); // the page will be a while
    return new Promise((resolve) => {
      wakeWriter = () => {
        wakeWriter = null;
        resolve(errno.success);
      };
    });
  };
}

function decode(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let at = 0; at < text.length; at++) {
    bytes[at] = text.charCodeAt(at);
  }
  return bytes;
}

// Whether the program may go on writing without a pause. It pauses now and
// then, so that the page's acknowledgements come in and the screen moves
// during a flood; not more often, since a timer in a worker waits 4 ms at
// least once they follow one another.
function busy() {
  const now = performance.now();
  if (now - busySince < mostBusy) {
    return true;
  }
  busySince = now;
  return false;
}

// Tells the page what was written since it was last told: one message for
// many writes, since a message for each would keep a busy page busier.
function report() {
  const { calls, skipped } = trace.take(mostCalls);
  if (unreported > 0 || calls.length > 0) {
    self.postMessage({ kind: 'wrote', size: unreported, copies, calls, skipped }, copies);
    unreported = 0;
    copies = [];
  }
  reportedAt = performance.now();
}

// Resolves once everything written has been sent.
function sent() {
  if (size !== null) {
    backlog.fastForward(size, true);
  }
  return new Promise((resolve) => {
    whenSent = resolve;
    send();
  });
}

// What the program tells on descriptor 3: its calls (trace.js), and, while
// armed, each statement it reaches, where it may wait for the page's word,
// everything before it told and sent, as at the exit: a statement may have
// written more than the page has room for yet.
function tracer(bytes) {
  const stop = stopTold(bytes);
  if (stop === null) {
    trace.told(bytes);
    return errno.success;
  }
  const [row, frame, first, second] = stop;
  trace.end(); // the call before, if any, has returned
  return stepper.reached(row, frame, first, second) ? pause(row) : errno.success;
}

async function pause(row) {
  arm();
  report();
  const asked = continues;
  await sent();
  if (continues !== asked) { // a Continue came meanwhile
    return errno.success;
  }
  const { file, line } = stepper.debug.stops[row];
  const frames = describeFrames(stepper.debug, stepper.stack, new Uint8Array(memory.buffer));
  self.postMessage({ kind: 'paused', stop: { file, line, frames, written } });
  await new Promise((resolve) => (wakeStepper = resolve));
  wakeStepper = null;
  return errno.success;
}

// Tells the program whether to tell its stops: a free run without
// breakpoints tells none, and its stops cost a test each.
function arm() {
  if (!stepper.armed) {
    stepper.last = null; // the stops until it is armed again go untold
  }
  if (armedAt !== null) {
    new Uint8Array(memory.buffer)[armedAt] = stepper.armed ? 1 : 0;
  }
}

// The program's bytes, opened where they come compressed.
async function program(base64, compressed) {
  const bytes = decode(base64);
  // From a Response, not a Blob: WebKit cannot read a Blob's stream in a worker of a page from disk.
  return compressed ? new Response(new Response(bytes).body.pipeThrough(new DecompressionStream('gzip')))
    .arrayBuffer() : bytes;
}

async function start({ base64, compressed, name, debug, stepping, breaks }) {
  stepper = new Stepper(debug);
  stepper.breaks = new Set(breaks);
  if (stepping) {
    stepper.go('into');
  }
  const wasi = new Wasi({
    args: [name],
    fds: { 0: new Input(read), 1: new Output(writer(1)), 2: new Output(writer(2)), 3: new Output(tracer) },
  });
  let result;
  try {
    result = { kind: 'exit', code: await runProgram(await WebAssembly.compile(await program(base64, compressed)), wasi, ready) };
  } catch (error) {
    result = { kind: 'crash', message: String(error) };
  }
  trace.end();
  report();
  await sent();
  self.postMessage(result);
}

function ready(instance) {
  memory = instance.exports.memory;
  stepper.memory = memory;
  armedAt = instance.exports.intkit_stopping?.() ?? null;
  arm();
}

self.onmessage = ({ data }) => {
  switch (data.kind) {
    case 'start':
      start(data);
      break;
    case 'input':
      if (data.bytes.byteLength > 0) {
        typed.push(new Uint8Array(data.bytes)); // an empty read would be the end
        wakeReader?.();
      }
      break;
    case 'end':
      typedEnded = true;
      wakeReader?.();
      break;
    case 'ack':
      unshown -= data.size;
      send();
      break;
    case 'size':
      size = data.size;
      break;
    case 'step':
    case 'continue':
      continues += Number(data.kind === 'continue');
      stepper.go(data.how ?? null);
      arm();
      wakeStepper?.();
      break;
    case 'breaks':
      stepper.breaks = new Set(data.breaks);
      arm();
      break;
  }
};
