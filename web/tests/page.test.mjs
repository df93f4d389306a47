// The page in a real browser, headless, opened from disk and from a static
// server that sends no special headers, used as a person would: typing,
// an answers file, Ctrl-D and Ctrl-C. The bytes of every run are held to
// Linux's by the other suites; this one checks what the page itself can
// break. Run as: node page.test.mjs chromium|firefox|webkit (status 77: skipped).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { deflateRawSync, inflateRawSync } from 'node:zlib';

import xterm from '@xterm/headless';
import { KnownDevices } from 'puppeteer-core';

import { launch, missing } from '../browsers.mjs';
import { terminalState } from './terminal-state.mjs';

const site = process.env.INTKIT_SITE;
const tree = fileURLToPath(new URL('../..', import.meta.url));
const engine = process.argv[2];
if (missing(engine)) {
  console.log(`skipped: ${engine} needs what is not installed: ${missing(engine)}`);
  process.exit(77);
}

let browser;
let server;
const origins = {};

before(async () => {
  server = createServer((request, response) => {
    const path = join(site, decodeURIComponent(new URL(request.url, 'http://x').pathname));
    if (request.url === '/course.html') {
      response.end('<iframe src="index.html?program=keyfind&embed" width="320" height="240"></iframe>');
      return;
    }
    if (!path.startsWith(site) || !existsSync(path) || path.endsWith('/')) {
      response.writeHead(404).end();
      return;
    }
    const type = { html: 'text/html', js: 'text/javascript', css: 'text/css' }[path.split('.').pop()];
    response.writeHead(200, { 'Content-Type': type ?? 'text/plain' }).end(readFileSync(path));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origins.file = `${pathToFileURL(site).href}/`;
  origins.http = `http://127.0.0.1:${server.address().port}/`;
  browser = await launch(engine);
});

after(async () => {
  await browser?.close();
  server?.close();
});

// Run in the page: what goes wrong there, refusals included, and what it loaded from elsewhere.
function watch(inside) {
  window.intkitProblems = [];
  for (const kind of ['error', 'unhandledrejection', 'securitypolicyviolation']) {
    addEventListener(kind, (event) => intkitProblems.push(`${kind}: ${event.message ?? event.reason ?? event.violatedDirective}`));
  }
  window.loadedOutside = () => performance.getEntriesByType('resource').map((entry) => entry.name)
    .filter((url) => !url.startsWith(inside) && !/^(blob|data):/.test(url));
}
const problems = async (page) => [...page.problems, ...(await page.evaluate(() => [...intkitProblems, ...loadedOutside()]))];

// A page of the site, watched: every request must stay inside the site, and
// nothing may go wrong in the browser's console, nor a dialog open.
async function open(origin, query = '', path = 'index.html', prepare = async () => {}) {
  const page = await browser.newPage();
  const problems = [];
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origins[origin]) && !url.startsWith('blob:') && !url.startsWith('data:')) {
      problems.push(`request outside the site: ${url}`);
    }
  });
  page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('dialog', (dialog) => problems.push(`dialog: ${dialog.message()}`) && dialog.dismiss());
  await page.evaluateOnNewDocument(watch, origins[origin]);
  await prepare(page);
  await page.goto(`${origins[origin]}${path}${query}`);
  page.problems = problems;
  return page;
}

// The terminal's text as it shows it, one line a row, without trailing blanks.
function screen(page) {
  return page.$$eval('.xterm-rows > div', (rows) =>
    rows.map((row) => row.textContent.replace(/\u00a0/g, ' ').trimEnd()).join('\n').trimEnd());
}

async function waitFor(page, check, what, read = screen, bound = 30000) {
  const deadline = Date.now() + bound; // a bound for a page that hangs, not a measure: a busy machine is slow
  for (;;) {
    const text = await read(page);
    if (check(text)) {
      return text;
    }
    assert.ok(Date.now() < deadline, `waited in vain for ${what}; the terminal shows:\n${text}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

const status = (page) => page.$eval('#status', (element) => element.textContent);
const squeezed = (text) => text.replace(/\s/g, '');

async function ctrl(page, key) {
  await page.keyboard.down('Control');
  await page.keyboard.press(key);
  await page.keyboard.up('Control');
}

// Clicks the button `id`, the clipboard working or not: what it was given, and the status once it tells.
const clipboard = (page, id, works = true) => page.evaluate(async (id, works) => {
  navigator.clipboard.writeText = async (text) => (works ? (window.copied = text) : Promise.reject());
  document.execCommand = () => works;
  const status = document.getElementById('status');
  const told = new Promise((resolve) => new MutationObserver(resolve).observe(status, { childList: true }));
  document.getElementById(id).click();
  await told;
  return [window.copied, status.textContent];
}, id, works);

// What the program writes under Node.js's WASI for `input` (a Buffer, or text in `encoding`).
const underNode = (name, input, encoding) => spawnSync(process.execPath, [join(tree, 'packaging/npm/run.mjs'),
  join(process.env.INTKIT_WASM_DIR, `${name}.wasm`)], { input, encoding, maxBuffer: 64 << 20 }).stdout;

// Run in the page: counts the frames the terminal draws with more output taken than at the frame before.
function countMoves() {
  let [taken, drawn] = [0, -1];
  window.intkitMoves = 0;
  const write = intkitTerminal.write.bind(intkitTerminal);
  intkitTerminal.write = (data, done) => write(data, () => (taken += data.length, done?.()));
  intkitTerminal.onRender(() => (intkitMoves += Number(taken !== drawn), drawn = taken));
}

// digitstair, asked for n by an answers file.
async function staircase(n) {
  const page = await open('file', '?program=digitstair');
  await waitFor(page, (text) => text.endsWith('enter a num:'), 'the prompt');
  await page.evaluate(countMoves);
  const answers = join(tmpdir(), `intkit-stair-${n}-${engine}.txt`);
  writeFileSync(answers, `${n}\n`);
  await (await page.$('#answers')).uploadFile(answers);
  return page;
}

// The run's link, opened beside the page: its Copy output must be what the program writes for `input`.
async function followLink(page, origin, name, input) {
  await clipboard(page, 'link-run');
  const address = await page.$eval('#link-address', (link) => link.href);
  const again = await open(origin, address.slice(address.indexOf('?')));
  await again.waitForFunction(() => document.getElementById('status').textContent.includes('exited'));
  assert.equal((await clipboard(again, 'copy'))[0], underNode(name, input, 'latin1'));
  assert.match((await clipboard(again, 'copy', false))[1], /did not let the page copy/);
}

for (const origin of ['file', 'http']) {
  test(`${origin}: keyfind named in the link, answered prompt by prompt, and a link to the run`, async () => {
    const page = await open(origin, '?program=keyfind');
    const answers = [
      ['Enter number elements (max): ', '3'],
      ['Element [0]: ', '1'],
      ['Element [1]: ', '-2'],
      ['Element [2]: ', '3'],
      ['Enter element to search (x):', '-2'],
    ];
    await waitFor(page, (text) => text.endsWith('(max):'), 'the first prompt');
    await waitFor(page, (text) => text === 'keyfind is running: 29 bytes written', 'the prompt counted', status);
    for (const [prompt, answer] of answers) {
      await waitFor(page, (text) => text.endsWith(prompt.trimEnd()), prompt);
      await page.keyboard.type(`${answer}\n`);
    }
    const transcript = `Enter number elements (max): 3
Enter 3 elements:
Element [0]: 1
Element [1]: -2
Element [2]: 3
Enter element to search (x):-2
5. Element -2 is present in the array.`;
    await waitFor(page, (text) => text === transcript, 'the whole transcript');
    // The last output may be drawn before the exit is told.
    assert.match(await waitFor(page, (text) => text.includes('exited'), 'the exit', status), /^keyfind exited with status 0/);
    assert.equal(await page.evaluate(() => crossOriginIsolated), false);
    assert.deepEqual(await problems(page), []);
    await page.evaluate((url) => fetch(url).catch(() => {}), `http://localhost:${server.address().port}/`);
    await waitFor(page, (seen) => /connect-src/.test(seen), 'the refusal', problems);
    await followLink(page, origin, 'keyfind', '3\n1\n-2\n3\n-2\n');
    await page.close();
  });

  test(`${origin}: an answers file as the whole input and its link, typed input kept until asked, Ctrl-D`, async () => {
    const page = await open(origin);
    await page.click('button[data-program="keyfreq"]');
    const answers = join(tmpdir(), 'intkit-answers.txt');
    writeFileSync(answers, '5\r\n4\r\n7\r\n4\r\n4\r\n1\r\n4\r\n');
    await (await page.$('#answers')).uploadFile(answers);
    await page.waitForFunction(() => document.getElementById('status').textContent.includes('exited'));
    assert.match(await status(page), /^keyfreq < intkit-answers\.txt exited with status 0/);
    await followLink(page, origin, 'keyfreq', '5\r\n4\r\n7\r\n4\r\n4\r\n1\r\n4\r\n');
    await page.bringToFront();

    // Typed ahead of the prompts, then the end of input after the count.
    await page.click('button[data-program="divisorsum"]');
    await page.keyboard.type('28\n');
    await waitFor(page, (text) => text.endsWith('28 is a Perfect Number'), 'divisorsum');
    await page.click('button[data-program="keyfind"]');
    await page.keyboard.type('2 7\n');
    await ctrl(page, 'KeyD');
    // 7, then nothing: the second element and the key read as 0.
    await waitFor(page, (text) => squeezed(text).endsWith('Element0ispresentinthearray.'), 'the end of input');
    assert.match(await waitFor(page, (text) => text.includes('exited'), 'the exit', status), /^keyfind exited with status 0/);
    assert.deepEqual(await problems(page), []);
    await page.close();
  });
}

// 100000: about 25 GB, a flood no engine ends before the checks of it are made.
test('file: Ctrl-C stops digitstair 100000 mid-flood, and the page still answers', async () => {
  const page = await staircase(100000);
  const written = async () => Number((await status(page)).match(/([\d,]+) bytes/)?.[1].replace(/,/g, '') ?? 0);
  await waitFor(page, (bytes) => bytes >= 2_000_000, 'the flood', written);
  // Each frame counts, not the one a poll happens to see: most of this staircase's screens are rows of its leading blanks.
  const moves = await page.evaluate(() => intkitMoves);
  await waitFor(page, ([moved, calls]) => moved >= moves + 2 && !/wrote/.test(calls), 'the screen to move twice before the write ends',
    async (tab) => [await tab.evaluate(() => intkitMoves), await tab.$eval('#trace', (list) => list.textContent)]);
  const pressed = Date.now();
  await ctrl(page, 'KeyC');
  await page.waitForFunction(() => document.getElementById('status').textContent.includes('stopped by Ctrl-C'));
  const took = Date.now() - pressed;
  console.log(`# Ctrl-C stopped the output in ${took} ms`);
  const stopped = await waitFor(page, (text) => squeezed(text).endsWith('^C'), '^C'); // which may wrap
  await new Promise((resolve) => setTimeout(resolve, 500));
  assert.equal(await screen(page), stopped, 'output went on after Ctrl-C');
  // Another program chosen mid-flood shows its own output alone.
  await page.click('#again');
  await waitFor(page, (bytes) => bytes > 1_000_000, 'the flood again', written);
  await page.click('button[data-program="gridmath"]');
  await waitFor(page, (text) => text.startsWith('The array after addition:') && text.endsWith('12'), 'gridmath');
  assert.deepEqual(await problems(page), []);
  await page.close();
});

test('file: a flood past the scrollback, fast-forwarded, leaves the terminal as drawing every byte would', async () => {
  const page = await staircase(1200);
  await page.waitForFunction(() => document.getElementById('status').textContent.includes('exited'));
  const shown = await page.evaluate(terminalState);
  const every = new xterm.Terminal({ cols: shown.cols, rows: 24, scrollback: 5000, convertEol: true, allowProposedApi: true });
  await new Promise((resolve) => every.write(underNode('digitstair', '1200\n'), resolve));
  assert.deepEqual(shown, terminalState(every));
  assert.deepEqual(await problems(page), []);
  await page.close();
});

test('file: a crafted link runs nothing, injects nothing and opens no dialog', async () => {
  for (const [query, said] of [
    ['?program=keyfind#<img src=x onerror=alert(1)>', /^The part of the link after # is not/],
    [`?program=keyfind#input=${'%31'.repeat(4097)}`, /^The link's input is over 4096 bytes/],
    ['?program=<img src=x onerror=alert(1)>#input=1', /^There is no program called <img src=x onerror=alert\(1\)>\.$/],
    ['?program=keyfind#input=3%0A1%4', /^The link's input holds "%4", which is not a byte/], ['?program=keyfind#input=3{', /holds "\{"/],
    ['?program=keyfind&step&break=arrays/keyfind.cpp:0#input=1', /^The link's breakpoint "arrays\/keyfind.cpp:0", which is not/],
    ['?program=keyfind&break=grid/gridmath.cpp:26#input=1', /^The link's breakpoint "grid\/gridmath.cpp:26", which is not a file of this/],
    ['?program=stepdemo#input=&changed=a%2B', /^The link's changed code is malformed: not base64url, so nothing/],
    [`?program=stepdemo#input=&changed=${'A'.repeat(16385)}`, /^The link's changed code is over 16,384 characters, too long/],
  ]) {
    const page = await open('file', query);
    assert.match(await status(page), said);
    assert.deepEqual(await problems(page), []);
    await page.close();
  }
});

// As a phone where the engine can be one (Chromium): taps, and text as on-screen keyboards send it.
test('http: the terminal in a 320 x 240 frame of a course page, on a phone: tapped, typed into, stopped', async () => {
  const phone = engine === 'chromium';
  const page = await open('http', '', 'course.html', (tab) => phone && tab.emulate(KnownDevices['Pixel 5']));
  // Untouched, it takes no focus from the course page (seen from there: WebDriver focuses a frame it enters)...
  const untouched = (tab) => tab.evaluate(() => {
    const inside = document.querySelector('iframe').contentDocument;
    return { text: [...inside.querySelectorAll('.xterm-rows > div')].map((row) => row.textContent).join(''),
      focused: inside.activeElement?.matches('.xterm-helper-textarea') ?? false };
  });
  const first = await waitFor(page, ({ text }) => squeezed(text).endsWith('(max):'), 'the first prompt', untouched);
  assert.ok(!first.focused, 'the frame took the focus');
  const frame = await (await page.$('iframe')).contentFrame();
  await Object.assign(frame, { problems: [], keyboard: page.keyboard }).evaluate(watch, origins.http);
  // ...and its terminal fills the frame, rows and columns.
  assert.deepEqual(await frame.$eval('#terminal', (box) => {
    const { paddingTop, paddingBottom } = getComputedStyle(box);
    const room = box.clientHeight - parseFloat(paddingTop) - parseFloat(paddingBottom);
    const screen = box.querySelector('.xterm-screen');
    const row = screen.offsetHeight / intkitTerminal.rows;
    return [screen.offsetWidth <= box.clientWidth, screen.offsetHeight <= room, screen.offsetHeight > room - row];
  }), [true, true, true]);
  await (phone ? frame.tap('#terminal') : frame.click('#terminal'));
  const keyboard = phone ? await page.createCDPSession() : null;
  for (const [prompt, text] of [['(max):', '3'], ['[0]:', '1'], ['[1]:', '-2'], ['[2]:', '3'], ['(x):', '-2']]) {
    await waitFor(frame, (shown) => squeezed(shown).endsWith(prompt), prompt);
    await keyboard?.send('Input.imeSetComposition', { text, selectionStart: text.length, selectionEnd: text.length });
    await (keyboard ? keyboard.send('Input.insertText', { text }) : page.keyboard.type(text));
    await waitFor(frame, (shown) => squeezed(shown).endsWith(text), 'the echo'); // as a person sees it before Enter
    await page.keyboard.press('Enter');
  }
  await waitFor(frame, (text) => squeezed(text).endsWith('5.Element-2ispresentinthearray.'), 'the answer');
  await (phone ? frame.tap('#again') : frame.click('#again'));
  await (phone ? frame.tap('#stop') : frame.click('#stop'));
  await waitFor(frame, (text) => text.includes('stopped by Ctrl-C'), 'the stop', status);
  assert.deepEqual(await problems(frame), []);
  await page.close();
});

// What the page shows of a run beside the terminal, read as one text each.
const shown = {
  status,
  screen,
  // The line marked in Source, as path:line how.
  marked: (page) => page.evaluate(() => {
    const line = document.querySelector('#sources [data-mark]');
    return line && `${line.parentElement.getAttribute('aria-label')}:${[...line.parentElement.children].indexOf(line) + 1} ${line.dataset.mark}`;
  }),
  rows: (page) => page.$$eval('#trace li', (rows) => rows.map((row) => row.textContent).join('\n')),
  // How many rows the trace has, and what it says of those it left out.
  trace: (page) => page.$eval('#calls', (box) => `${box.querySelectorAll('li').length} rows; ${box.querySelector('#trace-left').textContent}`),
  // Variables: each frame's name and line, then its variables' texts; and those marked changed.
  variables: (page) => page.$$eval('#frames .frame, #frames .variable', (rows) => rows.map((row) => row.firstChild.textContent).join('\n')),
  changed: (page) => page.$$eval('#frames .changed', (rows) => rows.map((row) => row.firstChild.textContent).join('\n')),
  // Memory drawn: each drawing's name and what it views, its cells row by row as they stand on the page (* where
  // changed), and under which cells each viewer's bar lies.
  drawn: (page) => page.$$eval('#frames .drawing', (drawings) => drawings.map((drawing) => {
    const cells = [...drawing.querySelectorAll('.cell')];
    const rows = [...new Set(cells.map((cell) => cell.offsetTop))].map((top) => cells.filter((cell) => cell.offsetTop
      === top).map((cell) => `${cell.textContent}${cell.hasAttribute('data-changed') ? '*' : ''}`).join(' '));
    const bars = [...drawing.querySelectorAll('.viewer')].map((bar) => {
      const { left, right } = bar.getBoundingClientRect();
      const under = cells.flatMap((cell, at) => {
        const box = cell.getBoundingClientRect();
        return (box.left + box.right) / 2 > left && (box.left + box.right) / 2 < right ? [at] : [];
      });
      return ` | ${bar.textContent} ${under[0]}-${under.at(-1)}`;
    });
    const head = [...drawing.querySelectorAll('.name, .points')].map((part) => part.textContent).join('');
    return cells.length === 0 ? drawing.textContent : `${head}: ${rows.join(' / ')}${bars.join('')}`;
  }).join('\n')),
  said: (page) => page.$eval('#variables-said', (said) => said.textContent),
  then: (page) => page.$eval('#then', (then) => (then.hidden ? null : then.querySelector('.text').textContent)),
  // The terminal's text as it was when the page last said where the run stopped.
  stopped: (page) => page.evaluate(() => window.atStop),
  files: (page) => page.$$eval('#sources h3', (files) => files.map((file) => file.textContent).join(' ')),
  manual: (page) => page.$eval('#manual', (manual) => manual.textContent),
  source: (page) => page.$eval('#sources pre', (code) => code.textContent),
  link: (page) => page.$eval('#link-address', (link) => link.textContent),
  // Edit: whether editor.js is loaded, the first file's text in its editor, and the lines the editors mark.
  editor: (page) => page.evaluate(() => `${document.querySelector('script[src="editor.js"]') !== null} ${typeof intkitEditor}`),
  edited: (page) => page.evaluate(() => intkitEditing.editors.values().next().value?.text ?? null),
  marks: (page) => page.evaluate(() => intkitEditing.editors.values().next().value?.shown().join(', ') ?? null),
  diagnostics: (page) => page.$$eval('#diagnostics button', (items) => items.map((item) => item.textContent).join('\n')),
  command: (page) => page.$eval('#command', (command) => command.textContent),
  // What axe-core finds at this width, Trace and Step shown and Source open.
  axe: async (page) => page.evaluate(async () => (await axe.run(document, { preload: false })).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target)}`)),
};
const axeSource = readFileSync(join(tree, 'web/node_modules/axe-core/axe.min.js'), 'utf8');
const lines = (path, call) => readFileSync(join(tree, path), 'utf8').split('\n').flatMap((line, at) => (line.includes(call) ? [at + 1] : []));

// Each action of a scenario: a page's keys and clicks, or what it must come to show.
const act = {
  type: (page, text) => page.keyboard.type(text),
  key: async (page, keys) => { // Shift+F11: Shift held
    const [key, ...held] = keys.split('+').reverse();
    for (const each of held) await page.keyboard.down(each);
    await page.keyboard.press(key);
    for (const each of held) await page.keyboard.up(each);
  },
  ctrl,
  click: (page, selector) => page.click(selector),
  focus: (page, selector) => page.$eval(selector, (element) => element.focus()),
  selectAll: (page) => page.evaluate(() => intkitTerminal.selectAll()),
  // Selects `text` where the terminal shows it.
  select: (page, text) => page.evaluate((text) => {
    const { buffer } = intkitTerminal;
    for (let row = 0; row < buffer.active.length; row++) {
      const at = buffer.active.getLine(row).translateToString().indexOf(text);
      if (at >= 0) {
        return intkitTerminal.select(at, row, text.length);
      }
    }
  }, text),
  answers: async (page, text) => {
    writeFileSync(join(tmpdir(), `intkit-${engine}.txt`), text);
    await (await page.$('#answers')).uploadFile(join(tmpdir(), `intkit-${engine}.txt`));
  },
  // A file dropped on `selector`: the page, not the browser, must take both dragover and drop.
  drop: async (page, selector, text) => assert.deepEqual(await page.$eval(selector, (box, text, dataTransfer = new DataTransfer()) => {
    dataTransfer.items.add(new File([text], 'dropped.txt'));
    return ['dragover', 'drop'].map((type) => !box.dispatchEvent(new DragEvent(type, { dataTransfer, bubbles: true, cancelable: true })));
  }, text), [true, true]),
  // Calls as a run of `count` prints would have them told, `skipped` earlier ones left out.
  traced: (page, count, skipped) => page.evaluate((count, skipped) => intkitTrace.add(Array.from({ length: count },
    (_, line) => ({ kind: 'print', file: 'demos/stepdemo.cpp', line, size: 1, text: '.' })), skipped), count, skipped),
  forget: () => spawnSync('rm', ['-f', join(tmpdir(), `intkit-${engine}.txt`)]),
  // `count` stops as a run of stepdemo would have them told, one a line.
  stops: (page, count) => page.evaluate((count) => Array.from({ length: count }, (_, line) => intkitVariables.show({
    file: 'demos/stepdemo.cpp', line, written: 0, frames: [{ name: 'main', file: 'demos/stepdemo.cpp', line,
      variables: [] }] })), count),
  width: async (page, width) => {
    await page.setViewport({ width, height: 800 });
    await (page.script ?? page.evaluate).call(page, axeSource);
  },
  // Steps until the run has ended, each step once the last has stopped; where Source marked each stop and what
  // Variables showed there.
  stepToEnd: async (page) => {
    const seen = [];
    for (let said = await status(page); !/exited/.test(said);) {
      seen.push([await shown.marked(page), await shown.variables(page)]);
      await page.keyboard.press('F10');
      // The next stop or the end, not a count of bytes shown meanwhile (no two stops in a row are alike).
      said = await waitFor(page, (now) => now !== said && /stopped before|exited/.test(now), 'the next stop', status);
    }
    return seen;
  },
  // The run stepped to its end, kept for `alike`.
  record: async (page) => {
    await waitFor(page, (said) => /stopped before/.test(said), 'the first stop', status, 120000);
    page.seen = await act.stepToEnd(page);
  },
  // The run of `query` stepped to its end stops where the one recorded did, with the same variables at each stop.
  alike: async (page, query) => {
    const other = await open('file', query);
    await waitFor(other, (said) => /stopped before/.test(said), 'the first stop', status);
    assert.deepEqual(page.seen, await act.stepToEnd(other));
    assert.deepEqual(await problems(other), []);
    await (other === page || other.close()); // WebKit's one window is both
  },
  // Run the change, and the compiler's answer: compiled and run, or not compiled.
  build: async (page) => {
    await page.click('#run-change');
    await waitFor(page, (said) => /^(Compiled|The change does not compile)/.test(said), 'the compiler',
      (page) => page.$eval('#edit-status', (said) => said.textContent), 120000);
  },
  // The change in the run's link, read back as a browser of another make would: [path, text] of each file.
  linked: async (page, expected) => {
    const link = await waitFor(page, (link) => /&changed=/.test(link), 'a link with the change', shown.link);
    assert.deepEqual(JSON.parse(inflateRawSync(Buffer.from(link.split('&changed=')[1], 'base64url'))), expected);
  },
  // Waits until the innermost frame's variables include each of `texts`.
  holds: (page, texts) => waitFor(page, (shown) => texts.every((text) => shown.split('\n').includes(text)), `Variables with ${texts}`,
    shown.variables),
  // The first file in Edit's editor, `from` in it replaced by `to`.
  change: (page, from, to) => page.evaluate((from, to) => {
    const { view, text } = intkitEditing.editors.values().next().value;
    view.dispatch({ changes: { from: text.indexOf(from), to: text.indexOf(from) + from.length, insert: to } });
  }, from, to),
  copy: async (page, expected) => assert.equal((await clipboard(page, 'copy'))[0], expected),
};
// Otherwise [what, expected]: waits until shown[what] equals the text, squeezed, or matches the pattern.
const matches = (expected) => (text) => (expected instanceof RegExp ? expected.test(text) : squeezed(text ?? '') === squeezed(expected ?? ''));

// A demo stepped statement by statement, each line with a statement marked in turn and, before each print, the
// values it prints (as name = value) in Variables; the first print's also marked changed in stepdemo.
const statements = (path) => lines(path, ';').filter((line) => !/^\s*(\/\/|#)/.test(readFileSync(join(tree, path), 'utf8').split('\n')[line - 1]));
function demo(name) {
  const path = `demos/${name}.cpp`;
  const printed = underNode(name, '', 'latin1').split('\n');
  const prints = lines(path, 'console::print');
  return [`${name}, stepped: each statement marked in turn, and before each print the values it prints`, `?program=${name}&step`, [
    ...statements(path).flatMap((line, at) => [...(at > 0 ? [['key', 'F10']] : []), ['marked', `${path}:${line} next`],
      ...(prints.includes(line) ? [['holds', printed[prints.indexOf(line)].split(/, | : /).filter((piece) => /^\w+ = -?\d+$/.test(piece))]] : [])]),
    ['key', 'F10'], ['status', new RegExp(`^${name} exited with status 0`)], ['marked', null],
  ]];
}
const keyfindAnswers = '3\n1\n-2\n3\n-2\n';
const stepdemo = readFileSync(join(tree, 'demos/stepdemo.cpp'), 'utf8');
const keyfindLink = `?program=keyfind&step#input=${encodeURIComponent(keyfindAnswers)}`;
const commented = `${stepdemo}// changed\n`; // compiles to the program as built
const changedLink = (texts) => `&changed=${deflateRawSync(JSON.stringify(texts)).toString('base64url')}`;
const steps = (count, key = 'F10') => Array.from({ length: count }, () => ['key', key]);
const elementRound = (typed) => [...steps(3), ['type', typed], ['marked', 'arrays/input_array.cpp:9 next']];
const scenarios = [
  demo('stepdemo'),
  ['stepdemo: what has not run yet is not set, and what k = i++ changed is marked', '?program=stepdemo&step', [['marked', 'demos/stepdemo.cpp:8 next'], ['variables', /^main, line 8 .*\ni = not yet set\n/],
    ...statements('demos/stepdemo.cpp').slice(1, 8).flatMap((line) => [['key', 'F10'], ['marked', `demos/stepdemo.cpp:${line} next`]]),
    ['changed', 'i = 6\nk = 5']]],
  demo('commademo'),
  ['keyfind typed, stepped into inputArray: the store filling a cell each time round, and main\'s after stepping out', '?program=keyfind&step', [
    ...steps(5), ['type', '3\n'], ['marked', 'arrays/keyfind.cpp:27 next'], ['key', 'F11'], ['marked', 'arrays/input_array.cpp:6 next'],
    ['variables', /^inputArray, line 6 .*\nstore = \{0, 0, [^\n]*\} \(main's store\)\ncount = 3\n[^]*\nmain, line 27 /], ...steps(3),
    ...elementRound('7\n'), ['variables', /\nstore = \{7, 0, 0, /], ...elementRound('-4\n'), ['variables', /\nstore = \{7, -4, 0, /],
    ...elementRound('9\n'), ['variables', /\nstore = \{7, -4, 9, 0, /], ['key', 'Shift+F11'], ['marked', 'arrays/keyfind.cpp:29 next'],
    ['variables', /^main, line 29 .*\nstore = \{7, -4, 9, 0, /],
  ]],
  ['gridmath stepped into fun and combine, the result filling cell by cell; a breakpoint from Source, the grid at the heading', '?program=gridmath&step', [
    ...steps(2), ['key', 'F11'], ['marked', 'grid/gridmath.cpp:35 next'], ['key', 'F11'], ['marked', 'grid/gridmath.cpp:15 next'], ...steps(3),
    ['variables', /\nresult = \{\{0, 0, 0, 0\}, /], ...steps(2), ['variables', /\nresult = \{\{2, 0, 0, 0\}, /],
    ['drawn', /^result: 2\*? 0 0 0 \/ 0 0 0 0 \/ 0 0 0 0$/m], ...steps(2), ['variables', /\nresult = \{\{2, 3, 0, 0\}, /],
    ['drawn', /^result: 2 3\*? 0 0 \/ 0 0 0 0 \/ 0 0 0 0$/m], ['click', '#sources .number[data-file="grid/gridmath.cpp"][data-line="26"]'],
    ['key', 'F8'], ['marked', 'grid/gridmath.cpp:26 next'], ['rows', /gridmath.cpp:25 printed "The array after addition:\\n"$/],
    ['holds', ['grid = {{2, 3, 4, 5}, {6, 7, 8, 9}, {10, 11, 12, 13}}']],
    ['variables', /\nheading = 0x[0-9a-f]{8} "The array after addition:"\n/], ['drawn', /^heading = "The array after addition:"$/m], ['click', '#sources .number[data-line="14"]'],
    ['status', /^Line 14 of grid\/gridmath.cpp has no statement/],
  ]],
  ['keyfind in inputArray: elements drawn over main\'s store, the cell read marked; a caller chosen; what the call changed in main; Back',
    `?program=keyfind&step#input=${encodeURIComponent('3\n7\n-4\n9\n-4\n')}`, [
      ...steps(5), ['key', 'F11'], ...[6, 7, 8, 9, 10, 11, 9].flatMap((line, at) => [...(at > 0 ? [['key', 'F10']] : []),
        ['marked', `arrays/input_array.cpp:${line} next`]]),
      ['drawn', /^elements → main's store \[0\]–\[2\]: 7\* 0 0$/m],
      ['drawn', /^store: 7\* 0 0 [^\n|]*\| store \(inputArray\) 0-15 \| elements \(inputArray\) 0-2$/m],
      ['click', '#frames .stack > li:last-child .frame'], ['marked', 'arrays/keyfind.cpp:27 chosen'], ['key', 'Shift+F11'],
      ['marked', 'arrays/keyfind.cpp:29 next'], ['changed', /^store = \{7, -4, 9, 0, /], ['said', /^store = \{7, -4, 9, 0, /],
      ['click', '#back'], ['then', /elements:\nElement \[0\]:$/], ['click', '#forward'], ['then', null],
    ]],
  ['digitstair at breakpoints: a struct\'s members each from its own place, a string_view as its text',
    '?program=digitstair&break=numbers/staircase.cpp:15&break=numbers/gather_writer.cpp:9#input=3%0A', [
      ['marked', 'numbers/staircase.cpp:15 next'], ['variables', /\nout = \{fd_ = 1, flushes_ = 0, staged_ = 0, piece_count_ = 0, /],
      ['key', 'F8'], ['marked', 'numbers/gather_writer.cpp:9 next'], ['variables', /\npattern = " "\ntimes = 2\n/],
    ]],
  ['digitstair 100000 at a breakpoint past its read, then Continue: Source marks no line while it runs',
    '?program=digitstair&break=numbers/digitstair.cpp:15#input=100000%0A', [['marked', 'numbers/digitstair.cpp:15 next'], ['key', 'F8'], ['status', /is running/], ['marked', null], ['click', '#stop'],
    ['status', /stopped by Ctrl-C/],
  ]],
  ['Back reaches the last 1,000 stops', '?program=stepdemo&step', [['marked', 'demos/stepdemo.cpp:8 next'], ['stops', 1003],
    ['key', 'F10'], ['marked', `demos/stepdemo.cpp:${statements('demos/stepdemo.cpp')[1]} next`], ['click', '#back'],
    ['status', /^Stop 999 of 1000: demos\/stepdemo.cpp line 1002;/]]],
  ['a link\'s breakpoint stops the free run at the search; Step goes over it; Back and Forward; the link keeps it',
    `?program=keyfind&break=arrays/keyfind.cpp:32#input=${encodeURIComponent('3\n7\n-4\n9\n-4\n')}`, [
      ['marked', 'arrays/keyfind.cpp:32 next'], ['variables', /^main, line 32 .*\nstore = \{7, -4, 9, 0, /], ['key', 'F10'],
      ['marked', 'arrays/keyfind.cpp:33 next'], ['click', '#back'], ['marked', 'arrays/keyfind.cpp:32 past'], ['status', /^Stop 1 of 2: /],
      ['click', '#forward'], ['marked', 'arrays/keyfind.cpp:33 next'], ['key', 'F8'], ['status', /exited with status 0/],
      ['click', '#link-run'], ['link', /\?program=keyfind&break=arrays\/keyfind.cpp:32#input=3%0A7/],
    ]],
  ['another program chosen: the last one\'s breakpoints are not its own, nor in its Link to this run',
    `?program=keyfind&break=arrays/keyfind.cpp:32#input=${encodeURIComponent(keyfindAnswers)}`, [
      ['marked', 'arrays/keyfind.cpp:32 next'], ['click', 'button[data-program="gridmath"]'], ['status', /^gridmath exited/],
      ['click', '#link-run'], ['link', /\?program=gridmath#input=$/],
    ]],
  ['keyfind from a link, stepped to its end: the transcript of keyfind < answers, every call in the trace', keyfindLink, [
    ['marked', 'arrays/keyfind.cpp:21 next'], ['type', '9\n'], ['stepToEnd'], ['screen', underNode('keyfind', keyfindAnswers, 'latin1')],
    ['copy', underNode('keyfind', keyfindAnswers, 'latin1')], ['rows', /^(arrays\/\S+:\d+ (printed|read) .*\n){12}arrays\/keyfind.cpp:37 finished$/],
    ['rows', /input_array.cpp:11 read -2\n.*\n.*input_array.cpp:11 read 3\n/],
  ]],
  ['keyfreq typed with a Backspace, waiting marked, a read that finds nothing, Continue, the trace chosen by keyboard', '?program=keyfreq', [
    ['marked', 'arrays/keyfreq.cpp:25 waiting'], ['type', '29'], ['key', 'Backspace'], ['type', '\n5 6\n'],
    ['rows', /keyfreq.cpp:25 read 2\n.*\n.*input_array.cpp:10 printed "Element \[0\]: "\n.*11 read 5\n/],
    ['marked', 'arrays/keyfreq.cpp:29 waiting'], ['key', 'F10'], ['type', '%x\n'], ['marked', 'arrays/keyfreq.cpp:31 next'],
    ['rows', /keyfreq.cpp:29 read nothing: the value stays 0$/], ['key', 'F8'], ['status', /exited with status 0/],
    ['marked', null], ['screen', /Frequency of 0 in array: 0$/], ['select', 'Frequency of 0'], ['marked', 'arrays/keyfreq.cpp:32 chosen'],
    ['focus', '#trace'], ['key', 'Home'], ['key', 'ArrowDown'], ['marked', 'arrays/keyfreq.cpp:25 chosen'],
    ['files', 'arrays/keyfreq.cpp arrays/input_array.hpp arrays/input_array.cpp'], ['manual', /^KEYFREQ\(1\)[^]*SYNOPSIS/],
    ['source', readFileSync(join(tree, 'arrays/keyfreq.cpp'), 'utf8')], ['click', '#link-run'], ['link', /#input=2%0A5%206%0A%25x%0A$/],
  ]],
  ['Ctrl-C with text selected copies and runs on; the next Ctrl-C stops', '?program=divisorsum', [
    ['screen', 'Enter a number:'], ['selectAll'], ['ctrl', 'KeyC'], ['type', '6'], ['screen', 'Enter a number: 6'],
    ['ctrl', 'KeyC'], ['status', /stopped by Ctrl-C/], ['screen', 'Enter a number: 6^C'], ['rows', /printed "Enter a number: "$/],
  ]],
  ['an answers file gone from disk: the run ends and the terminal tells why; a link past 4 KiB is refused', '?program=keyfreq', [
    ['answers', `900 ${'1 '.repeat(2500)}`], ['status', /exited/], ['click', '#link-run'], ['status', /more than a link carries/],
    ['forget'], ['click', '#again'], ['screen', /\[cannot read intkit-\w+\.txt:[^]+\]$/], ['status', /failed: cannot read/],
    ['rows', /\(max 100\): "$/], ['drop', '#step-help', '1 4 4\n'], ['status', /^keyfreq < dropped\.txt exited/],
  ]],
  ...[1280, 320].map((width) => [`at ${width} px, stopped in a stepped run, axe-core finds nothing to fix; Stop ends it`, keyfindLink, [
    ...steps(5), ['key', 'F11'], ['marked', 'arrays/input_array.cpp:6 next'], ['click', '#about details:last-of-type summary'],
    ['width', width], ['axe', /^$/], ['click', '#stop'], ['status', /stopped by Ctrl-C/], ['marked', null], ['rows', /26 read 3$/],
  ]]),
  ['Edit loads the editor only when pressed, with the tree\'s text; Reset puts it back after a change', '?program=stepdemo', [
    ['editor', 'false undefined'], ['click', '#source summary'], ['click', '#edit'], ['editor', 'true object'], ['edited', stepdemo],
    ['change', 'k = i++;', 'k = ++i;'], ['edited', stepdemo.replace('k = i++;', 'k = ++i;')], ['click', '#reset'], ['edited', stepdemo],
    ...[320, 1280].flatMap((width) => [['width', width], ['axe', /^$/]]),
  ]],
  ['stepdemo from another browser\'s link, compiled in the page: steps as built; a syntax error marked, listed, nothing run; ' +
    'k = ++i run, stepped, linked', `?program=stepdemo&step#input=${changedLink({ 'demos/stepdemo.cpp': commented })}`, [
    ['record'], ['edited', commented], ['change', 'k = i++;', 'k = ++i'], ['build'],
    ['diagnostics', /^demos\/stepdemo\.cpp:15:\d+: error: expected ';' after expression$/], ['marks', '15 error'],
    ['status', /^stepdemo \(changed\) < the link's input exited/], ['change', 'k = ++i', 'k = ++i;'], ['build'], ['command', 'stepdemo (changed)'],
    ['status', /^stepdemo \(changed\) exited with status 0/], ['screen', /^k = i\+\+ : k = 6, i = 6\nk = \+\+i : k = 6, i = 6$/m],
    ['key', 'F10'], ...steps(7), ['marked', 'demos/stepdemo.cpp:16 next'], ['holds', ['k = 6', 'i = 6']], ['click', '#stop'],
    ['click', '#link-run'], ['linked', { 'demos/stepdemo.cpp': commented.replace('k = i++;', 'k = ++i;') }],
    ['alike', '?program=stepdemo&step'],
  ]],
  ['past 10,000 calls, the trace keeps the last 10,000 and says how many it left out', '', [
    ['traced', 10003, 0], ['trace', /^10000 rows; 3 earlier calls left out/], ['traced', 2, 7],
    ['trace', /^10000 rows; 12 earlier calls left out/], ['click', 'button[data-program="stepdemo"]'], ['trace', /^\d+ rows; $/],
  ]],
  ['keyfind stepped from a free run at its first element\'s read: inputArray with main above it', '?program=keyfind', [
    ['type', '3\n'], ['marked', 'arrays/input_array.cpp:11 waiting'], ['key', 'F10'], ['type', '7\n'],
    ['marked', 'arrays/input_array.cpp:9 next'], ['variables', /^inputArray, line 9\b[^]*\nmain, line 27\b/],
  ]],
  ['keyfind: Step over inputArray stops at the breakpoint inside it',
    `?program=keyfind&step&break=arrays/input_array.cpp:10#input=${encodeURIComponent(keyfindAnswers)}`, [
      ...steps(5), ['marked', 'arrays/keyfind.cpp:27 next'], ['key', 'F10'], ['marked', 'arrays/input_array.cpp:10 next'],
    ]],
];

for (const [name, query, actions] of scenarios) {
  test(`file: ${name}`, async () => {
    const page = await open('file', query);
    await page.evaluate(() => new MutationObserver(() => {
      const { active } = intkitTerminal.buffer;
      const text = Array.from({ length: active.length }, (_, row) => active.getLine(row).translateToString(true));
      window.atStop = /stopped before/.test(document.getElementById('status').textContent) ? text.join('\n') : window.atStop;
    }).observe(document.getElementById('status'), { childList: true }));
    for (const [what, ...args] of actions) {
      await (act[what]?.(page, ...args) ?? waitFor(page, matches(args[0]), `${what} ${args[0]}`, shown[what]));
    }
    assert.deepEqual(await problems(page), []);
    await page.close();
  });
}
