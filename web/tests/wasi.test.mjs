// The page's WASI layer (src/worker/wasi.js, src/worker/asyncify.js) under Node.js: each
// run, answered a piece at a time as the program asks, must write the bytes
// that Node's own WASI writes for the same program and input, which the
// end-to-end suite holds to Linux's; so must its runs (src/page/runner.js).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { Worker as Thread } from 'node:worker_threads';

import { runProgram } from '../src/worker/asyncify.js';
import { Run, launch } from '../src/page/runner.js';
import { Stepper, stopTold } from '../src/worker/stepper.js';
import { Trace } from '../src/trace.js';
import { describeFrames } from '../src/worker/variables.js';
import { Input, Output, Wasi, errno } from '../src/worker/wasi.js';

const { INTKIT_WASM_DIR: plain, INTKIT_ASYNCIFIED_DIR: asyncified } = process.env;
const launcher = fileURLToPath(new URL('../../packaging/npm/run.mjs', import.meta.url));
const tree = fileURLToPath(new URL('../..', import.meta.url));

// Runs the Asyncify-built program on `pieces`, each handed over only when
// the program asks for more, then the end of input; stepped, with Step into
// at every stop, its variables read there, and how much was written by then.
async function run(name, pieces, { stdout = errno.success, stepped = false, breaks = null } = {}) {
  const left = pieces.map((piece) => new TextEncoder().encode(piece));
  const out = [];
  const err = [];
  const trace = new Trace();
  const debug = JSON.parse(readFileSync(join(asyncified, `${name}.json`), 'utf8'));
  const stepper = new Stepper(debug);
  const stops = [];
  const twice = []; // the lines stepped to twice in a row in one frame
  let last = null;
  let memory;
  const stop = ([row, ...rest]) => {
    if (!stepper.reached(row, ...rest)) return;
    const { file, line } = debug.stops[row];
    const here = `${file}:${line} in the frame at ${rest[0]}`;
    twice.push(...(here === last ? [here] : []));
    last = here;
    if (stops.length < 300) { // past every stop of most programs; divisorsum's and digitstair's loops stop far more
      const frames = describeFrames(debug, stepper.stack, new Uint8Array(memory.buffer));
      stops.push({ ...debug.stops[row], frames, written: Buffer.concat(out).length });
    }
    stepper.go(breaks === null ? 'into' : null); // with breakpoints, Continue
  };
  stepper.breaks = new Set(breaks);
  stepper.go('into');
  const wasi = new Wasi({
    args: [name],
    fds: {
      0: new Input(async () => left.shift() ?? new Uint8Array(0)),
      1: new Output((bytes) => (out.push(bytes.slice()), trace.wrote(bytes), stdout)),
      2: new Output((bytes) => (err.push(bytes.slice()), errno.success)),
      3: new Output((bytes) => {
        const told = stopTold(bytes);
        return (told === null ? trace.told(bytes) : stop(told), errno.success);
      }),
    },
  });
  const module = new WebAssembly.Module(readFileSync(join(asyncified, `${name}.wasm`)));
  const code = await runProgram(module, wasi, (instance) => {
    memory = instance.exports.memory;
    stepper.memory = memory;
    new Uint8Array(memory.buffer)[instance.exports.intkit_stopping()] = Number(stepped);
  });
  trace.end();
  const { calls } = trace.take();
  return { code, out: Buffer.concat(out).toString('latin1'), err: Buffer.concat(err).toString('latin1'), calls, stops,
    twice };
}

// Each stop is at a line of code, and what the program printed as name = value after it, its variables held
// before: "k = i++ : k = 5, i = 6" after `k = 5` and `i = 6`.
function stopsHeldToTree(stops, out) {
  for (const [at, { file, line, frames, written }] of stops.entries()) {
    const source = readFileSync(join(tree, file), 'utf8').split('\n')[line - 1];
    assert.match(source, /^\s*[^\s/#]/, `${file}:${line} is no statement`);
    const printed = out.slice(written, stops[at + 1]?.written ?? written).split(/, | : |\n/);
    assert.equal(frames.at(-1).name, 'main', `${file}:${line} shown without its callers`);
    const held = frames[0].variables.map((variable) => variable.text.toLowerCase());
    for (const piece of printed.filter((text) => /^\w+ = -?\d+$/.test(text))) {
      assert.ok(held.includes(piece.toLowerCase()), `printed ${piece} after ${file}:${line}, where ${held.join('; ')}`);
    }
  }
}

// Each call's line of source really makes a call of its kind, the calls'
// output put together is the whole output, and each read stored the next
// number typed (saturated), or found none once they had run out.
const made = { print: /console::print\(/, read: /console::read_int\(/, write: /write_staircase\(/, finish: /console::finish\(/ };
function heldToTree(calls, out, input) {
  let at = 0;
  for (const call of calls) {
    const source = readFileSync(join(tree, call.file), 'utf8').split('\n')[call.line - 1];
    assert.match(source, made[call.kind], `${call.file}:${call.line} makes no ${call.kind}`);
    assert.equal(out.slice(at, at + call.text.length), call.text);
    assert.ok(call.size > 0 === (call.kind === 'print' || call.kind === 'write'), `${call.kind} wrote ${call.size} bytes`);
    at += call.size;
  }
  assert.equal(at, out.length);
  const typed = (input.match(/[-+]?\d+/g) ?? []).map((n) => Math.min(2 ** 31 - 1, Math.max(-(2 ** 31), Number(n))));
  const reads = calls.filter((call) => call.kind === 'read');
  assert.deepEqual(reads.filter((read) => read.got).map((read) => read.value), typed.slice(0, reads.length));
  assert.ok(reads.every((read, i) => read.got === i < typed.length));
}

function reference(name, input) {
  const got = spawnSync(process.execPath, [launcher, join(plain, `${name}.wasm`)], { input, encoding: 'latin1', maxBuffer: 64 << 20 });
  assert.equal(got.status, 0);
  return got.stdout;
}

// keyfind's calls, as file:line kind, in order.
const element = ['arrays/input_array.cpp:10 print', 'arrays/input_array.cpp:11 read'];
const keyfindCalls = ['arrays/keyfind.cpp:25 print', 'arrays/keyfind.cpp:26 read', 'arrays/input_array.cpp:7 print',
  ...element, ...element, ...element, 'arrays/keyfind.cpp:29 print', 'arrays/keyfind.cpp:30 read',
  'arrays/keyfind.cpp:33 print', 'arrays/keyfind.cpp:37 finish'];

const runs = [
  ['keyfind', ['3\n', '1\n', '-2\n', '3\n', '-2\n'], keyfindCalls],
  ['keyfind', ['2 7', '\n8 9\n']], // answers split anywhere
  ['keyfreq', ['5\n4 7 4\n4 1\n4\n']],
  ['tallyfive', ['-3 -2 0 7 8\n']],
  ['divisorsum', ['2147483647\n']],
  ['divisorsum', ['496\n']], // 2 to the 4th: four turns of a loop on one line
  ['digitstair', ['300\n']], // 45 KB of output
  ['gridmath', []],
  ['stepdemo', []],
  ['commademo', []],
  ['keyfind', ['2 7']], // the input ends early: every later read sees its end
  ['divisorsum', []],
  ['keyfreq', [`3 1 2 ${'9'.repeat(70000)} 5`]], // a number longer than any read
];

for (const [name, pieces, order] of runs) {
  test(`${name} on ${JSON.stringify(pieces).slice(0, 40)} writes what it writes under Node's WASI, and traces it`, async () => {
    const got = await run(name, pieces);
    assert.deepEqual(got.stops, [], 'a free run told its stops');
    assert.equal(got.code, 0);
    assert.equal(got.err, '');
    assert.equal(got.out, reference(name, pieces.join('')));
    heldToTree(got.calls, got.out, pieces.join(''));
    const stepped = await run(name, pieces, { stepped: true });
    assert.equal(stepped.out, got.out);
    stopsHeldToTree(stepped.stops, stepped.out);
    assert.deepEqual(stepped.twice, [], 'a line two steps');
    if (order !== undefined) {
      assert.deepEqual(got.calls.map((call) => `${call.file}:${call.line} ${call.kind}`), order);
    }
  });
}

test('a breakpoint on a loop\'s line, Continue at each stop: once a turn, not again where its line goes on', async () => {
  const got = await run('divisorsum', ['496\n'], { stepped: true, breaks: ['numbers/divisor_sum.cpp:10'] });
  assert.equal(got.stops.length, 1 + 5 + 1 + 2); // main's first; 2 five times, 3 once, 5 and 7 once each
});

test('a character split between two writes stays one character in the trace', () => {
  const trace = new Trace();
  [Buffer.from('print a.cpp:1\n'), Buffer.from([0xc3]), Buffer.from([0xa9])].forEach((bytes, i) => trace[i ? 'wrote' : 'told'](bytes));
  assert.equal(trace.current.text, 'é');
});

test('a failed write ends the program with its report, naming it', async () => {
  const got = await run('divisorsum', ['6\n'], { stdout: 64 }); // EPIPE
  assert.equal(got.code, 1);
  assert.equal(got.err, 'divisorsum: write error: Broken pipe\n');
});

// The browser's Worker as the runner uses it: a Node thread running
// worker.js, counting the output it sends and the bytes acknowledged.
const thread = `import { parentPort } from 'node:worker_threads';
globalThis.self = globalThis;
self.postMessage = (message, transfer) => parentPort.postMessage(message, transfer);
await import(${JSON.stringify(new URL('../src/worker/worker.js', import.meta.url).href)});
parentPort.on('message', (data) => self.onmessage({ data }));`;
globalThis.Worker = class {
  constructor() {
    this.sent = 0;
    this.acked = 0;
    this.thread = new Thread(new URL(`data:text/javascript,${encodeURIComponent(thread)}`));
    this.thread.on('message', (data) => {
      this.sent += data.bytes?.byteLength ?? 0;
      this.onmessage({ data });
    });
  }

  postMessage(message, transfer) {
    this.acked += message.size ?? 0;
    this.thread.postMessage(message, transfer);
  }

  terminate = () => this.thread.terminate();
};

// Runs the program as the page does, showing nothing until the worker has
// stopped sending, then each piece at once; stepped, stepping on at each
// stop, noting how much of what was written before it was not shown yet;
// with `holdAt`, showing nothing again from the step at that line until the
// worker has told all that was written, and with `resume`, Continue then.
async function inPage(name, { typed = '', file = null, step = false, holdAt = null, resume = false }) {
  const pieces = [];
  const copied = [];
  const waiting = [];
  const stops = [];
  let exit;
  let held;
  const exited = new Promise((resolve) => (exit = resolve));
  const holding = new Promise((resolve) => (held = resolve));
  const debug = JSON.parse(readFileSync(join(asyncified, `${name}.json`), 'utf8'));
  const run = new Run(launch('', { base64: readFileSync(join(asyncified, `${name}.wasm`)).toString('base64'), name, debug }, step), { file }, {
    wrote: (size, copies) => copied.push(...copies.map((copy) => Buffer.from(copy))),
    paused: (stop) => {
      stops.push(Buffer.concat(copied).length - Buffer.concat(pieces).length);
      if (stop.line === holdAt) {
        delete waiting.push;
        held();
      }
      run.step();
    },
    show(bytes, done) {
      pieces.push(Buffer.from(bytes));
      waiting.push(done);
    },
    exit,
  });
  run.send(new TextEncoder().encode(typed));
  const settled = async () => {
    for (let unshown = -1; run.worker.sent !== unshown;) {
      unshown = run.worker.sent;
      await new Promise((resolve) => setTimeout(resolve, 200));
    }
  };
  const release = () => {
    waiting.push = (done) => done();
    waiting.splice(0).forEach((done) => done());
  };
  await settled();
  const unshown = run.worker.sent;
  release();
  // Held again, until the worker has told all the program wrote: it is at the stop after the write then.
  const whole = holdAt === null ? 0 : reference(name, typed).length;
  while (holdAt !== null && (await holding, Buffer.concat(copied).length < whole)) {
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  const continued = stops.length;
  if (resume) {
    run.resume();
  }
  release();
  const result = await exited;
  const out = Buffer.concat(pieces).toString('latin1');
  assert.equal(Buffer.concat(copied).toString('latin1'), out);
  return { result, unshown, acked: run.worker.acked, out, stops, afterContinue: resume ? stops.length - continued : 0 };
}

// An answers file whose second 64 KiB slice starts inside a number.
const spanning = `3${' '.repeat(65534)}12 12 7 12\n`;
const pageRuns = [
  ['digitstair', { typed: '1200\n' }, '1200\n'], // 2.3 MB, past the window
  ['keyfreq', { file: new Blob([spanning]), typed: '1 1 1\n' }, spanning], // nothing typed is taken
  ['keyfind', { file: new Blob(['2 7']) }, '2 7'], // the file ends before the program does
  ['gridmath', {}, ''], // writes of a few bytes at any offset
  ['digitstair', { typed: '2000\n', step: true }, '2000\n'], // 11 MB in one call, stepped
  // Stepped over its write, which leaves more than is in flight when it stops; then Continue, pressed meanwhile.
  ['digitstair', { typed: '1200\n', step: true, holdAt: 15 }, '1200\n'],
  ['digitstair', { typed: '1200\n', step: true, holdAt: 15, resume: true }, '1200\n'],
];

for (const [name, options, input] of pageRuns) {
  test(`${name} through the page's runner and worker: every byte in order, at most a window unshown`, { timeout: 30000 }, async () => {
    const got = await inPage(name, options);
    assert.deepEqual(got.result, { code: 0 });
    assert.equal(got.out, reference(name, input));
    assert.equal(got.acked, got.out.length);
    assert.ok(got.unshown < (1 << 20) + (256 << 10), `${got.unshown} bytes sent while none was shown`);
    assert.deepEqual(got.stops.filter(Boolean), [], 'told where it stopped before all before it was shown');
    assert.equal(got.afterContinue, 0, 'stopped where Continue was pressed');
  });
}

test('Continue pressed before the output before a stop is shown: the run is not told as stopped', async () => {
  const [shows, stops, said] = [[], [], [{ kind: 'output', bytes: new ArrayBuffer(1) }, { kind: 'paused', call: {} }]];
  const run = new Run({ worker: { postMessage() {} }, said, stepping: true }, {},
    { show: (bytes, done) => shows.push(done), paused: (call) => stops.push(call) });
  await new Promise(setImmediate);
  run.resume();
  shows.forEach((done) => done());
  assert.deepEqual(stops, []);
});

test('an answers file that can no longer be read ends the run, saying so', async () => {
  const file = { name: 'gone.txt', size: 3, slice: () => ({ arrayBuffer: () => Promise.reject(new Error('changed')) }) };
  assert.deepEqual((await inPage('divisorsum', { file })).result, { message: 'cannot read gone.txt: changed' });
});
