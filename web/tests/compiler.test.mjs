// The compiler in the page (src/page/compiler-client.js and its worker,
// from the build's compiler.js) under Node.js: a change built into an entry
// that runs as the built-in one does, or into clang's diagnostics.
import assert from 'node:assert/strict';
import { resolveObjectURL } from 'node:buffer';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { runInThisContext } from 'node:vm';
import { Worker as Thread } from 'node:worker_threads';
import { gunzipSync } from 'node:zlib';

import { compileChange } from '../src/page/compiler-client.js';
import { runProgram } from '../src/worker/asyncify.js';
import { Input, Output, Wasi, errno } from '../src/worker/wasi.js';

const site = process.env.INTKIT_SITE;
runInThisContext(readFileSync(join(site, 'compiler.js'), 'utf8'));
runInThisContext(readFileSync(join(site, 'programs.js'), 'utf8').split('\nvar intkitWorkerSource')[0]);
const builtIn = (name) => globalThis.intkitPrograms.find((entry) => entry.name === name);

// A browser's Worker from a Blob URL, as a thread running the same text.
globalThis.Worker = class extends EventTarget {
  #thread;
  constructor(url) {
    super();
    this.#thread = resolveObjectURL(url).text().then((source) => {
      const thread = new Thread(`const { parentPort } = require('node:worker_threads');
        globalThis.self = globalThis; self.postMessage = (data) => parentPort.postMessage(data);
        parentPort.on('message', (data) => self.onmessage({ data }));\n${source}`, { eval: true });
      thread.on('message', (data) => this.dispatchEvent(new MessageEvent('message', { data })));
      return thread;
    });
  }
  postMessage(data) { this.#thread.then((thread) => thread.postMessage(data)); }
  terminate() { this.#thread.then((thread) => thread.terminate()); }
};

async function output({ base64 }, input) {
  const out = [];
  const wasi = new Wasi({ args: ['program'], fds: {
    0: new Input(async () => new TextEncoder().encode(input.splice(0).join(''))),
    1: new Output((bytes) => (out.push(bytes.slice()), errno.success)),
    2: new Output(() => errno.success),
    3: new Output(() => errno.success),
  } });
  await runProgram(new WebAssembly.Module(gunzipSync(Buffer.from(base64, 'base64'))), wasi);
  return Buffer.concat(out).toString('latin1');
}

const changed = (name, path, from, to) => {
  const { text } = builtIn(name).sources.find((source) => source.path === path);
  assert.ok(text.includes(from), `${path} has no ${from}`);
  return { [path]: text.replace(from, to) };
};

// [what, program, its changed files, what the build gives]
const cases = [
  ['keyfind compiled again runs as built', 'keyfind', () => changed('keyfind', 'arrays/keyfind.cpp', '', ''),
    async (result, entry) => {
      assert.ok(result.ok, result.log);
      assert.equal(await output(result.entry, ['2 7 8 8']), await output(entry, ['2 7 8 8']));
      assert.deepEqual(result.entry.statements, entry.statements);
    }],
  ['stepdemo with k = ++i', 'stepdemo', () => changed('stepdemo', 'demos/stepdemo.cpp', 'k = i++;', 'k = ++i;'),
    async (result) => {
      assert.equal(result.entry.changed, true);
      assert.match(await output(result.entry, []), /^k = i\+\+ : k = 6, i = 6$/m);
    }],
  ['a missing ; is an error', 'stepdemo', () => changed('stepdemo', 'demos/stepdemo.cpp', 'k = i++;', 'k = i++'),
    async (result) => {
      assert.equal(result.ok, false);
      assert.equal(result.entry, undefined);
      const line = builtIn('stepdemo').sources[0].text.split('\n').indexOf('  k = i++;') + 1;
      assert.ok(result.diagnostics.some((d) => d.severity === 'error' && d.file === 'demos/stepdemo.cpp'
        && d.line === line), JSON.stringify(result.diagnostics));
    }],
];

for (const [what, name, texts, check] of cases) {
  test(what, async () => {
    const steps = new Set();
    const result = await compileChange(builtIn(name), texts(), { onProgress: ({ step }) => steps.add(step) });
    await check(result, builtIn(name));
    assert.ok(steps.has('compiling'), [...steps].join());
  });
}

test('Cancel ends the build with an AbortError', async () => {
  const cancel = new AbortController();
  const building = compileChange(builtIn('stepdemo'), {}, { signal: cancel.signal });
  cancel.abort();
  await assert.rejects(building, { name: 'AbortError' });
});
