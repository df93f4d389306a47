// The page's WASI layer (src/wasi.js, src/asyncify.js) under Node.js: each
// run, answered a piece at a time as the program asks, must write the bytes
// that Node's own WASI writes for the same program and input, which the
// end-to-end suite holds to Linux's.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { runProgram } from '../src/asyncify.js';
import { Input, Output, Wasi, errno } from '../src/wasi.js';

const { INTKIT_WASM_DIR: plain, INTKIT_ASYNCIFIED_DIR: asyncified } = process.env;
const launcher = fileURLToPath(new URL('../../packaging/npm/run.mjs', import.meta.url));

// Runs the Asyncify-built program on `pieces`, each handed over only when
// the program asks for more, then the end of input.
async function run(name, pieces, { stdout = errno.success } = {}) {
  const left = pieces.map((piece) => new TextEncoder().encode(piece));
  const out = [];
  const err = [];
  const wasi = new Wasi({
    args: [name],
    fds: {
      0: new Input(async () => left.shift() ?? new Uint8Array(0)),
      1: new Output((bytes) => (out.push(bytes), stdout)),
      2: new Output((bytes) => (err.push(bytes), errno.success)),
    },
  });
  const module = new WebAssembly.Module(readFileSync(join(asyncified, `${name}.wasm`)));
  const code = await runProgram(module, wasi);
  return { code, out: Buffer.concat(out).toString('latin1'), err: Buffer.concat(err).toString('latin1') };
}

function reference(name, input) {
  const got = spawnSync(process.execPath, [launcher, join(plain, `${name}.wasm`)], { input, encoding: 'latin1' });
  assert.equal(got.status, 0);
  return got.stdout;
}

const runs = [
  ['keyfind', ['3\n', '1\n', '-2\n', '3\n', '-2\n']],
  ['keyfind', ['2 7', '\n8 9\n']], // answers split anywhere
  ['keyfreq', ['5\n4 7 4\n4 1\n4\n']],
  ['tallyfive', ['-3 -2 0 7 8\n']],
  ['divisorsum', ['2147483647\n']],
  ['digitstair', ['300\n']], // 45 KB of output
  ['gridmath', []],
  ['stepdemo', []],
  ['commademo', []],
  ['keyfind', ['2 7']], // the input ends early: every later read sees its end
  ['divisorsum', []],
  ['keyfreq', [`3 1 2 ${'9'.repeat(70000)} 5`]], // a number longer than any read
];

for (const [name, pieces] of runs) {
  test(`${name} on ${JSON.stringify(pieces).slice(0, 40)} writes what it writes under Node's WASI`, async () => {
    const got = await run(name, pieces);
    assert.equal(got.code, 0);
    assert.equal(got.err, '');
    assert.equal(got.out, reference(name, pieces.join('')));
  });
}

test('a failed write ends the program with its report, naming it', async () => {
  const got = await run('divisorsum', ['6\n'], { stdout: 64 }); // EPIPE
  assert.equal(got.code, 1);
  assert.equal(got.err, 'divisorsum: write error: Broken pipe\n');
});
