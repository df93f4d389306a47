// One run of one program, in a Web Worker of its own. Messages from the page:
//   { kind: 'start', base64, name, stepping } the program's Asyncify-built
//                                   bytes in base64, its name, and whether
//                                   it stops before its first call
//   { kind: 'size', size }          the terminal's { cols, rows, scrollback },
//                                   for fast-forward; until then, none
//   { kind: 'input', bytes }        more of standard input (an ArrayBuffer)
//   { kind: 'end' }                 the end of standard input
//   { kind: 'ack', size }           the page has shown that many bytes of output
//   { kind: 'pause' }, { kind: 'step' }, { kind: 'continue' }
//                                   stop before each call of the console
//                                   library; run the next; run freely
// and to the page:
//   { kind: 'wrote', size, copies, calls, skipped }
//                                   the program wrote `size` more bytes to
//                                   standard output; `copies`, ArrayBuffers of
//                                   them while under 16 MiB in all; `calls`,
//                                   the last of the calls ended meanwhile
//                                   (trace.js), `skipped` earlier ones; sent
//                                   at most every 50 ms, and before any other
//                                   message but output
//   { kind: 'paused', call }        stopped before `call` until a step
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
import { Trace } from './trace.js';

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
let stepping = false;
let wakeStepper = null;

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

// What the program tells of its calls: before each, while stepping, it
// waits for the page's word, everything before it told and sent, as at the
// exit: a call may have written more than the page has room for yet.
function tracer(bytes) {
  const call = trace.told(bytes);
  return call === null || !stepping ? errno.success : pause(call);
}

async function pause(call) {
  report();
  await sent();
  if (stepping) { // else a Continue came meanwhile
    self.postMessage({ kind: 'paused', call });
    await new Promise((resolve) => (wakeStepper = resolve));
    wakeStepper = null;
  }
  return errno.success;
}

async function start({ base64, name, stepping: stepFirst }) {
  stepping = stepFirst;
  const wasi = new Wasi({
    args: [name],
    fds: { 0: new Input(read), 1: new Output(writer(1)), 2: new Output(writer(2)), 3: new Output(tracer) },
  });
  let result;
  try {
    result = { kind: 'exit', code: await runProgram(await WebAssembly.compile(decode(base64)), wasi) };
  } catch (error) {
    result = { kind: 'crash', message: String(error) };
  }
  trace.end();
  report();
  await sent();
  self.postMessage(result);
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
    case 'pause':
    case 'step':
    case 'continue':
      stepping = data.kind !== 'continue';
      if (data.kind !== 'pause') {
        wakeStepper?.();
      }
      break;
  }
};
