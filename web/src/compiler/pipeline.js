// A changed program built as the web build builds it: the units the change
// touches compiled again, the rest as built in advance, linked, then given
// its stops (stops/main.mjs) and made able to wait (binaryen's Asyncify,
// what web/CMakeLists.txt asks of wasm-opt), into an entry the page runs
// as it runs a built-in program.
import { stepping } from '../../stops/main.mjs';
import { statementLines } from '../entry.js';
import { warmArgs } from './commands.js';
import { diagnostics, intoTree } from './files.js';

export class Pipeline {
  // runClang: YoWASP's; binaryen: its loaded module; pack: from compiler.js, with each unit's bytes.
  constructor(runClang, binaryen, pack) {
    Object.assign(this, { runClang, binaryen, pack });
  }

  async build(entry, texts, onProgress = () => {}) {
    const { pack } = this;
    const link = pack.links[entry.name];
    if (link === undefined) {
      throw new Error(`${entry.name} is not one of the programs the compiler knows`);
    }
    const files = { ...pack.files, ...texts };
    const touched = (unit) => unit.source in texts || unit.reads.some((path) => path in texts);
    const objects = {};
    let log = '';
    for (const unit of pack.units.filter(({ object }) => link.objects.includes(object))) {
      if (!touched(unit)) {
        objects[unit.object] = unit.bytes;
        continue;
      }
      onProgress({ step: 'compiling', file: unit.source });
      const run = await this.#clang(unit.args, intoTree(files));
      log += run.log;
      if (run.files === null) {
        return { ok: false, diagnostics: diagnostics(log), log };
      }
      objects[unit.object] = pathIn(run.files, `obj/${unit.object}`);
    }
    onProgress({ step: 'linking', file: null });
    const linked = await this.#clang(link.args, intoTree(objects, 'obj'));
    log += linked.log;
    if (linked.files === null) {
      return { ok: false, diagnostics: diagnostics(log), log };
    }
    onProgress({ step: 'stops', file: null });
    const sources = entry.sources.map(({ path, text }) => ({ path, text: texts[path] ?? text }));
    const { program, debug } = stepping(pathIn(linked.files, `obj/${entry.name}.wasm`), sources.map(({ path }) => path));
    onProgress({ step: 'asyncify', file: null });
    const bytes = this.#asyncify(program);
    const newEntry = { ...entry, sources, base64: await gzipBase64(bytes), compressed: true, debug,
      statements: statementLines(debug), changed: true };
    return { ok: true, entry: newEntry, diagnostics: diagnostics(log), log };
  }

  // An engine compiles clang's and binaryen's code as it first runs, which
  // makes the first build take twice as long as the next: a program of one
  // line built as soon as they are loaded takes that wait while the learner
  // is still typing.
  async warm() {
    const run = await this.#clang(warmArgs, intoTree({ 'warm.cpp': 'int main() { return 0; }\n' }));
    if (run.files !== null) {
      this.#asyncify(pathIn(run.files, 'obj/warm.wasm'));
    }
  }

  // clang's run on FILES: the files it left, or null where it failed, and what it wrote.
  async #clang(args, files) {
    let log = '';
    const decoder = new TextDecoder();
    const keep = (bytes) => { log += bytes === null ? '' : decoder.decode(bytes, { stream: true }); };
    try {
      const left = await this.runClang(args, files, { stdout: keep, stderr: keep, fetchProgress() {} });
      return { files: left, log: shown(log) };
    } catch (error) {
      if (error?.files === undefined) throw error; // not clang's own exit with an error
      return { files: null, log: shown(log) };
    }
  }

  // -O2 --asyncify, waiting in fd_read and fd_write, without debug information or producers.
  #asyncify(program) {
    const { binaryen } = this;
    const module = binaryen.readBinary(program);
    try {
      binaryen.setOptimizeLevel(2);
      binaryen.setShrinkLevel(0);
      binaryen.setPassArgument('asyncify-imports',
        'wasi_snapshot_preview1.fd_read,wasi_snapshot_preview1.fd_write');
      module.optimize();
      module.runPasses(['asyncify', 'strip-debug', 'strip-producers']);
      return module.emitBinary();
    } finally {
      module.dispose();
    }
  }
}

const shown = (log) => log.replace(/^\/src\//gm, '');

function pathIn(tree, path) {
  return path.split('/').reduce((at, name) => at[name], tree);
}

// A Response's body, not a Blob's stream: WebKit fails to read a large Blob in a worker of a page from disk.
export async function gunzip(base64) {
  const stream = new Response(fromBase64(base64)).body.pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

async function gzipBase64(bytes) {
  const stream = new Response(bytes).body.pipeThrough(new CompressionStream('gzip'));
  const packed = new Uint8Array(await new Response(stream).arrayBuffer());
  let text = '';
  for (let at = 0; at < packed.length; at += 0x8000) {
    text += String.fromCharCode(...packed.subarray(at, at + 0x8000));
  }
  return btoa(text);
}

export function fromBase64(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let at = 0; at < text.length; at++) bytes[at] = text.charCodeAt(at);
  return bytes;
}
