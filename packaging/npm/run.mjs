#!/usr/bin/env node
// Runs a WASI (preview 1) program under Node.js 18 or later, with this
// process's standard streams, its arguments and its exit status:
//   node run.mjs [--tmp=FOLDER] PROGRAM.wasm [ARGUMENT...]
// The program gets its path as its first argument, and takes its name from
// it. It sees no files, but for FOLDER as /tmp where the tests lend it one.
import { readFile } from 'node:fs/promises';
import { fileURLToPath } from 'node:url';

// Standard error is the program's: Node 18 would tell it that WASI is experimental.
process.removeAllListeners('warning');
const { WASI } = await import('node:wasi');

export async function run(path, args, preopens = {}) {
  const wasi = new WASI({ version: 'preview1', args: [path, ...args], env: {}, preopens, returnOnExit: true });
  const { instance } = await WebAssembly.instantiate(await readFile(path), {
    wasi_snapshot_preview1: wasi.wasiImport,
  });
  process.exitCode = wasi.start(instance);
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [first, ...rest] = process.argv.slice(2);
  const tmp = first?.startsWith('--tmp=') ? first.slice('--tmp='.length) : undefined;
  const [path, ...args] = tmp === undefined ? [first, ...rest] : rest;
  if (path === undefined) {
    process.stderr.write('usage: run.mjs [--tmp=FOLDER] PROGRAM.wasm [ARGUMENT...]\n');
    process.exit(2);
  }
  await run(path, args, tmp === undefined ? {} : { '/tmp': tmp });
}
