// Makes the site from the page's sources, xterm.js and the programs:
//   node build-site.mjs SITE WASM_DIR MAN_DIR XTERM_DIR LICENSE PROGRAM...
// WASM_DIR holds each PROGRAM.wasm built for Asyncify; MAN_DIR each page,
// whose NAME line describes the program. Browsers load no module script
// from a file on disk, so the sources, ES modules for Node's sake, are
// joined into classic scripts: their imports of each other dropped, their
// exports made plain declarations in one shared scope. The programs go in
// as base64, since a page opened from disk can fetch no file beside it.
import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const [site, wasmDir, manDir, xtermDir, licence, ...programs] = process.argv.slice(2);
const web = dirname(fileURLToPath(import.meta.url));

// The modules, dependencies first, as one classic script's body.
function joined(modules) {
  const declared = new Set();
  return modules
    .map((module) => {
      const source = readFileSync(join(web, 'src', module), 'utf8');
      const lines = source.split('\n').filter((line) => !/^import \{[\w, ]+\} from '\.\/[\w-]+\.js';$/.test(line));
      const body = lines.map((line) => line.replace(/^export (?=(async )?(function|class|const|let) )/, ''));
      for (const line of body) {
        if (/^(import|export)\b/.test(line)) {
          throw new Error(`${module}: cannot join: ${line}`);
        }
        const name = /^(?:async )?(?:function|class|const|let) (\w+)/.exec(line)?.[1];
        if (name !== undefined) {
          if (declared.has(name)) {
            throw new Error(`${module}: ${name} is declared by another module too`);
          }
          declared.add(name);
        }
      }
      return `// ${module}\n${body.join('\n')}`;
    })
    .join('\n');
}

function script(modules) {
  return `'use strict';\n(() => {\n${joined(modules)}\n})();\n`;
}

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
copyFileSync(join(xtermDir, 'lib', 'xterm.js'), join(site, 'xterm.js'));
copyFileSync(join(xtermDir, 'css', 'xterm.css'), join(site, 'xterm.css'));
copyFileSync(join(xtermDir, 'LICENSE'), join(site, 'LICENSE-xterm.txt'));
copyFileSync(licence, join(site, 'LICENSE.txt'));

const embedded = programs.map((name) => ({
  name,
  description: description(name),
  base64: readFileSync(join(wasmDir, `${name}.wasm`)).toString('base64'),
}));
writeFileSync(
  join(site, 'programs.js'),
  `// Made by the build: the programs, built for Asyncify, and the code of the
// worker that runs one.
var intkitPrograms = ${JSON.stringify(embedded, null, 1)};
var intkitWorkerSource = ${JSON.stringify(script(['wasi.js', 'asyncify.js', 'worker.js']))};
`,
);
writeFileSync(join(site, 'app.js'), script(['line-discipline.js', 'runner.js', 'page.js']));
