// Makes the site from the page's sources, xterm.js and the programs:
//   node build-site.mjs SITE WASM_DIR MAN_DIR MANUAL_DIR ROOT PROGRAM:FILE,FILE...
// WASM_DIR holds each PROGRAM.wasm built for Asyncify; MAN_DIR each page,
// whose NAME line describes the program, and MANUAL_DIR each page as text
// (PROGRAM.txt); each FILE, a path from the tree's top ROOT, is one of the
// program's source files, shown beside it as it is. Browsers load no module script
// from a file on disk, so esbuild bundles the sources, ES modules for
// Node's sake, into classic scripts: the page's with xterm.js, and the
// worker's, which goes in as text for a Blob URL, and the code editor's
// (CodeMirror), which the page loads only when Edit is pressed. The programs go in as
// base64, since a page opened from disk can fetch no file beside it.
import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';

import { build } from 'esbuild';

import { statementLines } from './src/entry.js';

const [site, wasmDir, manDir, manualDir, root, ...shown] = process.argv.slice(2);
const web = dirname(fileURLToPath(import.meta.url));
const xterm = join(web, 'node_modules', '@xterm', 'xterm');

// The module and all it imports as one classic script, readable: not
// minified; with esbuild's account of the files it was made of.
function built(entry) {
  return build({
    absWorkingDir: web,
    entryPoints: [join('src', entry)],
    bundle: true,
    format: 'iife',
    target: ['es2022'],
    charset: 'utf8',
    legalComments: 'eof',
    write: false,
    metafile: true,
  });
}
const bundle = async (entry) => (await built(entry)).outputFiles[0].text;

// "keyfind \- tell whether ..." from the NAME section: "tell whether ...".
function description(program) {
  const page = readFileSync(join(manDir, `${program}.1`), 'utf8');
  const line = /^\.SH NAME\n(.*)$/m.exec(page)[1];
  return line.replace(/^.*?\\- /, '').replace(/\\(.)/g, '$1');
}

mkdirSync(site, { recursive: true });
for (const file of ['index.html', 'style.css']) {
  copyFileSync(join(web, file), join(site, file));
}
copyFileSync(join(xterm, 'css', 'xterm.css'), join(site, 'xterm.css'));
copyFileSync(join(xterm, 'LICENSE'), join(site, 'LICENSE-xterm.txt'));
copyFileSync(join(root, 'LICENSE'), join(site, 'LICENSE.txt'));

const embedded = shown.map((entry) => {
  const [name, files] = entry.split(':');
  // What the build read of its debug information (stops/), and the lines of
  // each file a stop can be put on.
  const debug = JSON.parse(readFileSync(join(wasmDir, `${name}.json`), 'utf8'));
  return {
    name,
    description: description(name),
    manual: readFileSync(join(manualDir, `${name}.txt`), 'utf8'),
    sources: files.split(',').map((path) => ({ path, text: readFileSync(join(root, path), 'utf8') })),
    // Compressed, which keeps the site under a megabyte; the worker opens it with DecompressionStream.
    base64: gzipSync(readFileSync(join(wasmDir, `${name}.wasm`)), { level: 9 }).toString('base64'),
    compressed: true,
    debug,
    statements: statementLines(debug),
  };
});
writeFileSync(
  join(site, 'programs.js'),
  `// Made by the build: the programs, built for Asyncify, with their manual
// pages and source files, the code of the worker that runs one, and the
// start of the one a link asks for (boot.js).
var intkitPrograms = ${JSON.stringify(embedded)};
var intkitWorkerSource = ${JSON.stringify(await bundle('worker/worker.js'))};
${await bundle('page/boot.js')}`,
);
writeFileSync(join(site, 'app.js'), await bundle('page/page.js'));

// The editor, and the licence of each package in it (CodeMirror's and
// those it needs, all MIT), one after another.
const editor = await built('editor/editor.js');
writeFileSync(join(site, 'editor.js'), editor.outputFiles[0].text);
const packages = new Set(Object.keys(editor.metafile.inputs).flatMap((path) =>
  /node_modules\/((?:@[^/]+\/)?[^/]+)\//.exec(path)?.[1] ?? []));
writeFileSync(join(site, 'LICENSE-codemirror.txt'), [...packages].sort().map((name) =>
  `${name}\n\n${readFileSync(join(web, 'node_modules', name, 'LICENSE'), 'utf8')}`).join('\n'));

// The compiler (compiler.js): YoWASP's build of LLVM's clang and wasm-ld,
// with LLVM's libc++ and libc++abi and wasi-libc as its sysroot, and
// binaryen; each one's licence, one after another.
const apache = readFileSync('/usr/share/common-licenses/Apache-2.0', 'utf8');
writeFileSync(join(site, 'LICENSE-compiler.txt'), [
  'compiler.js holds the following, each under the licence after its name.\n',
  `@yowasp/clang: LLVM's clang, wasm-ld, libc++ and libc++abi, built for WebAssembly by YoWASP;\n`
    + `the Apache License 2.0 with LLVM's exceptions\n\n${apache}\n${readFileSync(join(web, 'compiler', 'llvm-exceptions.txt'), 'utf8')}`,
  `wasi-libc, the C library of its sysroot; each part's licence\n\n${readFileSync('/usr/share/doc/wasi-libc/copyright', 'utf8')}`,
  `binaryen\n\n${readFileSync(join(web, 'node_modules', 'binaryen', 'LICENSE'), 'utf8')}`,
].join('\n'));
