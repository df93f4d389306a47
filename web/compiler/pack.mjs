// Makes compiler.js, what the page loads when a changed program is to be
// built: the compiler's worker as text, clang and wasm-ld (YoWASP's), the
// part of their C and C++ libraries the programs read, the project's files,
// and every unit of the programs already compiled by that same clang, so that
// a change recompiles only the units it touches before the link.
//   node pack.mjs OUT.js BUILD_DIR ROOT PROGRAM...
// BUILD_DIR holds the web build's compile_commands.json and build.ninja,
// whose compile and link lines are the ones used here, on clang's virtual
// files: the tree at /src, the objects at /obj.
import { readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { dirname, join, relative } from 'node:path';
import { fileURLToPath } from 'node:url';
import { Worker as Thread, isMainThread, parentPort, workerData } from 'node:worker_threads';
import { gzipSync } from 'node:zlib';

import { build } from 'esbuild';

import { linkArgs, unitArgs } from '../src/compiler/commands.js';
import { dependencies, intoTree } from '../src/compiler/files.js';

const web = join(dirname(fileURLToPath(import.meta.url)), '..');
const clangDir = join(web, 'node_modules', '@yowasp', 'clang', 'gen');

// A thread of the prebuild: compiles the units it is handed, each with -MD.
if (!isMainThread) {
  const { runClang } = await import(join(clangDir, 'bundle.js'));
  const { files, units } = workerData;
  await runClang(null, {}, { fetchProgress() {} }); // loaded once, quietly
  const built = [];
  for (const unit of units) {
    let log = '';
    const keep = (bytes) => { log += bytes ? new TextDecoder().decode(bytes) : ''; };
    try {
      const out = await runClang(unit.args, intoTree(files), { fetchProgress() {}, stdout: keep, stderr: keep });
      const object = out.obj;
      built.push({ ...unit, bytes: pathIn(object, unit.object), depfile: pathIn(object, `${unit.object}.d`) });
    } catch (error) {
      throw new Error(`${unit.source}: ${error.message}\n${log}`);
    }
  }
  parentPort.postMessage(built);
  process.exit(0);
}

function pathIn(tree, path) {
  return path.split('/').reduce((at, name) => at[name], tree);
}

const [out, buildDir, root, ...programs] = process.argv.slice(2);

// The sources a unit may read: every C++ file of the tree but the build's and the page's.
function treeFiles(dir = root) {
  return readdirSync(dir, { withFileTypes: true }).flatMap((item) => {
    const path = join(dir, item.name);
    if (item.isDirectory()) {
      return /^(build|web|node_modules|\..*)$/.test(item.name) ? [] : treeFiles(path);
    }
    return /\.(cpp|hpp|h)$/.test(item.name) ? [relative(root, path)] : [];
  });
}

// build.ninja's link of each program and the archives it names.
const ninja = readFileSync(join(buildDir, 'build.ninja'), 'utf8');
function ninjaBuild(output) {
  const at = ninja.indexOf(`\nbuild ${output}: `);
  const [head, ...rest] = ninja.slice(at + 1).split('\n');
  const inputs = head.split(': ')[1].split(/ \|\|? /)[0].split(' ').slice(1).filter((input) => input);
  const vars = {};
  for (const line of rest) {
    const match = /^ {2}(\w+) = (.*)$/.exec(line);
    if (!match) break;
    vars[match[1]] = match[2].split(' ').filter((word) => word);
  }
  return { inputs, vars };
}
const links = {};
for (const name of programs) {
  const { inputs, vars } = ninjaBuild(`bin/${name}.wasm`);
  const archives = [...new Set(vars.LINK_LIBRARIES ?? [])].map((archive) => ninjaBuild(archive).inputs);
  links[name] = { objects: [inputs, ...archives].flat(), args: linkArgs(name, vars.FLAGS, vars.LINK_FLAGS, inputs, archives) };
}

// The compile of each object some link names.
const wanted = new Set(Object.values(links).flatMap(({ objects }) => objects));
const units = JSON.parse(readFileSync(join(buildDir, 'compile_commands.json'), 'utf8'))
  .map((command) => ({ ...command, object: /-o (\S+)/.exec(command.command)[1] }))
  .filter(({ object }) => wanted.has(object))
  .map(({ command, file, object }) => ({ source: relative(root, file), object, args: unitArgs(command, root, object) }));

const files = Object.fromEntries(treeFiles().map((path) => [path, readFileSync(join(root, path), 'utf8')]));
const half = Math.ceil(units.length / 2);
const built = (await Promise.all([units.slice(0, half), units.slice(half)].map((part) => new Promise((resolve, reject) => {
  const thread = new Thread(fileURLToPath(import.meta.url), { workerData: { files, units: part } });
  thread.once('message', resolve);
  thread.once('error', reject);
})))).flat();

// What the compiles read: of the tree, to be shipped; of the libraries' headers, to keep.
const read = new Set(built.flatMap(({ depfile }) => dependencies(depfile)));
const shipped = Object.fromEntries(Object.entries(files).filter(([path]) => read.has(`/src/${path}`)));

// YoWASP's tar of /usr with only the headers read and the libraries (not the shared ones).
function trimmed(tar) {
  const kept = [];
  for (let at = 0; at + 512 <= tar.length && tar[at] !== 0;) {
    const name = tar.subarray(at, at + 100).toString('latin1').replace(/\0.*$/s, '');
    const size = parseInt(tar.subarray(at + 124, at + 136).toString('latin1').replace(/\0.*$/s, '').trim() || '0', 8);
    const end = at + 512 + Math.ceil(size / 512) * 512;
    const directory = tar[at + 156] === 0x35;
    if (directory || read.has(`/usr/${name}`) || (/^lib\//.test(name) && !/\.so$/.test(name))) {
      kept.push(tar.subarray(at, end));
    }
    at = end;
  }
  return Buffer.concat([...kept, Buffer.alloc(1024)]);
}

const packed = (bytes) => gzipSync(bytes, { level: 6 }).toString('base64');
const pack = {
  tool: Object.fromEntries(readdirSync(clangDir).filter((name) => name.endsWith('.wasm'))
    .map((name) => [name, packed(readFileSync(join(clangDir, name)))])),
  resources: packed(trimmed(readFileSync(join(clangDir, 'llvm-resources.tar')))),
  files: shipped,
  units: built.map(({ source, object, args, bytes, depfile }) => ({ source, object, args,
    reads: dependencies(depfile).filter((path) => path.startsWith('/src/')).map((path) => path.slice(5)),
    bytes: Buffer.from(bytes).toString('base64') })),
  links,
};

// YoWASP's virtual file takes each write (4 KiB at most) by copying the whole
// file into a new array: a megabyte's object is then copied hundreds of
// times, seconds of a compile in Chromium. Here the file grows into spare
// room, doubled when full, in a buffer only a write made.
const copyingWrite = `  write(contents) {
    const offset = Number(this.offset);
    const newData = new Uint8Array(Math.max(this.file.data.length, offset + contents.length));
    newData.set(this.file.data);
    newData.subarray(offset).set(contents);
    this.file.data = newData;
    this.offset += BigInt(contents.length);
  }`;
const growingWrite = `  write(contents) {
    const offset = Number(this.offset);
    const end = offset + contents.length;
    let data = this.file.data;
    const room = WriteStream.grown.has(data.buffer) ? data.buffer.byteLength - data.byteOffset : 0;
    if (end > room) {
      const buffer = new ArrayBuffer(Math.max(end, 2 * data.length, 65536));
      WriteStream.grown.add(buffer);
      new Uint8Array(buffer).set(data);
      data = new Uint8Array(buffer, 0, Math.max(end, data.length));
    } else if (end > data.length) {
      const length = data.length;
      data = new Uint8Array(data.buffer, data.byteOffset, end);
      data.fill(0, length, offset);
    }
    this.file.data = data;
    data.set(contents, offset);
    this.offset += BigInt(contents.length);
  }
  static grown = new WeakSet();`;

// The worker as one classic script. The two packages are ES modules that
// find their files beside them: binaryen waits for itself at the top level,
// which a classic script cannot, so its factory is taken instead; YoWASP's
// files are asked for from an address the worker answers itself.
const { outputFiles } = await build({
  absWorkingDir: web,
  entryPoints: [join('src', 'compiler', 'worker.js')],
  bundle: true,
  format: 'iife',
  target: ['es2022'],
  charset: 'utf8',
  legalComments: 'eof',
  external: ['node:*'],
  write: false,
  logOverride: { 'empty-import-meta': 'silent' },
  plugins: [{
    name: 'classic',
    setup(on) {
      on.onLoad({ filter: /binaryen[/\\]index\.js$/ }, ({ path }) => {
        const text = readFileSync(path, 'utf8');
        const tail = /var ([\w$]+)=await ([\w$]+)\(\),([\w$]+)=\1;export\{\3 as default\};\s*$/;
        if (!tail.test(text)) throw new Error('binaryen no longer ends as pack.mjs expects');
        return { contents: text.replace(tail, 'export default $2;').replaceAll('import.meta.url', '"file:///intkit/binaryen.js"') };
      });
      on.onLoad({ filter: /@yowasp[/\\]clang[/\\]gen[/\\]bundle\.js$/ }, ({ path }) => {
        const text = readFileSync(path, 'utf8');
        if (!text.includes(copyingWrite)) throw new Error("YoWASP's file writes no longer read as pack.mjs expects");
        return { contents: text.replace(copyingWrite, growingWrite).replaceAll('import.meta.url', '"intkit:/clang/"') };
      });
    },
  }],
});
writeFileSync(out, `// Made by the build: the compiler's worker and all it works with (web/compiler/pack.mjs).
var intkitCompiler = ${JSON.stringify({ worker: outputFiles[0].text, pack })};
`);
