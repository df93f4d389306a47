// Fast-forward (src/worker/backlog.js) against xterm.js itself, headless: output
// drawn through the backlog, a piece at a time while more arrives, must
// leave the terminal exactly as drawing every byte does, at several widths.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import xterm from '@xterm/headless';

import { Backlog } from '../src/worker/backlog.js';
import { terminalState as state } from './terminal-state.mjs';

const launcher = fileURLToPath(new URL('../../packaging/npm/run.mjs', import.meta.url));
const staircase = spawnSync(process.execPath, [launcher, join(process.env.INTKIT_WASM_DIR, 'digitstair.wasm')],
  { input: '1200\n', maxBuffer: 64 << 20 }).stdout; // 2.3 MB
const lines = (count, make) => Array.from({ length: count }, (_, i) => make(i)).join('\n');
const edges = (cols) => lines(9000, (i) => 'x'.repeat([0, 1, cols - 1, cols, cols + 1, 2 * cols][i % 6]));

// [what, bytes for a terminal of `cols` columns, whether some must be dropped]
const cases = [
  ['digitstair 1200', () => staircase, true],
  ['lines of 0, 1, cols - 1, cols, cols + 1 and 2 cols', edges, true],
  ['a prompt, a flood, the answer', (cols) => `enter a num: ${edges(cols)}\n5. Element 7 is present.\n`, true],
  ['\\r, \\b, a tab and UTF-8 amid the flood', (cols) => `${edges(cols)}\rab\bc\td\u00e9${edges(cols)}ok`, true],
  ['a \\r that starts a write, after a line of many rows', (cols) => {
    const flood = `${edges(cols)}\n`;
    return `${flood}${'z'.repeat(25000 - (flood.length % 25000))}\r${'w'.repeat(cols)}`;
  }, true],
  ['an escape: nothing dropped after it', (cols) => `ab\x1b[1mbold\x1b[0m${edges(cols)}`, false],
  ['a C1 control in UTF-8, split between writes', (cols) => `${edges(cols).slice(0, 4999)}\u009b1m${edges(cols)}`, false],
];

const drawn = (terminal, bytes) => new Promise((resolve) => terminal.write(bytes, resolve));

// As the page does: output comes in writes of 5,000 and 20,000 bytes in
// turn, and the terminal takes a 16 KiB piece after every third, fast-forwarding first.
async function throughBacklog(terminal, bytes) {
  const backlog = new Backlog();
  const size = { cols: terminal.cols, rows: terminal.rows, scrollback: terminal.options.scrollback };
  let dropped = 0;
  const drawOne = async (now = false) => {
    dropped += backlog.fastForward(size, now);
    // As the worker takes it: a whole piece across writes, none for less room while more waits.
    assert.equal(backlog.size > 16383 ? backlog.take(16383) : null, null);
    const [waiting, piece] = [backlog.size, backlog.take(16384)];
    assert.equal(piece?.length ?? 0, Math.min(waiting, 16384));
    if (piece !== null) {
      await drawn(terminal, piece);
    }
    return piece;
  };
  for (let at = 0, write = 0; at < bytes.length; write++) {
    const next = at + (write % 2 === 0 ? 5000 : 20000);
    backlog.push(bytes.subarray(at, next));
    at = next;
    if (write % 3 === 2) {
      await drawOne();
    }
  }
  while ((await drawOne(true)) !== null);
  assert.equal(backlog.size, 0);
  return dropped;
}

for (const [what, make, drops] of cases) {
  test(`fast-forward through ${what} ends as drawing every byte`, async () => {
    for (const cols of [20, 80, 133]) {
      const bytes = new Uint8Array(Buffer.from(make(cols)));
      const options = { cols, rows: 24, scrollback: 1000, convertEol: true, allowProposedApi: true };
      const [every, forward] = [new xterm.Terminal(options), new xterm.Terminal(options)];
      await drawn(every, bytes);
      const dropped = await throughBacklog(forward, bytes);
      assert.equal(dropped > 0, drops, `${dropped} bytes dropped at ${cols} columns`);
      assert.deepEqual(state(forward), state(every), `at ${cols} columns`);
    }
  });
}
